// The merge job end to end on files: every check and message in both
// languages, the box owners, progress, cancel results, the plug-in hand-over
// and the joined name.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <algorithm>
#include <future>
#include <thread>

#include "merge/merge_result.h"
#include "tests/native/odml_builder.h"
#include "tests/native/test_merge_support.h"

using namespace mergetest;
using avitest::SimpleClip;

namespace {

struct Message {
  int32_t result;
  const char* english;
  const char* japanese;
};

// A valid pair on disk: the two outputs of a split of 300 frames (25 fps,
// PCM audio in one 40 ms chunk per frame) at 200 with 30 frames overlap.
struct PairFiles {
  std::string first, second;
};

Pair PairBytes() { return SplitPair(SimpleClip(300, 10, 7056), 200, 170, 300); }

PairFiles WritePair(const std::string& firstName = "pair-1.avi", const std::string& secondName = "pair-2.avi") {
  Pair pair = PairBytes();
  return {WriteTemp(firstName, pair.first), WriteTemp(secondName, pair.second)};
}

// Runs the job in both languages and checks result, message and owner.
void ExpectMessage(const std::string& first, const std::string& second, int32_t result,
                   const char* english, const char* japanese,
                   MessageOwner owner = MessageOwner::ProgressWindow) {
  for (int englishUi : {1, 0}) {
    auto run = RunJob(first, second, englishUi);
    EXPECT_EQ(run->result, result) << english;
    ASSERT_EQ(run->host.messages.size(), 1u) << english;
    EXPECT_EQ(run->host.messages[0], englishUi ? english : japanese);
    EXPECT_EQ(run->host.messageOwners[0], owner) << english;
  }
}

// A pair whose first input takes a while to walk (27,900 chunks) and whose
// second is short (100 frames), as a split near the end leaves them.
PairFiles WriteLongFirstPair() {
  Pair pair = SplitPair(SimpleClip(14000, 25, 40), 13950, 13900, 14000);
  return {WriteTemp("long-1.avi", pair.first), WriteTemp("long-2.avi", pair.second)};
}

// An OpenDML file whose second RIFF list is cut short: its indexes are
// refused before it is walked.
std::string WriteBrokenOdml() {
  const avitest::BuiltOdml odml = avitest::BuildOdml(avitest::FfmpegLike(SimpleClip(60, 12, 1764), {48}));
  Bytes cut = odml.bytes;
  cut.resize(odml.riffs[1] + 400);
  return WriteTemp("cut-odml.avi", cut);
}

// A sparse file of exactly 2 GiB.
std::string HugeFile(const std::string& name) {
  std::string path = TempPath(name);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  EXPECT_TRUE(f);
  if (f) {
    EXPECT_EQ(ftruncate(fileno(f), 0x80000000LL), 0);
    std::fclose(f);
  }
  return path;
}

// A run whose plug-in stand-in is present and answers pluginResult.
std::unique_ptr<JobRun> RunWithPlugin(const PairFiles& pair, int englishUi, int32_t pluginResult) {
  return RunJob(pair.first, pair.second, englishUi, [pluginResult](JobRun& r) {
    r.host.pluginPresent = true;
    r.host.pluginResult = pluginResult;
  });
}

}  // namespace

TEST(MergeJob, InputCheckMessagesInOrder) {
  PairFiles pair = WritePair();
  const std::string missing = TempPath("no-such-file.avi");
  const std::string huge = HugeFile("huge.avi");
  ExpectMessage(missing, pair.second, -6, "AVI File 1st not open", "「結合元ファイル１」が開けません");
  ExpectMessage(missing, missing, -6, "AVI File 1st not open", "「結合元ファイル１」が開けません");
  ExpectMessage(testing::TempDir(), pair.second, -6, "AVI File 1st not open",
                "「結合元ファイル１」が開けません");
  // Size is no reason to refuse: a 2 GiB input is looked at like any other.
  ExpectMessage(huge, missing, -1, "AVI File 2nd not open", "「結合元ファイル２」が開けません");
  ExpectMessage(pair.first, missing, -1, "AVI File 2nd not open", "「結合元ファイル２」が開けません");
  ExpectMessage(pair.first, "", -1, "AVI File 2nd not open", "「結合元ファイル２」が開けません");
  ExpectMessage(pair.first, huge, -5, "Avi File?", "ファイル２の解析に失敗しました");
  std::remove(huge.c_str());
}

