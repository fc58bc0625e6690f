// Shared helpers of the merge tests: crafted pairs as a split with overlap
// leaves them, the job's analysis of two inputs held in memory, and job runs.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "job/native_sink.h"
#include "tests/native/plugin_host.h"
#include "avi/avi_analysis.h"
#include "avi/byte_input.h"
#include "merge/analysis_task.h"
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

// Video frames 0..frames-1 at 25 fps (every gop-th a key frame) with PCM
// audio (44100 Hz, 4-byte blocks) in chunks of the given sizes, one after
// each video chunk while they last (the rest of the frames without audio);
// each audio chunk's bytes its own.
inline AviLayout AudioClip(int frames, int gop, const std::vector<uint32_t>& audio, uint32_t suggested) {
  AviLayout layout = avitest::SimpleClip(frames, gop, 0);
  layout.streams[1].suggestedBufferSize = suggested;
  AviLayout out = layout;
  out.chunks.clear();
  size_t next = 0;
  for (const ChunkLayout& c : layout.chunks) {
    out.chunks.push_back(c);
    if (next < audio.size()) out.chunks.push_back({1, audio[next], true, uint8_t(next * 7 + 3)}), ++next;
  }
  return out;
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
  TestHost host;
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
  MergeRequest request;
  request.first = first;
  request.second = second;
  request.writeJoined = run->host.JoinedFile();
  run->outcome = MergeJob(request, run->host);
  run->result = run->outcome.Number();
  return run;
}

// Everything a job run showed: its outcome, its boxes with their owners, and
// every bar value with the status line it was shown under.
struct Shown {
  MergeOutcome outcome;
  std::vector<std::string> messages;
  std::vector<MessageOwner> owners;
  std::vector<std::pair<std::string, int>> bar;
};

// One run; without threads the first input is analysed after the second on
// the job's thread, as when no thread can be had.
inline Shown RunShown(const std::string& first, const std::string& second, bool threads, int englishUi = 1,
                      const std::function<void(JobRun&)>& hook = {}) {
  Shown shown;
  AnalysisTask::RefuseThreads(!threads);
  auto run = RunJob(first, second, englishUi, [&](JobRun& r) {
    if (hook) hook(r);
    r.host.onProgress = [&shown, inner = r.host.onProgress](const char* status, int cells) {
      shown.bar.emplace_back(status, cells);
      if (inner) inner(status, cells);
    };
  });
  AnalysisTask::RefuseThreads(false);
  shown.outcome = run->outcome;
  shown.messages = run->host.messages;
  shown.owners = run->host.messageOwners;
  return shown;
}

// The job shows exactly the same whether the first input is analysed on a
// thread of its own or after the second, and its bar never goes back.
inline void ExpectSameWithAndWithoutThreads(const std::string& first, const std::string& second,
                                            const std::function<void(JobRun&)>& hook = {}) {
  for (int englishUi : {1, 0}) {
    SCOPED_TRACE(first + " + " + second + (englishUi ? " (English)" : " (Japanese)"));
    const Shown one = RunShown(first, second, false, englishUi, hook);
    const Shown two = RunShown(first, second, true, englishUi, hook);
    const MergeOutcome &a = one.outcome, &b = two.outcome;
    EXPECT_EQ(a.Number(), b.Number());
    EXPECT_EQ(a.result, b.result);
    EXPECT_EQ(a.engineStarted, b.engineStarted);
    EXPECT_EQ(a.structure.code, b.structure.code);
    EXPECT_EQ(a.structure.field, b.structure.field);
    EXPECT_EQ(a.structure.stream, b.structure.stream);
    EXPECT_EQ(a.structure.offset, b.structure.offset);
    EXPECT_EQ(a.structure.firstValue, b.structure.firstValue);
    EXPECT_EQ(a.structure.secondValue, b.structure.secondValue);
    EXPECT_EQ(a.mergedName, b.mergedName);
    EXPECT_EQ(a.message, b.message);
    EXPECT_EQ(a.detail, b.detail);
    EXPECT_EQ(a.figures.joinedBytes, b.figures.joinedBytes);
    EXPECT_EQ(a.figures.frames, b.figures.frames);
    EXPECT_EQ(a.figures.overlapFrames, b.figures.overlapFrames);
    EXPECT_EQ(a.figures.counted, b.figures.counted);
    EXPECT_EQ(one.messages, two.messages);
    EXPECT_EQ(one.owners, two.owners);
    EXPECT_EQ(one.bar, two.bar);
    for (size_t i = 1; i < two.bar.size(); ++i) EXPECT_GE(two.bar[i].second, two.bar[i - 1].second) << i;
  }
}

inline std::string TempPath(const std::string& name) { return testing::TempDir() + name; }

inline std::string WriteTemp(const std::string& name, const Bytes& bytes) {
  std::string path = TempPath(name);
  EXPECT_TRUE(avitest::WriteFile(path, bytes));
  return path;
}

}  // namespace mergetest
