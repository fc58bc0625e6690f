// The merge job end to end on files: every check and message in both
// languages, the box owners, progress, cancel results, the plug-in hand-over
// and the joined name.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "merge/merge_texts.h"
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
    EXPECT_FALSE(run->state->inputFile.IsOpen());
    EXPECT_FALSE(run->state->secondInputFile.IsOpen());
  }
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

// A host whose field reads and plug-in call the test controls.
struct ScriptedHost {
  NativeHost native;
  std::vector<std::string> secondFieldReads;  // successive answers for field 154
  int secondReads = 0;
  bool pluginPresent = false;
  int32_t pluginResult = 0;
  std::vector<std::pair<int32_t, int32_t>> pluginCalls;
  JobState* state = nullptr;
  bool cancelInPlugin = false;

  static ScriptedHost& Of(void* c) { return *static_cast<ScriptedHost*>(c); }
  static void Progress(void* c, const char* text, int cells) {
    Of(c).native.lastStatus = text;
    Of(c).native.progressCells.push_back(cells);
    if (Of(c).native.onProgress) Of(c).native.onProgress(text, cells);
  }
  static void Box(void* c, const char* text, MessageOwner owner) {
    Of(c).native.messages.push_back(text);
    Of(c).native.messageOwners.push_back(owner);
  }
  static void Field(void* c, int id, char* buffer) {
    ScriptedHost& h = Of(c);
    std::string text = h.native.fields[id];
    if (id == IDC_MERGE_FILE2 && h.secondReads < int(h.secondFieldReads.size()))
      text = h.secondFieldReads[size_t(h.secondReads++)];
    std::snprintf(buffer, kPathBytes, "%s", text.c_str());
  }
  static bool Checked(void*, int) { return false; }
  static bool Plugin(void* c, int32_t a, int32_t b, int32_t* result) {
    ScriptedHost& h = Of(c);
    h.pluginCalls.push_back({a, b});
    if (h.cancelInPlugin) h.state->cancelRequested = -2;
    if (!h.pluginPresent) return false;
    *result = h.pluginResult;
    return true;
  }
  void Attach(JobState& s) {
    state = &s;
    s.host = JobHost{this, Progress, Box, Field, Checked, Plugin};
  }
};

struct ScriptedRun {
  std::unique_ptr<JobState> state = std::make_unique<JobState>();
  ScriptedHost host;
  int32_t Run(const std::string& first, const std::string& second, int englishUi = 1) {
    host.Attach(*state);
    state->englishUi = englishUi;
    state->analysis = AviAnalysis{};
    ResetAnalysis(state->analysis);
    host.native.fields[IDC_MERGE_FILE1] = first;
    host.native.fields[IDC_MERGE_FILE2] = second;
    return MergeJob(*state);
  }
};

}  // namespace

TEST(MergeJob, InputCheckMessagesInOrder) {
  PairFiles pair = WritePair();
  const std::string missing = TempPath("no-such-file.avi");
  const std::string huge = HugeFile("huge.avi");
  ExpectMessage(missing, pair.second, -6, "AVI File 1st not open", "「結合元ファイル１」が開けません");
  ExpectMessage(missing, missing, -6, "AVI File 1st not open", "「結合元ファイル１」が開けません");
  ExpectMessage(testing::TempDir(), pair.second, -6, "AVI File 1st not open",
                "「結合元ファイル１」が開けません");
  ExpectMessage(huge, missing, -7, "AVI File 1st size is too large",
                "「結合元ファイル１」のサイズが大きすぎます");
  ExpectMessage(pair.first, missing, -1, "AVI File 2nd not open", "「結合元ファイル２」が開けません");
  ExpectMessage(pair.first, "", -1, "AVI File 2nd not open", "「結合元ファイル２」が開けません");
  ExpectMessage(pair.first, huge, -2, "AVI File 2nd size is too large",
                "「結合元ファイル２」のサイズが大きすぎます");
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
  ExpectMessage(WriteTemp("noindex.avi", BuildAvi(unindexed)), pair.second, 5, "Avi File???",
                "未対応のファイルです");
  // movi lists at different offsets: code 8.
  AviLayout shifted = FrameRange(SimpleClip(300, 10), 0, 200);
  shifted.junkAfterHeader = "padding!";
  ExpectMessage(WriteTemp("shifted.avi", BuildAvi(shifted)), pair.second, 8,
                "Can't Merge (Structure is different)", "構造が異なるので結合できません");
  // A different frame rate (dwRate of stream 0): code 11.
  AviLayout faster = FrameRange(SimpleClip(300, 10), 0, 200);
  faster.streams[0].rate = 30;
  ExpectMessage(WriteTemp("faster.avi", BuildAvi(faster)), pair.second, 11,
                "Can't Merge (Structure is different)", "構造が異なるので結合できません");
}