TEST(MergeJob, NotRiffMessagesNameTheFileAndTheSecondComesFirst) {
  PairFiles pair = WritePair();
  const std::string text = WriteTemp("text.avi", Bytes{'R', 'I', 'F', 'X', 0, 0, 0, 0});
  const std::string empty = TempPath("empty.avi");
  std::fclose(std::fopen(empty.c_str(), "wb"));
  ExpectMessage(pair.first, text, -5, "Avi File?", "ファイル２の解析に失敗しました");
  ExpectMessage(text, text, -5, "Avi File?", "ファイル２の解析に失敗しました");
  ExpectMessage(pair.first, empty, -5, "Avi File?", "ファイル２の解析に失敗しました");
  // The first input's box belongs to the main window.
  ExpectMessage(text, pair.second, -10, "Avi File?", "ファイル１の解析に失敗しました",
                MessageOwner::MainWindow);
}

TEST(MergeJob, StructureMessages) {
  PairFiles pair = WritePair();
  // No video stream: code 4.
  AviLayout audioOnly = SimpleClip(20, 10);
  audioOnly.streams[0].type = "txts";
  const std::string noVideo = WriteTemp("novideo.avi", BuildAvi(audioOnly));
  ExpectMessage(noVideo, noVideo, 4, "Avi File???", "未対応のファイルです");
  // No index in the first: code 5.
  AviLayout unindexed = FrameRange(SimpleClip(300, 10), 0, 200);
  unindexed.writeIndex = false;
  // ... which the message names, with what a repair would keep.
  ExpectMessage(WriteTemp("noindex.avi", BuildAvi(unindexed)), pair.second, 5,
                "Avi File???\n\nAVI File 1st: It has no index (no idx1, no ix##).\n`tavrin repair` (or Repair in "
                "the window) can rebuild it: the repaired file would keep 200 frames (8.000 s) in 400 chunks.",
                "未対応のファイルです\n\n結合元ファイル１：インデックス（idx1、ix##）がありません。\n修復（`tavrin "
                "repair` またはウィンドウの「修復」）で作り直せます。修復後のファイルには 200 フレーム（8.000 秒）、400 "
                "チャンクが残ります。");
  // movi lists at different offsets: code 8. The streams are of one format,
  // so the message adds that the files can be joined instead.
  AviLayout shifted = FrameRange(SimpleClip(300, 10), 0, 200);
  shifted.junkAfterHeader = "padding!";
  const std::string joinEnglish = std::string("Can't Merge (Structure is different)\n\n") + kMergeCanJoinInstead.english;
  const std::string joinJapanese = std::string("構造が異なるので結合できません\n\n") + kMergeCanJoinInstead.japanese;
  ExpectMessage(WriteTemp("shifted.avi", BuildAvi(shifted)), pair.second, 8, joinEnglish.c_str(),
                joinJapanese.c_str());
  // A different frame rate (dwRate of stream 0): code 11.
  AviLayout faster = FrameRange(SimpleClip(300, 10), 0, 200);
  faster.streams[0].rate = 30;
  ExpectMessage(WriteTemp("faster.avi", BuildAvi(faster)), pair.second, 11,
                "Can't Merge (Structure is different)", "構造が異なるので結合できません");
}

