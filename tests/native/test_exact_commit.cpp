// The exact cut's check: every finished output is decoded across each of
// its seams, under its temporary name, before it is moved into place (no
// seam is tried before). A coder whose check of the finished file fails at
// one seam has that range cut on its key frame and the output written
// again, the result saying why; one file or a file per range; nothing is
// left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "codec/exact_codec.h"
#include "cut/cut_job.h"
#include "io/file_system.h"
#include "job/native_sink.h"
#include "tests/native/sample_list.h"

namespace {

// FFmpeg's coder, whose check of an output fails at the seam whose first
// frame made anew is failAt; with twoCoders its second coder (Another) does
// too, and records what it checks with the first's.
class OutputFaultCoder : public ExactCoder {
 public:
  ExactStream Open(const std::string& path, const AviAnalysis& analysis, const KeyFrameList& keys) override {
    return real_->Open(path, analysis, keys);
  }
  bool Reencode(uint32_t first, uint32_t end, uint32_t ckid, OutputStream& out, std::vector<SwappedChunk>* chunks,
                double* lowestPsnr, std::string* why) override {
    return real_->Reencode(first, end, ckid, out, chunks, lowestPsnr, why);
  }
  bool IsBFrame(uint32_t chunk) override { return real_->IsBFrame(chunk); }
  uint32_t OwnFrameBytes(uint32_t chunk) override { return real_->OwnFrameBytes(chunk); }
  bool CheckSeam(const std::string& output, const ExactSeam& seam, double* lowestPsnr, std::string* why) override {
    OutputFaultCoder& first = main_ ? *main_ : *this;
    {
      std::lock_guard<std::mutex> lock(first.mutex_);
      first.finished.push_back(seam);
      if (first.sink && first.finished.size() == 1) {
        first.barBeforeCheck = first.sink->progressCells;
        if (first.cancelInCheck) first.sink->cancelRequested = 1;
      }
      if (seam.srcFirst == first.failAt) return *why = "an injected fault", false;
    }
    return real_->CheckSeam(output, seam, lowestPsnr, why);
  }
  void Watch(ReencodeWatch* watch) override { real_->Watch(watch); }
  void CheckEnded() override { real_->CheckEnded(); }
  std::unique_ptr<ExactCoder> Another() override {
    if (!twoCoders) return nullptr;
    auto other = std::make_unique<OutputFaultCoder>();
    other->real_ = real_->Another();
    other->main_ = this;
    return other->real_ ? std::move(other) : nullptr;
  }

  uint32_t failAt = ~0u;
  bool twoCoders = false;
  std::vector<ExactSeam> finished;  // the seams checked, all in finished outputs
  // The job's sink: the bar as the first check began, and a cancel then.
  NativeSink* sink = nullptr;
  std::vector<int> barBeforeCheck;
  bool cancelInCheck = false;

 private:
  std::unique_ptr<ExactCoder> real_ = MakeExactCoder();
  OutputFaultCoder* main_ = nullptr;  // the coder this one is the second of
  std::mutex mutex_;
};

std::string Mpeg4Sample() {
  for (const avitest::Sample& s : avitest::Samples())
    if (s.file.find("ffmpeg_mpeg4_pcm_g12.avi") != std::string::npos) return s.file;
  return "";
}

std::vector<uint32_t> Sources(const std::vector<ExactSeam>& seams) {
  std::vector<uint32_t> firsts;
  for (const ExactSeam& s : seams) firsts.push_back(s.srcFirst);
  return firsts;
}

// Whatever the folder holds of the program's temporary files.
bool PartFilesIn(const std::string& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().filename().string().find("tavrin-part") != std::string::npos) return true;
  return false;
}

struct ExactRun {
  CutOutcome outcome;
  NativeSink sink;
};

