// The size split on crafted files: the last key frame whose first file fits,
// against a scan of every key frame; outputs byte for byte those of the time
// split at that key frame; the refusals with their reasons; cancel.
#include <gtest/gtest.h>

#include "split/size_split.h"
#include "tests/native/test_split_support.h"

using namespace avitest;
using namespace splittest;

namespace {

// Runs the size split as the plug-in does, after the job's own checks.
std::unique_ptr<JobRun> SizeSplit(const std::string& file, double megabytes, double overlap, CreateMode create,
                                  bool english = true, int32_t* code = nullptr) {
  SplitFields f;
  f.file = file;
  f.bySize = true;
  f.create = create;
  f.english = english;
  char text[32];
  std::snprintf(text, sizeof text, "%g", overlap);
  f.overlap = text;
  std::snprintf(text, sizeof text, "%.9f", megabytes);
  f.sizeMb = text;
  auto run = RunSplitJob(f, [](JobRun& r) { r.host.doPluginWork = true; });
  if (code) *code = run->host.pluginDone.sizeSplitNumber;
  return run;
}

// The first file's size for every usable key frame, in order.
std::vector<std::pair<uint32_t, uint64_t>> FirstFileSizes(const std::string& file) {
  auto an = Analyse(file);
  std::vector<std::pair<uint32_t, uint64_t>> out;
  const AviAnalysis& a = an->analysis;
  SplitPlan plan;
  for (uint32_t f = 1; f < a.streams[a.firstVideoStream].idx1EntryCount; ++f) {
    if (PlanSplitAtFrame(an->Source(), f, ExactTime(), plan) != SplitResult::Completed) break;
    uint64_t sizes[2];
    PlannedOutputSizes(an->Source(), plan, sizes);
    if (out.empty() || out.back().first != plan.splitFrame) out.push_back({plan.splitFrame, sizes[0]});
  }
  return out;
}

AviLayout Clip() {
  AviLayout clip = SimpleClip(400, 12, 7056);
  for (size_t i = 0; i < clip.chunks.size(); ++i)
    if (clip.chunks[i].stream == 0) clip.chunks[i].size = 3000 + uint32_t(i * 7919 % 5000);
  return clip;
}

}  // namespace

TEST(SizeSplit, FirstFileEndsAtTheLastKeyFrameThatFits) {
  for (int recs : {0, 3}) {
    AviLayout clip = Clip();
    clip.chunksPerRec = recs;  // in rec groups, not every key frame can end the file
    const std::string dir = FreshDir("size_last_key" + std::to_string(recs));
    const std::string in = dir + "in.avi";
    ASSERT_TRUE(WriteFile(in, BuildAvi(clip)));
    const auto sizes = FirstFileSizes(in);
    ASSERT_GT(sizes.size(), 10u);
    for (size_t k = 0; k + 1 < sizes.size(); k += 3) {
      // Limits just at a key frame's size and just below the next one's.
      for (uint64_t limit : {sizes[k].second, sizes[k + 1].second - 1}) {
        SCOPED_TRACE("rec " + std::to_string(recs) + " limit " + std::to_string(limit));
        int32_t code = -99;
        auto run = SizeSplit(in, double(limit) / kBytesPerMegabyte + 1e-9, 0, CreateMode::Both, true, &code);
        ASSERT_EQ(code, 0) << run->message();
        EXPECT_EQ(run->message(), "Completed");
        Bytes first = ReadBytes(dir + "in-1.avi"), second = ReadBytes(dir + "in-2.avi");
        EXPECT_EQ(first.size(), sizes[k].second) << "the planned size is the written size";
        OutputLayout l1, l2;
        CheckOutput(first, &l1);
        CheckOutput(second, &l2);
        EXPECT_EQ(l1.videoEntries, sizes[k].first);
        CheckAgainstSource(in, &l1, &l2);
      }
    }
  }
}

TEST(SizeSplit, OutputsAreTheTimeSplitsAtThatKeyFrame) {
  const std::string dir = FreshDir("size_is_time");
  const std::string in = dir + "in.avi";
  ASSERT_TRUE(WriteFile(in, BuildAvi(Clip())));
  for (CreateMode create : {CreateMode::Both, CreateMode::First, CreateMode::Second}) {
    for (double overlap : {0.0, 1.5, 4.0}) {
      SCOPED_TRACE("create " + std::to_string(int(create)) + " overlap " + std::to_string(overlap));
      int32_t code = -99;
      SizeSplit(in, 1.5, overlap, create, true, &code);
      ASSERT_EQ(code, 0);
      Bytes sized[2] = {ReadBytes(dir + "in-1.avi"), ReadBytes(dir + "in-2.avi")};
      EXPECT_EQ(sized[0].empty(), create == CreateMode::Second);
      EXPECT_EQ(sized[1].empty(), create == CreateMode::First);
      std::remove((dir + "in-1.avi").c_str());
      std::remove((dir + "in-2.avi").c_str());
      // The time split half a frame before the key frame the size split chose.
      auto an = Analyse(in);
      SplitPlan plan;
      ASSERT_EQ(PlanSizeSplit(an->Source(), SizeLimitBytes(1.5), ExactTime(), plan), SplitResult::Completed);
      SplitFields f;
      f.file = in;
      f.create = create;
      char text[32];
      std::snprintf(text, sizeof text, "%.3f", (plan.splitFrame - 0.5) * 0.04);
      f.seconds = text;
      std::snprintf(text, sizeof text, "%g", overlap);
      f.overlap = text;
      auto timed = RunSplitJob(f);
      ASSERT_EQ(timed->result, 0) << timed->message();
      EXPECT_TRUE(ReadBytes(dir + "in-1.avi") == sized[0]);
      EXPECT_TRUE(ReadBytes(dir + "in-2.avi") == sized[1]);
      std::remove((dir + "in-1.avi").c_str());
      std::remove((dir + "in-2.avi").c_str());
    }
  }
}