TEST(MergeJob, SuccessShowsTheSummaryAndNamesTheJoinedFile) {
  PairFiles pair = WritePair("clip-1.AVI", "clip-2.avi");
  for (int englishUi : {1, 0}) {
    auto run = RunWithPlugin(pair, englishUi, 1);  // present, but not completing
    EXPECT_EQ(run->result, 0);
    ASSERT_EQ(run->host.messages.size(), 1u);
    EXPECT_EQ(run->host.messages[0],
              englishUi ? "Merge O.K.\n\nFile Size 2.22MB\nTime 0min12.0sec\n(Overlap 1.2sec)"
                        : "結合可能\n\n結合後サイズ 2.22MB\n結合後時間 0分12.0秒\n（ｵｰﾊﾞｰﾗｯﾌﾟ 1.2秒）");
    EXPECT_EQ(run->outcome.message, run->host.messages[0]);
    EXPECT_EQ(run->host.messageOwners[0], MessageOwner::ProgressWindow);
    EXPECT_EQ(run->outcome.mergedName, TempPath("clip-m.avi"));
    // The plug-in was asked with the mode and the whole window seconds.
    ASSERT_EQ(run->host.pluginCalls.size(), 1u);
    EXPECT_EQ(run->host.pluginCalls[0], std::make_pair(1, 60));
    // Bar: 0, the second's walk below 5, 5, the first's walk up to 10; no more.
    const std::vector<int>& cells = run->host.progressCells;
    auto five = std::find(cells.begin(), cells.end(), 5);
    ASSERT_NE(five, cells.end());
    EXPECT_EQ(cells.front(), 0);
    for (auto c = cells.begin(); c != five; ++c) EXPECT_LT(*c, 5);
    for (auto c = five + 1; c != cells.end(); ++c) EXPECT_TRUE(*c > 5 && *c <= 10) << *c;
    EXPECT_EQ(run->host.lastStatus, englishUi ? "File1 Analyzing" : "ファイル１解析中");
  }
}

TEST(MergeJob, PluginCompletingTheMergeReportsCompleted) {
  PairFiles pair = WritePair();
  for (int englishUi : {1, 0}) {
    auto run = RunWithPlugin(pair, englishUi, 0);
    EXPECT_EQ(run->result, 0);
    ASSERT_EQ(run->host.messages.size(), 1u);
    EXPECT_EQ(run->host.messages[0], englishUi ? "Completed" : "操作完了");
  }
  auto failing = RunWithPlugin(pair, 1, 7);
  EXPECT_EQ(failing->result, 0);
  ASSERT_EQ(failing->host.messages.size(), 1u);
  EXPECT_EQ(failing->host.messages[0].rfind("Merge O.K.\n", 0), 0u);
}

TEST(MergeJob, NameMessages) {
  PairFiles pair = WritePair();
  char cwd[4096];
  ASSERT_TRUE(getcwd(cwd, sizeof cwd));
  std::string dir = TempPath("names");
  mkdir(dir.c_str(), 0755);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  Pair bytes = PairBytes();
  ASSERT_TRUE(avitest::WriteFile("a.av", bytes.first));
  ASSERT_TRUE(avitest::WriteFile("x.avi", bytes.first));
  ExpectMessage("a.av", pair.second, 300, "Avi File???", "結合元ファイル名が不適切です");
  auto run = RunJob("x.avi", pair.second);
  EXPECT_EQ(run->result, 0);
  EXPECT_EQ(run->outcome.mergedName, "x-m.avi");
  ASSERT_EQ(chdir(cwd), 0);

  // 258 characters with ".avi": 254 + "-m.avi" does not fit in 260 bytes.
  std::string deep = TempPath("n301/");
  mkdir(deep.c_str(), 0755);
  std::string name(258 - deep.size() - 4, 'n');
  std::string longPath = deep + name + ".avi";
  ASSERT_EQ(longPath.size(), 258u);
  ASSERT_TRUE(avitest::WriteFile(longPath, bytes.first));
  ExpectMessage(longPath, pair.second, 301, "Can't Create save file name", "結合ファイル名を作成できません");
  // One character less fits.
  std::string fits = deep + name.substr(1) + ".avi";
  ASSERT_TRUE(avitest::WriteFile(fits, bytes.first));
  EXPECT_EQ(RunJob(fits, pair.second)->result, 0);
}

