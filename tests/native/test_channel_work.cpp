// What TavrinD.dll does behind "TestFunc", run natively through a channel
// record as Tavrin.exe fills it: the size split and the joined file, reports
// and messages through the channel, unknown records refused.
#include <gtest/gtest.h>

#include "app/channel_work.h"
#include "tests/native/test_merge_support.h"
#include "tests/native/test_split_support.h"

using avitest::Bytes;

namespace {

// The program's side: what the DLL reported.
struct Dialog {
  std::vector<int> cells;
  std::vector<std::string> messages;
  int cancelAtCells = 1000;
  int commitsAsked = 0;
  bool cancelBeforeCommit = false;  // Cancel pressed just before the move: refused
  bool cancelAtCommit = false;      // Cancel pressed as the move begins: too late
};

TavrinChannel Channel(Dialog& dialog, int32_t job) {
  TavrinChannel c{};
  c.size = sizeof c;
  c.version = TAVRIN_CHANNEL_VERSION;
  c.job = job;
  c.englishUi = 1;
  c.host = &dialog;
  c.status = [](void* host, const char*, int32_t cells) { static_cast<Dialog*>(host)->cells.push_back(cells); };
  c.progress = [](void* host, int32_t cells) { static_cast<Dialog*>(host)->cells.push_back(cells); };
  c.cancelled = [](void* host) -> int32_t {
    Dialog& d = *static_cast<Dialog*>(host);
    return !d.cells.empty() && d.cells.back() >= d.cancelAtCells;
  };
  c.message = [](void* host, const char* text) { static_cast<Dialog*>(host)->messages.push_back(text); };
  c.beginCommit = [](void* host) -> int32_t {
    Dialog& d = *static_cast<Dialog*>(host);
    ++d.commitsAsked;
    if (d.cancelAtCommit) d.cancelAtCells = -1;  // from now on cancelled() says yes
    return d.cancelBeforeCommit ? 0 : 1;
  };
  return c;
}

}  // namespace

TEST(ChannelWork, SplitsBySizeAndJoinsTheParts) {
  const std::string dir = splittest::FreshDir("channel");
  avitest::AviLayout clip = avitest::SimpleClip(600, 12, 7056);
  clip.streams[1].suggestedBufferSize = 7056;
  const Bytes original = avitest::BuildAvi(clip);
  ASSERT_TRUE(avitest::WriteFile(dir + "in.avi", original));
  const std::string input = dir + "in.avi", first = dir + "in-1.avi", second = dir + "in-2.avi";

  Dialog dialog;
  TavrinChannel split = Channel(dialog, TAVRIN_JOB_SIZE_SPLIT);
  split.input = input.c_str();
  split.sizeMegabytes = "2.5";
  split.overlap = "3";
  split.createMode = 3;
  ASSERT_EQ(RunChannelWork(split), 0) << (dialog.messages.empty() ? "" : dialog.messages.back());
  EXPECT_LE(splittest::ReadBytes(first).size(), 2.5 * 1048576);
  EXPECT_GT(dialog.cells.size(), 3u);
  EXPECT_TRUE(dialog.messages.empty());

  Dialog joining;
  TavrinChannel join = Channel(joining, TAVRIN_JOB_JOIN);
  const std::string joined = dir + "in-m.avi";
  join.firstInput = first.c_str();
  join.secondInput = second.c_str();
  join.joinedPath = joined.c_str();
  ASSERT_EQ(RunChannelWork(join), 0) << (joining.messages.empty() ? "" : joining.messages.back());
  EXPECT_EQ(joining.cells.back(), 100);
  // The crafted file's chunks come back whole: the same chunks, the same index.
  splittest::OutputLayout got, want;
  splittest::CheckOutput(splittest::ReadBytes(joined), &got);
  splittest::CheckOutput(original, &want);
  EXPECT_TRUE(got.chunkData == want.chunkData);

  // The joined name may not be an input; a cancel leaves nothing.
  Dialog refused;
  TavrinChannel over = Channel(refused, TAVRIN_JOB_JOIN);
  over.firstInput = first.c_str();
  over.secondInput = second.c_str();
  over.joinedPath = second.c_str();
  EXPECT_EQ(RunChannelWork(over), 1);
  ASSERT_EQ(refused.messages.size(), 1u);
  EXPECT_EQ(refused.messages[0], "Can't Create File (the joined file would replace an input file)");
  std::remove(joined.c_str());
  Dialog cancelled;
  cancelled.cancelAtCells = 50;
  TavrinChannel stop = Channel(cancelled, TAVRIN_JOB_JOIN);
  stop.firstInput = first.c_str();
  stop.secondInput = second.c_str();
  stop.joinedPath = joined.c_str();
  EXPECT_EQ(RunChannelWork(stop), 1);
  EXPECT_TRUE(cancelled.messages.empty());
  EXPECT_EQ(splittest::FilesIn(dir), (std::vector<std::string>{"in-1.avi", "in-2.avi", "in.avi"}));
}

// The program decides once whether a Cancel stops the move of the joined
// file; one pressed after that is too late and the file is written.
TEST(ChannelWork, TheProgramDecidesWhetherACancelCameBeforeTheMove) {
  const std::string dir = splittest::FreshDir("channel_commit");
  avitest::AviLayout clip = avitest::SimpleClip(300, 12, 7056);
  clip.streams[1].suggestedBufferSize = 7056;
  ASSERT_TRUE(avitest::WriteFile(dir + "in.avi", avitest::BuildAvi(clip)));
  const std::string input = dir + "in.avi", first = dir + "in-1.avi", second = dir + "in-2.avi";
  Dialog splitting;
  TavrinChannel split = Channel(splitting, TAVRIN_JOB_SIZE_SPLIT);
  split.input = input.c_str();
  split.sizeMegabytes = "1";
  split.overlap = "2";
  split.createMode = 3;
  ASSERT_EQ(RunChannelWork(split), 0);
  EXPECT_EQ(splitting.commitsAsked, 1);

  const std::string joined = dir + "in-m.avi";
  for (bool before : {true, false}) {
    Dialog dialog;
    (before ? dialog.cancelBeforeCommit : dialog.cancelAtCommit) = true;
    TavrinChannel join = Channel(dialog, TAVRIN_JOB_JOIN);
    join.firstInput = first.c_str();
    join.secondInput = second.c_str();
    join.joinedPath = joined.c_str();
    EXPECT_EQ(RunChannelWork(join), before ? 1 : 0) << before;
    EXPECT_EQ(dialog.commitsAsked, 1);
    EXPECT_EQ(splittest::Exists(joined), !before);
    EXPECT_EQ(splittest::FilesIn(dir).size(), before ? 3u : 4u) << "no temporary file left";
  }
}

TEST(ChannelWork, UnknownRecordsAreRefused) {
  Dialog dialog;
  TavrinChannel c = Channel(dialog, TAVRIN_JOB_SIZE_SPLIT);
  c.version = TAVRIN_CHANNEL_VERSION + 1;
  EXPECT_EQ(RunChannelWork(c), 1);
  c = Channel(dialog, TAVRIN_JOB_SIZE_SPLIT);
  c.size = sizeof c - 4;
  EXPECT_EQ(RunChannelWork(c), 1);
  c = Channel(dialog, 7);
  EXPECT_EQ(RunChannelWork(c), 1);
  EXPECT_TRUE(dialog.messages.empty());
}
