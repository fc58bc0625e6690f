// The real split job run by the split progress dialog under Wine, English
// interface: it reads the Split tab's controls of a stand-in main window with
// sent messages, reports to the dialog and shows its boxes over it.
#include "tests/win/wt_progress_jobs.h"

namespace {

constexpr uint32_t kSplitColour = wt::Rgb(200, 170, 130);
const char* const kCompleted =
    "Completed\n\nIf 2nd file can't be played,\nUse Windows Media Player 6\n"
    "(Program Files\\Windows Media Player\\Mplayer2.exe)";

HWND mainWindow = nullptr;

void SetSplitFields(const std::string& path, const char* hours, const char* minutes, const char* seconds,
                    const char* overlap) {
  wt::SetField(mainWindow, 101, path);
  wt::SetField(mainWindow, 104, hours);
  wt::SetField(mainWindow, 106, minutes);
  wt::SetField(mainWindow, 108, seconds);
  wt::SetField(mainWindow, 118, overlap);
}

void TestSplitBoth() {
  wt::BeginCase("split both files at 0:0:10 with 2 s overlap: bar 0..10 then 10..99, Completed over the dialog");
  std::string input = wt::CopySample("ffmpeg_mpeg4_pcm_g12.avi", "clip.avi");
  SetSplitFields(input, "0", "0", "10", "2");
  wt::SetChecked(mainWindow, 103);
  wt::SetChecked(mainWindow, 114);
  wt::SetChecked(mainWindow, 120, false);
  wt::JobRun run = wt::RunJob(true, mainWindow);

  WT_CHECK_EQ(long(run.result), 0L);
  if (!WT_CHECK_EQ(run.boxes.size(), size_t(1))) return;
  const wt::SeenBox& box = run.boxes[0];
  WT_CHECK(box.ownedByDialog);
  WT_CHECK_EQ(box.text, std::string(kCompleted));
  // The result text goes to the box only; the line keeps the engine's last text.
  WT_CHECK_EQ(box.statusLine, std::string("File Creating"));

  const std::vector<wt::ProgressEvent>& p = run.progress;
  wt::Check(!p.empty() && p.front().status == "Analyzing" && p.front().cells == 0,
            "first report is (Analyzing, 0): " + wt::Describe(p), __FILE__, __LINE__);
  wt::Check(wt::NonDecreasing(p), "bar only moves forward: " + wt::Describe(p), __FILE__, __LINE__);
  bool stagesInOrder = true;
  bool engineSeen = false;
  for (const wt::ProgressEvent& e : p) {
    if (e.status == "Analyzing") {
      stagesInOrder &= !engineSeen && e.cells >= 0 && e.cells <= 10;
    } else if (e.status == "File Creating") {
      engineSeen = true;
      stagesInOrder &= e.cells >= 10 && e.cells <= 99;
    } else {
      stagesInOrder = false;
    }
  }
  wt::Check(stagesInOrder && engineSeen, "analysis 0..10, then File Creating 10..99: " + wt::Describe(p), __FILE__,
            __LINE__);
  if (!p.empty()) {
    WT_CHECK_EQ(p.back().cells, 99L);
    WT_CHECK_EQ(wt::PaintedCells(box.dialogPixels, kSplitColour), 99);
  }
  std::string stem = wt::CurrentDirectory() + "\\clip";
  WT_CHECK(wt::LooksLikeWholeAvi(stem + "-1.avi"));
  WT_CHECK(wt::LooksLikeWholeAvi(stem + "-2.avi"));
  WT_CHECK_EQ(std::string(AppJobState().firstOutputPath), stem + "-1.avi");
  WT_CHECK_EQ(std::string(AppJobState().secondOutputPath), stem + "-2.avi");
}

void TestSplitMergeFirstOnly() {
  wt::BeginCase("first file only, Split-Merge checked: overlap not read, no box on success");
  std::string input = wt::CopySample("ffmpeg_mpeg4_pcm_g12.avi", "first.avi");
  SetSplitFields(input, "", "0.25", "", "not a number");  // 15 s; the overlap is not looked at
  wt::SetChecked(mainWindow, 115);
  wt::SetChecked(mainWindow, 120, true);
  wt::JobRun run = wt::RunJob(true, mainWindow);
  wt::SetChecked(mainWindow, 120, false);
  wt::SetChecked(mainWindow, 114);

  WT_CHECK_EQ(long(run.result), 0L);
  WT_CHECK_EQ(run.boxes.size(), size_t(0));
  std::string stem = wt::CurrentDirectory() + "\\first";
  WT_CHECK(wt::LooksLikeWholeAvi(stem + "-1.avi"));
  WT_CHECK(!wt::FileExists(stem + "-2.avi"));
}

void TestFailsAtFirstCheck() {
  wt::BeginCase("a bad overlap text: its box over a dialog with empty status line and bar");
  SetSplitFields("Z:\\nowhere\\clip.avi", "0", "0", "10", "-1");
  wt::JobRun run = wt::RunJob(true, mainWindow);
  WT_CHECK_EQ(long(run.result), -1L);
  if (!WT_CHECK_EQ(run.boxes.size(), size_t(1))) return;
  WT_CHECK(run.boxes[0].ownedByDialog);
  WT_CHECK_EQ(run.boxes[0].text, std::string("[Overlap] bad value"));
  WT_CHECK_EQ(run.boxes[0].statusLine, std::string(""));
  WT_CHECK_EQ(wt::PaintedCells(run.boxes[0].dialogPixels, kSplitColour), 0);
  WT_CHECK(run.progress.empty());
}

void TestMissingInput() {
  wt::BeginCase("an input that cannot be opened");
  SetSplitFields(wt::CurrentDirectory() + "\\missing.avi", "0", "0", "10", "0");
  wt::JobRun run = wt::RunJob(true, mainWindow);
  WT_CHECK_EQ(long(run.result), -9L);
  if (WT_CHECK_EQ(run.boxes.size(), size_t(1))) WT_CHECK_EQ(run.boxes[0].text, std::string("File not open"));
}

void TestCancelDuringAnalysis() {
  wt::BeginCase("Cancel while the input is analysed: result 0, no box, engine never started");
  std::string input = wt::CopySample("ffmpeg_mpeg4_mp3_g25_150s.avi", "long.avi");
  SetSplitFields(input, "0", "1", "0", "5");
  wt::onProgress = [](HWND dialog, const wt::ProgressEvent& e) {
    if (e.status == "Analyzing" && e.cells >= 1 && !CancelSet(AppJobState())) wt::PressCancel(dialog);
  };
  wt::JobRun run = wt::RunJob(true, mainWindow);
  WT_CHECK_EQ(long(run.result), 0L);
  WT_CHECK_EQ(run.boxes.size(), size_t(0));
  WT_CHECK_EQ(long(AppJobState().cancelRequested.load()), -2L);
  WT_CHECK(!AppJobState().splitEngineStarted);
  for (const wt::ProgressEvent& e : run.progress)
    wt::Check(e.status == "Analyzing", "no report after the analysis: " + wt::Describe(run.progress), __FILE__,
              __LINE__);
  WT_CHECK(!wt::FileExists(wt::CurrentDirectory() + "\\long-1.avi"));
}

void TestCancelDuringEngine() {
  wt::BeginCase("Cancel while the outputs are written: result -1, no box, engine started");
  std::string input = wt::CopySample("ffmpeg_mpeg4_mp3_g25_150s.avi", "long.avi");
  SetSplitFields(input, "0", "1", "0", "5");
  wt::onProgress = [](HWND dialog, const wt::ProgressEvent& e) {
    if (e.status == "File Creating" && e.cells >= 30 && !CancelSet(AppJobState())) wt::PressCancel(dialog);
  };
  wt::JobRun run = wt::RunJob(true, mainWindow);
  WT_CHECK_EQ(long(run.result), -1L);
  WT_CHECK_EQ(run.boxes.size(), size_t(0));
  WT_CHECK_EQ(long(AppJobState().cancelRequested.load()), -2L);
  WT_CHECK(AppJobState().splitEngineStarted);
  wt::Check(!run.progress.empty() && run.progress.back().cells < 99,
            "the engine stopped early: " + wt::Describe(run.progress), __FILE__, __LINE__);
}

}  // namespace

int main() {
  wt::StartWatchdog(110000);  // below the runner's 120 s limit
  mainWindow = wt::CreateTestMainWindow();
  InitWin32Host(mainWindow, nullptr, 1);
  wt::WatchProgressReports();

  TestSplitBoth();
  TestSplitMergeFirstOnly();
  TestFailsAtFirstCheck();
  TestMissingInput();
  TestCancelDuringAnalysis();
  TestCancelDuringEngine();
  return wt::Summary();
}