TEST(MergeJob, CancelBeforeTheEngineReturnsZeroWithoutAMessage) {
  PairFiles pair = WritePair();
  // Cancel as the job starts: it ends before any walk.
  auto early = RunJob(pair.first, pair.second, 1, [](JobRun& r) {
    NativeSink* sink = &r.host;
    r.host.onProgress = [sink](const char*, int) { sink->cancelRequested = -2; };
  });
  EXPECT_EQ(early->result, 0);
  EXPECT_EQ(early->outcome.result, MergeResult::Cancelled);
  EXPECT_TRUE(early->host.messages.empty());
  EXPECT_EQ(early->host.progressCells, std::vector<int>{0});

  // Cancel while the second input is walked.
  auto run = RunJob(pair.first, pair.second, 1, [](JobRun& r) {
    NativeSink* sink = &r.host;
    r.host.onProgress = [sink](const char*, int cells) {
      if (cells > 0 && cells < 5) sink->cancelRequested = -2;
    };
  });
  EXPECT_EQ(run->result, 0);
  EXPECT_TRUE(run->host.messages.empty());
  // The status line first changes to the first input, the bar to 5 cells.
  EXPECT_EQ(run->host.lastStatus, "File1 Analyzing");
  EXPECT_EQ(run->host.progressCells.back(), 5);
  EXPECT_TRUE(run->host.pluginCalls.empty());

  // Cancel during the first input's walk: still before the engine, and the
  // part-walked file is not reported as unsupported.
  auto late = RunJob(pair.first, pair.second, 1, [](JobRun& r) {
    NativeSink* sink = &r.host;
    r.host.onProgress = [sink](const char*, int cells) {
      if (cells > 5) sink->cancelRequested = -2;
    };
  });
  EXPECT_EQ(late->result, 0);
  EXPECT_TRUE(late->host.messages.empty());
  EXPECT_TRUE(late->host.pluginCalls.empty());
}

TEST(MergeJob, CancelWhileTheEngineRunsReturnsMinusOne) {
  PairFiles pair = WritePair();
  auto run = RunJob(pair.first, pair.second, 1, [](JobRun& r) {
    r.host.pluginPresent = true;
    r.host.pluginResult = 1;
    r.host.onPlugin = [](NativeSink& sink) { sink.cancelRequested = -2; };
  });
  EXPECT_EQ(run->result, -1);
  EXPECT_EQ(run->outcome.result, MergeResult::Cancelled);
  EXPECT_TRUE(run->host.messages.empty());
}

TEST(MergeJob, FailuresNameTheFileAndTheReason) {
  PairFiles pair = WritePair();
  const std::string missing = TempPath("vanished.avi");
  auto run = RunJob(pair.first, missing);
  EXPECT_EQ(run->result, -1);
  EXPECT_EQ(run->message(), "AVI File 2nd not open");
  EXPECT_EQ(run->outcome.detail, missing + ": " + std::strerror(ENOENT));
  // What differs between two headers is said in words.
  AviLayout faster = FrameRange(SimpleClip(300, 10), 0, 200);
  faster.streams[0].rate = 30;
  auto differs = RunJob(WriteTemp("faster.avi", BuildAvi(faster)), pair.second);
  EXPECT_EQ(differs->result, 11);
  EXPECT_EQ(differs->outcome.structure.field, "strh dwRate");
  EXPECT_EQ(differs->outcome.structure.stream, 0);
  EXPECT_EQ(differs->outcome.structure.firstValue, 30u);
  EXPECT_EQ(differs->outcome.structure.secondValue, 25u);
  EXPECT_NE(differs->outcome.detail.find("strh dwRate of stream 0"), std::string::npos);
}

TEST(MergeJob, EveryResultHasItsNumberAndText) {
  EXPECT_EQ(MergeResultNumber(MergeResult::File1NotOpen, 0, false), -6);
  EXPECT_EQ(MergeResultNumber(MergeResult::StructureDiffers, 12, false), 12);
  EXPECT_EQ(MergeResultNumber(MergeResult::Cancelled, 0, false), 0);
  EXPECT_EQ(MergeResultNumber(MergeResult::Cancelled, 0, true), -1);
  EXPECT_EQ(MergeResultNumber(MergeResult::NoOutputName, 0, true), 301);
  EXPECT_EQ(MergeResultText(MergeResult::Completed), nullptr);
  EXPECT_EQ(MergeResultText(MergeResult::Cancelled), nullptr);
  EXPECT_STREQ(MergeResultText(MergeResult::BadSourceName)->japanese, "結合元ファイル名が不適切です");
  EXPECT_STREQ(kMergeJoinedWritten.japanese, "操作完了");
}