TEST(MergeJob, SuccessShowsTheSummaryAndNamesTheJoinedFile) {
  PairFiles pair = WritePair("clip-1.AVI", "clip-2.avi");
  for (int englishUi : {1, 0}) {
    ScriptedRun run;
    EXPECT_EQ(run.Run(pair.first, pair.second, englishUi), 0);
    ASSERT_EQ(run.host.native.messages.size(), 1u);
    EXPECT_EQ(run.host.native.messages[0],
              englishUi ? "Merge O.K.\n\nFile Size 2.22MB\nTime 0min12.0sec\n(Overlap 1.2sec)"
                        : "結合可能\n\n結合後サイズ 2.22MB\n結合後時間 0分12.0秒\n（ｵｰﾊﾞｰﾗｯﾌﾟ 1.2秒）");
    EXPECT_EQ(run.host.native.messageOwners[0], MessageOwner::ProgressWindow);
    EXPECT_EQ(std::string(run.state->inputPath), TempPath("clip-m.avi"));
    // The plug-in was asked with the mode and the whole window seconds.
    ASSERT_EQ(run.host.pluginCalls.size(), 1u);
    EXPECT_EQ(run.host.pluginCalls[0], std::make_pair(1, 60));
    // Bar: 0, the second's walk below 5, 5, the first's walk up to 10; no more.
    const std::vector<int>& cells = run.host.native.progressCells;
    auto five = std::find(cells.begin(), cells.end(), 5);
    ASSERT_NE(five, cells.end());
    EXPECT_EQ(cells.front(), 0);
    for (auto c = cells.begin(); c != five; ++c) EXPECT_LT(*c, 5);
    for (auto c = five + 1; c != cells.end(); ++c) EXPECT_TRUE(*c > 5 && *c <= 10) << *c;
    EXPECT_EQ(run.host.native.lastStatus, englishUi ? "File1 Analyzing" : "ファイル１解析中");
    EXPECT_FALSE(run.state->inputFile.IsOpen());
  }
}

TEST(MergeJob, PluginCompletingTheMergeReportsCompleted) {
  PairFiles pair = WritePair();
  for (int englishUi : {1, 0}) {
    ScriptedRun run;
    run.host.pluginPresent = true;
    run.host.pluginResult = 0;
    EXPECT_EQ(run.Run(pair.first, pair.second, englishUi), 0);
    ASSERT_EQ(run.host.native.messages.size(), 1u);
    EXPECT_EQ(run.host.native.messages[0], englishUi ? "Completed" : "操作完了");
  }
  ScriptedRun failing;
  failing.host.pluginPresent = true;
  failing.host.pluginResult = 7;
  EXPECT_EQ(failing.Run(pair.first, pair.second), 0);
  ASSERT_EQ(failing.host.native.messages.size(), 1u);
  EXPECT_EQ(failing.host.native.messages[0].rfind("Merge O.K.\n", 0), 0u);
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
  EXPECT_STREQ(run->state->inputPath, "x-m.avi");
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
  ScriptedRun early;
  early.host.native.onProgress = [&](const char*, int) { early.state->cancelRequested = -2; };
  EXPECT_EQ(early.Run(pair.first, pair.second), 0);
  EXPECT_TRUE(early.host.native.messages.empty());
  EXPECT_EQ(early.host.native.progressCells, std::vector<int>{0});

  // Cancel while the second input is walked.
  ScriptedRun run;
  run.host.native.onProgress = [&](const char*, int cells) {
    if (cells > 0 && cells < 5) run.state->cancelRequested = -2;
  };
  EXPECT_EQ(run.Run(pair.first, pair.second), 0);
  EXPECT_TRUE(run.host.native.messages.empty());
  // The status line first changes to the first input, the bar to 5 cells.
  EXPECT_EQ(run.host.native.lastStatus, "File1 Analyzing");
  EXPECT_EQ(run.host.native.progressCells.back(), 5);
  EXPECT_TRUE(run.host.pluginCalls.empty());
  EXPECT_FALSE(run.state->inputFile.IsOpen());
  EXPECT_FALSE(run.state->secondInputFile.IsOpen());

  // Cancel during the first input's walk: still before the engine, and the
  // part-walked file is not reported as unsupported.
  ScriptedRun late;
  late.host.native.onProgress = [&](const char*, int cells) {
    if (cells > 5) late.state->cancelRequested = -2;
  };
  EXPECT_EQ(late.Run(pair.first, pair.second), 0);
  EXPECT_TRUE(late.host.native.messages.empty());
  EXPECT_TRUE(late.host.pluginCalls.empty());
}

TEST(MergeJob, CancelWhileTheEngineRunsReturnsMinusOne) {
  PairFiles pair = WritePair();
  ScriptedRun run;
  run.host.cancelInPlugin = true;
  EXPECT_EQ(run.Run(pair.first, pair.second), -1);
  EXPECT_TRUE(run.host.native.messages.empty());
  EXPECT_FALSE(run.state->inputFile.IsOpen());
}

TEST(MergeJob, SecondInputGoneBeforeItIsOpenedForReading) {
  PairFiles pair = WritePair();
  for (int englishUi : {1, 0}) {
    ScriptedRun run;
    run.host.secondFieldReads = {pair.second, TempPath("vanished.avi")};
    EXPECT_EQ(run.Run(pair.first, pair.second, englishUi), -1);
    ASSERT_EQ(run.host.native.messages.size(), 1u);
    EXPECT_EQ(run.host.native.messages[0],
              englishUi ? "AVI File 2nd not open" : "「結合元ファイル２」が開けません");
    EXPECT_TRUE(run.host.native.progressCells.empty());  // nothing further ran
    EXPECT_FALSE(run.state->inputFile.IsOpen());
  }
}

TEST(MergeJob, EngineTextsForItsResults) {
  // 300 and 301 come from the engine; any other code shows "Error".
  EXPECT_STREQ(MergeString(MergeText::Error, 1), "Error");
  EXPECT_STREQ(MergeString(MergeText::Error, 0), "エラー");
  EXPECT_STREQ(MergeString(MergeText::Completed, 0), "操作完了");
}