void RunExact(const std::string& src, const std::string& output, bool separate, OutputFaultCoder& coder,
              ExactRun* run) {
  CutRequest request;
  request.path = src;
  // Frames 25 .. 49 and 75 .. 99 at 25 frames a second: neither starts on a
  // key frame (one every 12).
  request.keep = {"1-2", "3-4"};
  request.exact = true;
  request.separate = separate;
  request.output = output;
  request.coder = &coder;
  run->sink.englishUi = 1;
  coder.sink = &run->sink;
  run->outcome = CutJob(request, run->sink);
}

class ExactCommit : public ::testing::Test {
 protected:
  void SetUp() override {
    src_ = Mpeg4Sample();
    if (src_.empty()) GTEST_SKIP() << "no sample ffmpeg_mpeg4_pcm_g12.avi (TAVRIN_SAMPLES)";
    dir_ = ::testing::TempDir();
  }
  std::string src_, dir_;
};

TEST_F(ExactCommit, EverySeamOfEveryOutputIsCheckedInTheFinishedFile) {
  for (const bool separate : {false, true}) {
    OutputFaultCoder coder;
    ExactRun run;
    RunExact(src_, dir_ + (separate ? "part.avi" : "cut.avi"), separate, coder, &run);
    ASSERT_EQ(run.outcome.result, CutResult::Completed) << run.outcome.message;
    ASSERT_EQ(Sources(coder.finished), (std::vector<uint32_t>{25, 75}));
    // One file: the second range from its 26th frame in it.
    EXPECT_EQ(coder.finished[1].outFirst, separate ? 0u : 25u);
    for (const ExactSeam& s : coder.finished) {
      EXPECT_GT(s.reencoded, 0u);
      EXPECT_EQ(s.copied, 12u);  // twelve copied frames after the seam
    }
    for (const CutRangeFigures& r : run.outcome.ranges) EXPECT_TRUE(r.exact);
    EXPECT_FALSE(PartFilesIn(dir_));
  }
}

TEST_F(ExactCommit, ASeamThatFailsInTheFinishedFileIsCutOnItsKeyFrameAndSaysWhy) {
  for (const bool separate : {false, true}) {
    OutputFaultCoder coder;
    coder.failAt = separate ? 25 : 75;
    ExactRun run;
    const std::string name = separate ? "fault.avi" : "fault-one.avi";
    RunExact(src_, dir_ + name, separate, coder, &run);
    ASSERT_EQ(run.outcome.result, CutResult::Completed) << run.outcome.message;
    const size_t failed = separate ? 0 : 1, held = 1 - failed;
    const CutRangeFigures& bad = run.outcome.ranges[failed];
    const CutRangeFigures& good = run.outcome.ranges[held];
    EXPECT_FALSE(bad.exact);
    EXPECT_NE(bad.notExactWhy.find("did not decode as the source across its seam (an injected fault)"),
              std::string::npos)
        << bad.notExactWhy;
    EXPECT_EQ(bad.reencodedFrames, 0u);
    EXPECT_EQ(bad.firstFrame, coder.failAt / 12 * 12);  // its key frame
    EXPECT_EQ(bad.firstFrame + bad.frames, coder.failAt + 25);
    EXPECT_TRUE(good.exact);
    EXPECT_GT(good.reencodedFrames, 0u);
    const std::string line = "Range " + std::to_string(failed + 1) + " starts on the key frame before it: ";
    EXPECT_NE(run.outcome.message.find(line), std::string::npos) << run.outcome.message;
    // Written again without that seam: the other one checked again.
    const uint32_t other = separate ? 75 : 25;
    const std::vector<uint32_t> checked =
        separate ? std::vector<uint32_t>{25, other} : std::vector<uint32_t>{other, 75, other};
    EXPECT_EQ(Sources(coder.finished), checked);
    EXPECT_EQ(run.outcome.outputs.size(), separate ? 2u : 1u);
    for (const std::string& out : run.outcome.outputs) EXPECT_TRUE(filesys::Exists(out)) << out;
    EXPECT_FALSE(PartFilesIn(dir_));
  }
}

