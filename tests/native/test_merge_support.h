// Shared helpers of the merge tests: crafted pairs as a split with overlap
// leaves them, the job's analysis of two inputs held in memory, and job runs.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/native_sink.h"
#include "avi/avi_analysis.h"
#include "avi/byte_input.h"
#include "merge/merge_engine.h"
#include "merge/merge_job.h"
#include "merge/merge_plan.h"
#include "tests/native/avi_builder.h"

namespace mergetest {

using avitest::AviLayout;
using avitest::Bytes;
using avitest::ChunkLayout;

// The chunks of frames [from, to) of a clip whose chunks are grouped by
// frame (each video chunk followed by the chunks up to the next video chunk).
inline AviLayout FrameRange(const AviLayout& whole, int from, int to) {
  AviLayout part = whole;
  part.chunks.clear();
  int frame = -1;
  for (const ChunkLayout& c : whole.chunks) {
    if (whole.streams[c.stream].type == "vids" && c.stream == 0) ++frame;
    if (frame >= from && frame < to) part.chunks.push_back(c);
  }
  // The header's lengths follow the chunks, as a split's outputs have them.
  for (auto& s : part.streams) s.length = 0;
  return part;
}

struct Pair {
  Bytes first;
  Bytes second;
};

// First: frames [0, firstEnd); second: frames [secondStart, end).
inline Pair SplitPair(const AviLayout& whole, int firstEnd, int secondStart, int end) {
  return {BuildAvi(FrameRange(whole, 0, firstEnd)), BuildAvi(FrameRange(whole, secondStart, end))};
}

// Two inputs analysed as the merge job analyses them, ready for the engine.
struct Analysed {
  NativeSink host;
  Bytes first;
  Bytes second;
  ByteInput firstInput;
  ByteInput secondInput;
  AviAnalysis firstAnalysis{};
  AviAnalysis secondAnalysis{};
  std::string path;
  AviAnalysis& a() { return firstAnalysis; }
  AviAnalysis& b() { return secondAnalysis; }
  MergeSources Sources() { return MergeSources{{firstInput, firstAnalysis}, {secondInput, secondAnalysis}, path}; }
};

inline void WalkInput(AviAnalysis& a, ByteInput& input, uint32_t size) {
  WalkProgress progress;
  progress.span = 5;
  progress.total = size;
  AnalyseFile(a, input, size, progress);
}

inline std::unique_ptr<Analysed> Analyse(Bytes first, Bytes second, const char* path = "clip-1.avi") {
  auto p = std::make_unique<Analysed>();
  p->first = std::move(first);
  p->second = std::move(second);
  p->path = path;
  p->firstInput.OpenMemory(p->first.data(), p->first.size());
  p->secondInput.OpenMemory(p->second.data(), p->second.size());
  WalkInput(p->secondAnalysis, p->secondInput, uint32_t(p->second.size()));
  WalkInput(p->firstAnalysis, p->firstInput, uint32_t(p->first.size()));
  EXPECT_EQ(CompareStructure(p->firstAnalysis, p->secondAnalysis, p->firstInput, p->secondInput).code, 0u);
  return p;
}

inline MergePlan Plan(Analysed& p, double window = 60.0) {
  MergePlan plan;
  EXPECT_EQ(PlanMerge(p.Sources(), window, p.host, plan), PlanOutcome::Planned);
  return plan;
}

// The engine's text for a pair (mode 1, no plug-in).
inline std::string Summary(Analysed& p, int englishUi = 1) {
  p.host.englishUi = englishUi;
  MergeEngineOutput out;
  EXPECT_EQ(MergeEngine(p.Sources(), 60.0, 1, p.host, out), MergeResult::Completed);
  return out.text;
}

// One run of the merge job over two paths.
struct JobRun {
  NativeSink host;
  MergeOutcome outcome;
  int32_t result = 0;
  std::string message() const { return host.messages.empty() ? std::string() : host.messages.back(); }
};

inline std::unique_ptr<JobRun> RunJob(const std::string& first, const std::string& second,
                                      int englishUi = 1,
                                      const std::function<void(JobRun&)>& hook = {}) {
  auto run = std::make_unique<JobRun>();
  run->host.englishUi = englishUi;
  if (hook) hook(*run);
  run->outcome = MergeJob(MergeRequest{first, second}, run->host);
  run->result = run->outcome.Number();
  return run;
}

inline std::string TempPath(const std::string& name) { return testing::TempDir() + name; }

inline std::string WriteTemp(const std::string& name, const Bytes& bytes) {
  std::string path = TempPath(name);
  EXPECT_TRUE(avitest::WriteFile(path, bytes));
  return path;
}

}  // namespace mergetest
