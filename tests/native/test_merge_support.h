// Shared helpers of the merge tests: crafted pairs as a split with overlap
// leaves them, the job's analysis of two inputs held in memory, and job runs.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/host.h"
#include "app/native_host.h"
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
  std::unique_ptr<JobState> state = std::make_unique<JobState>();
  NativeHost host;
  Bytes first;
  Bytes second;
  AviAnalysis& a() { return state->analysis; }
};

inline void WalkInput(JobState& state, ByteInput& input, uint32_t size) {
  AviAnalysis& a = state.analysis;
  ResetAnalysis(a);
  a.progressBase = 0;
  a.progressSpan = 5;
  a.progressTotal = size;
  a.progressLast = 0;
  WalkChunks(state, input, 0, size, 0);
  a.chunkBase = DetectChunkBase(a, input);
}

inline std::unique_ptr<Analysed> Analyse(Bytes first, Bytes second, const char* path = "clip-1.avi") {
  auto p = std::make_unique<Analysed>();
  p->first = std::move(first);
  p->second = std::move(second);
  JobState& s = *p->state;
  AttachNativeHost(s, p->host);
  s.englishUi = 1;
  s.analysis = AviAnalysis{};
  std::snprintf(s.inputPath, sizeof s.inputPath, "%s", path);
  s.inputFile.OpenMemory(p->first.data(), p->first.size());
  s.secondInputFile.OpenMemory(p->second.data(), p->second.size());
  WalkInput(s, s.secondInputFile, uint32_t(p->second.size()));
  SaveSecondInput(s.analysis);
  WalkInput(s, s.inputFile, uint32_t(p->first.size()));
  EXPECT_EQ(CompareStructure(s.analysis, s.inputFile, s.secondInputFile), 0u);
  return p;
}

inline MergePlan Plan(Analysed& p, double window = 60.0) {
  MergePlan plan;
  EXPECT_EQ(PlanMerge(*p.state, window, plan), PlanOutcome::Planned);
  return plan;
}

// The engine's text for a pair (mode 1, no plug-in).
inline std::string Summary(Analysed& p, int englishUi = 1) {
  p.state->englishUi = englishUi;
  EXPECT_EQ(MergeEngine(*p.state, 60.0, 1), 0);
  return p.state->statusText;
}

// One run of the merge job over two paths through the native host.
struct JobRun {
  std::unique_ptr<JobState> state = std::make_unique<JobState>();
  NativeHost host;
  int32_t result = 0;
  std::string message() const { return host.messages.empty() ? std::string() : host.messages.back(); }
};

inline void PrepareJob(JobRun& run, const std::string& first, const std::string& second, int englishUi) {
  AttachNativeHost(*run.state, run.host);
  run.state->englishUi = englishUi;
  run.state->analysis = AviAnalysis{};
  ResetAnalysis(run.state->analysis);
  run.host.fields[IDC_MERGE_FILE1] = first;
  run.host.fields[IDC_MERGE_FILE2] = second;
}

inline std::unique_ptr<JobRun> RunJob(const std::string& first, const std::string& second,
                                      int englishUi = 1) {
  auto run = std::make_unique<JobRun>();
  PrepareJob(*run, first, second, englishUi);
  run->result = MergeJob(*run->state);
  return run;
}

inline std::string TempPath(const std::string& name) { return testing::TempDir() + name; }

inline std::string WriteTemp(const std::string& name, const Bytes& bytes) {
  std::string path = TempPath(name);
  EXPECT_TRUE(avitest::WriteFile(path, bytes));
  return path;
}

}  // namespace mergetest