TEST(SizeSplit, RefusalsTellWhyBeforeTheJobsError) {
  const std::string dir = FreshDir("size_refusals");
  const std::string in = dir + "in.avi";
  const Bytes bytes = BuildAvi(Clip());
  ASSERT_TRUE(WriteFile(in, bytes));
  const auto sizes = FirstFileSizes(in);
  struct Case {
    double megabytes;
    int32_t code;
    const char* english;
    const char* japanese;
  } cases[] = {
      {double(bytes.size()) / kBytesPerMegabyte, 30, "File already fits in [File size]",
       "ファイルは既に「サイズ指定」値以内です"},
      {100, 30, "File already fits in [File size]", "ファイルは既に「サイズ指定」値以内です"},
      {double(sizes[0].second - 1) / kBytesPerMegabyte, 31, "[File size] is too small",
       "「サイズ指定」値が小さすぎます"},
      {0, 32, "[File size] bad value", "「サイズ指定」入力値に誤りがあります"},
  };
  for (const Case& c : cases) {
    for (bool english : {true, false}) {
      SCOPED_TRACE(c.english);
      int32_t code = -99;
      auto run = SizeSplit(in, c.megabytes, 2, CreateMode::Both, english, &code);
      EXPECT_EQ(code, c.code);
      EXPECT_EQ(run->result, -3);
      ASSERT_EQ(run->host.messages.size(), 2u);
      EXPECT_EQ(run->host.messages[0], english ? c.english : c.japanese);
      EXPECT_EQ(run->host.messages[1], english ? "Error" : "エラー");
      EXPECT_FALSE(Exists(dir + "in-1.avi"));
      EXPECT_FALSE(Exists(dir + "in-2.avi"));
    }
  }
  // One byte less than the file: split.
  int32_t code = -99;
  SizeSplit(in, double(bytes.size() - 1) / kBytesPerMegabyte, 0, CreateMode::Both, true, &code);
  EXPECT_EQ(code, 0);
}

namespace {

// A size split of 1.5 MB of the clip, written as in.avi into dir.
SplitFields ClipBySize(const std::string& dir) {
  SplitFields f;
  f.file = dir + "in.avi";
  f.bySize = true;
  f.sizeMb = "1.5";
  EXPECT_TRUE(WriteFile(f.file, BuildAvi(Clip())));
  return f;
}

}  // namespace

TEST(SizeSplit, CancelWhileWritingLeavesNoOutput) {
  const std::string dir = FreshDir("size_cancel");
  SplitFields f = ClipBySize(dir);
  auto run = RunSplitJob(f, [&](JobRun& r) {
    r.host.doPluginWork = true;
    r.host.onProgress = [&r](const char*, int cells) {
      if (cells >= 50) r.host.cancelRequested.store(-2);
    };
  });
  EXPECT_TRUE(run->host.pluginDone.cancelled);
  EXPECT_TRUE(run->host.messages.empty()) << "a cancel shows no message; the host reports it";
  EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"in.avi"});
  EXPECT_FALSE(Exists(dir + "in-1.avi"));
  EXPECT_FALSE(Exists(dir + "in-2.avi"));
}

// A host that hands the size split to no one (the command line) gets the
// core's own: the same files, result and messages as the window's plug-in.
TEST(SizeSplit, WithoutAStepTheJobSplitsBySizeItself) {
  const std::string dir = FreshDir("size_own");
  SplitFields f = ClipBySize(dir);
  f.overlap = "2";
  auto handed = RunSplitJob(f, [](JobRun& r) { r.host.doPluginWork = true; });
  ASSERT_EQ(handed->result, -3);
  const Bytes first = ReadBytes(dir + "in-1.avi"), second = ReadBytes(dir + "in-2.avi");
  ASSERT_FALSE(first.empty());
  ASSERT_EQ(std::remove((dir + "in-1.avi").c_str()), 0);
  ASSERT_EQ(std::remove((dir + "in-2.avi").c_str()), 0);

  NativeSink host;
  const SplitOutcome own = SplitJob(RequestOf(f), host);
  EXPECT_EQ(own.result, SplitResult::SizeSplitCompleted);
  EXPECT_EQ(own.Number(), -3);
  EXPECT_EQ(host.messages, handed->host.messages);
  EXPECT_TRUE(own.wroteFirst && own.wroteSecond);
  EXPECT_EQ(own.figures.firstBytes, first.size());
  EXPECT_EQ(ReadBytes(dir + "in-1.avi"), first);
  EXPECT_EQ(ReadBytes(dir + "in-2.avi"), second);

  // A host that cannot split by size ends so, without a message.
  TestHost none;
  EXPECT_EQ(SplitJob(RequestOf(f), none, none.SizeSplit()).result, SplitResult::SizeSplitUnavailable);
  EXPECT_TRUE(none.messages.empty());
}