TEST_F(ExactCommit, TheBarMovesThroughTheCheckAndACancelDuringItLeavesNothing) {
  for (const bool separate : {false, true}) {
    OutputFaultCoder coder;
    ExactRun run;
    RunExact(src_, dir_ + (separate ? "bar.avi" : "bar-one.avi"), separate, coder, &run);
    ASSERT_EQ(run.outcome.result, CutResult::Completed) << run.outcome.message;
    ASSERT_FALSE(coder.barBeforeCheck.empty());
    const int written = coder.barBeforeCheck.back();
    const std::vector<int>& cells = run.sink.progressCells;
    ASSERT_GT(cells.size(), coder.barBeforeCheck.size());
    // The check has the last cells: the writing stops short of them, the frames compared fill them.
    EXPECT_LT(written, 95);
    EXPECT_EQ(*std::max_element(cells.begin(), cells.end()), 100);
    EXPECT_TRUE(std::is_sorted(cells.begin() + ptrdiff_t(coder.barBeforeCheck.size()), cells.end())) << ::testing::PrintToString(cells);

    OutputFaultCoder cancelling;
    cancelling.cancelInCheck = true;
    ExactRun cancelled;
    const std::string name = dir_ + (separate ? "cancel.avi" : "cancel-one.avi");
    RunExact(src_, name, separate, cancelling, &cancelled);
    EXPECT_EQ(cancelled.outcome.result, CutResult::Cancelled) << cancelled.outcome.message;
    EXPECT_EQ(cancelling.finished.size(), 1u);  // stopped within the first seam
    EXPECT_TRUE(cancelled.outcome.outputs.empty());
    EXPECT_FALSE(filesys::Exists(name));
    EXPECT_FALSE(PartFilesIn(dir_));
  }
}

// Two coders check two seams at once, each on a core of its own: a seam
// that fails falls back as with one, and a cancel leaves nothing.
TEST_F(ExactCommit, SeamsCheckedTwoAtOnceFallBackAndCancelAsOne) {
  OutputFaultCoder coder;
  coder.twoCoders = true;
  coder.failAt = 75;
  ExactRun run;
  RunExact(src_, dir_ + "two.avi", false, coder, &run);
  ASSERT_EQ(run.outcome.result, CutResult::Completed) << run.outcome.message;
  EXPECT_TRUE(run.outcome.ranges[0].exact);
  EXPECT_FALSE(run.outcome.ranges[1].exact);
  EXPECT_NE(run.outcome.ranges[1].notExactWhy.find("(an injected fault)"), std::string::npos);
  ASSERT_EQ(coder.finished.size(), 3u);  // both seams, then the one left in the file written again
  std::vector<uint32_t> firstRound = Sources({coder.finished[0], coder.finished[1]});
  std::sort(firstRound.begin(), firstRound.end());
  EXPECT_EQ(firstRound, (std::vector<uint32_t>{25, 75}));
  EXPECT_EQ(coder.finished[2].srcFirst, 25u);
  EXPECT_FALSE(coder.finished[2].besideAnother);  // alone: on both cores
  if (std::thread::hardware_concurrency() >= 2)
    EXPECT_TRUE(coder.finished[0].besideAnother && coder.finished[1].besideAnother);
  const std::vector<int>& cells = run.sink.progressCells;
  EXPECT_EQ(*std::max_element(cells.begin(), cells.end()), 100);
  EXPECT_FALSE(PartFilesIn(dir_));

  OutputFaultCoder cancelling;
  cancelling.twoCoders = true;
  cancelling.cancelInCheck = true;
  ExactRun cancelled;
  RunExact(src_, dir_ + "two-cancel.avi", false, cancelling, &cancelled);
  EXPECT_EQ(cancelled.outcome.result, CutResult::Cancelled) << cancelled.outcome.message;
  EXPECT_LE(cancelling.finished.size(), 2u);
  EXPECT_FALSE(filesys::Exists(dir_ + "two-cancel.avi"));
  EXPECT_FALSE(PartFilesIn(dir_));
}

}  // namespace