// The first input is analysed on a thread of its own while the second is;
// everything shown must be what analysing one after the other shows.
TEST(MergeJob, AnalysingBothInputsAtOnceShowsWhatOneAfterTheOtherShows) {
  const PairFiles pair = WritePair();
  const PairFiles longPair = WriteLongFirstPair();
  const std::string missing = TempPath("no-such-file.avi");
  const std::string text = WriteTemp("text.avi", Bytes{'R', 'I', 'F', 'X', 0, 0, 0, 0});
  const std::string brokenOdml = WriteBrokenOdml();
  const std::string odml = WriteTemp(
      "odml-1.avi", avitest::BuildOdml(avitest::FfmpegLike(FrameRange(SimpleClip(300, 10, 7056), 0, 200), {150})).bytes);
  AviLayout audioOnly = SimpleClip(20, 10);
  audioOnly.streams[0].type = "txts";
  const std::string noVideo = WriteTemp("novideo.avi", BuildAvi(audioOnly));
  AviLayout faster = FrameRange(SimpleClip(300, 10), 0, 200);
  faster.streams[0].rate = 30;
  const std::string fasterFile = WriteTemp("faster.avi", BuildAvi(faster));
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {pair.first, pair.second}, {pair.second, pair.first}, {longPair.first, longPair.second},
      {longPair.second, longPair.first}, {missing, pair.second}, {pair.first, missing},
      {text, pair.second}, {pair.first, text}, {text, text},
      // The second fails while the first is still being analysed.
      {longPair.first, brokenOdml}, {brokenOdml, pair.second}, {brokenOdml, brokenOdml},
      {text, brokenOdml}, {brokenOdml, text}, {odml, pair.second}, {pair.first, odml},
      {noVideo, noVideo}, {noVideo, pair.second}, {fasterFile, pair.second}, {pair.first, longPair.second}};
  for (const auto& p : pairs) ExpectSameWithAndWithoutThreads(p.first, p.second);
}

TEST(MergeJob, CancelAtEveryBarValueShowsWhatOneAfterTheOtherShows) {
  const PairFiles longPair = WriteLongFirstPair();
  const PairFiles pair = WritePair();
  const std::string odml = WriteTemp(
      "odml-1.avi", avitest::BuildOdml(avitest::FfmpegLike(FrameRange(SimpleClip(300, 10, 7056), 0, 200), {150})).bytes);
  for (const PairFiles& p : {longPair, PairFiles{longPair.second, longPair.first}, PairFiles{odml, pair.second}}) {
    for (int at = 0; at <= 10; ++at) {
      SCOPED_TRACE("cancel at " + std::to_string(at));
      ExpectSameWithAndWithoutThreads(p.first, p.second, [at](JobRun& r) {
        NativeSink* sink = &r.host;
        r.host.onProgress = [sink, at](const char*, int cells) {
          if (cells >= at) sink->cancelRequested = -2;
        };
      });
    }
  }
}

// Cancel set from another thread (as the window's Cancel button sets it)
// while the first input's analysis runs on its own: the job ends cancelled,
// showing no bar value after the one during which Cancel was pressed.
TEST(MergeJob, CancelFromAnotherThreadStopsTheFirstInputsAnalysis) {
  const PairFiles longPair = WriteLongFirstPair();
  std::promise<NativeSink*> pressed;
  std::promise<void> set;
  std::thread button([&pressed, &set] {
    if (NativeSink* sink = pressed.get_future().get()) sink->cancelRequested = -2;
    set.set_value();
  });
  bool told = false;
  auto run = RunJob(longPair.first, longPair.second, 1, [&](JobRun& r) {
    NativeSink* sink = &r.host;
    r.host.onProgress = [sink, &told, &pressed, &set](const char*, int cells) {
      if (!told && cells > 5) {  // the first input's first bar value
        told = true;
        pressed.set_value(sink);
        set.get_future().wait();
      }
    };
  });
  if (!told) pressed.set_value(nullptr);
  button.join();
  EXPECT_TRUE(told);
  EXPECT_EQ(run->outcome.result, MergeResult::Cancelled);
  EXPECT_EQ(run->result, 0);
  EXPECT_TRUE(run->host.messages.empty());
  ASSERT_FALSE(run->host.progressCells.empty());
  EXPECT_GT(run->host.progressCells.back(), 5);
  EXPECT_EQ(std::count_if(run->host.progressCells.begin(), run->host.progressCells.end(),
                          [](int c) { return c > 5; }),
            1);
}
