// The real merge job run by the merge progress dialog under Wine, English
// interface: fields 151 and 154 read from a stand-in main window, the bar and
// status line of both analyses, the summary box, the box owned by the main
// window, and Cancel during the second input's analysis.
#include "tests/win/wt_progress_jobs.h"

namespace {

constexpr uint32_t kMergeColour = wt::Rgb(170, 130, 200);

HWND mainWindow = nullptr;

// Splits a sample (both files, 5 s overlap) with the real split dialog and
// returns the stem of the two outputs.
std::string SplitSample(const char* sample, const char* as) {
  std::string input = wt::CopySample(sample, std::string(as) + ".avi");
  wt::SetField(mainWindow, 101, input);
  wt::SetField(mainWindow, 104, "0");
  wt::SetField(mainWindow, 106, "0");
  wt::SetField(mainWindow, 108, "12");
  wt::SetField(mainWindow, 118, "5");
  wt::SetChecked(mainWindow, 114);
  wt::SetChecked(mainWindow, 120, true);  // no box on success
  wt::JobRun run = wt::RunJob(true, mainWindow);
  wt::SetChecked(mainWindow, 120, false);
  WT_CHECK_EQ(long(run.result), 0L);
  return wt::CurrentDirectory() + "\\" + as;
}

void SetMergeFields(const std::string& first, const std::string& second) {
  wt::SetField(mainWindow, 151, first);
  wt::SetField(mainWindow, 154, second);
}

void TestMergeSummary() {
  wt::BeginCase("merge two split outputs: second then first analysed, the summary over the dialog");
  std::string stem = SplitSample("ffmpeg_mpeg4_pcm_g12.avi", "clip");
  SetMergeFields(stem + "-1.avi", stem + "-2.avi");
  wt::JobRun run = wt::RunJob(false, mainWindow);

  WT_CHECK_EQ(long(run.result), 0L);
  if (!WT_CHECK_EQ(run.boxes.size(), size_t(1))) return;
  const wt::SeenBox& box = run.boxes[0];
  WT_CHECK(box.ownedByDialog);
  wt::Check(box.text.rfind("Merge O.K.\n\nFile Size ", 0) == 0 && box.text.find("MB\nTime ") != std::string::npos &&
                box.text.find("\n(Overlap ") != std::string::npos,
            "summary text: " + box.text, __FILE__, __LINE__);
  WT_CHECK_EQ(box.statusLine, std::string("File1 Analyzing"));
  int cells = wt::PaintedCells(box.dialogPixels, kMergeColour);
  wt::Check(cells >= 5 && cells <= 10, "bar after both analyses: " + std::to_string(cells), __FILE__, __LINE__);

  const std::vector<wt::ProgressEvent>& p = run.progress;
  wt::Check(!p.empty() && p.front().status == "File2 Analyzing" && p.front().cells == 0,
            "first report is (File2 Analyzing, 0): " + wt::Describe(p), __FILE__, __LINE__);
  wt::Check(wt::NonDecreasing(p), "bar only moves forward: " + wt::Describe(p), __FILE__, __LINE__);
  bool inOrder = true;
  bool firstSeen = false;
  for (const wt::ProgressEvent& e : p) {
    if (e.status == "File2 Analyzing") {
      inOrder &= !firstSeen && e.cells <= 5;
    } else if (e.status == "File1 Analyzing") {
      inOrder &= (firstSeen || e.cells == 5) && e.cells >= 5 && e.cells <= 10;
      firstSeen = true;
    } else {
      inOrder = false;
    }
  }
  wt::Check(inOrder && firstSeen, "File2 0..5, then File1 from 5 to at most 10: " + wt::Describe(p), __FILE__,
            __LINE__);
  if (!p.empty()) WT_CHECK_EQ(long(cells), p.back().cells);
}

void TestFirstInputMissing() {
  wt::BeginCase("first input missing: its message, result -6");
  SetMergeFields(wt::CurrentDirectory() + "\\missing-1.avi", wt::CurrentDirectory() + "\\missing-2.avi");
  wt::JobRun run = wt::RunJob(false, mainWindow);
  WT_CHECK_EQ(long(run.result), -6L);
  if (WT_CHECK_EQ(run.boxes.size(), size_t(1))) WT_CHECK_EQ(run.boxes[0].text, std::string("AVI File 1st not open"));
}

void TestFirstInputNotRiff() {
  wt::BeginCase("first input not RIFF: the box belongs to the main window, result -10");
  std::string stem = wt::CurrentDirectory() + "\\clip";
  std::string notAvi = wt::CurrentDirectory() + "\\riffx.avi";
  wt::WriteBytes(notAvi, std::string("RIFX\x10\0\0\0AVI LIST\0\0\0\0", 20));
  SetMergeFields(notAvi, stem + "-2.avi");
  wt::JobRun run = wt::RunJob(false, mainWindow);
  WT_CHECK_EQ(long(run.result), -10L);
  if (!WT_CHECK_EQ(run.boxes.size(), size_t(1))) return;
  WT_CHECK(!run.boxes[0].ownedByDialog);
  WT_CHECK_EQ(run.boxes[0].text, std::string("Avi File?"));
  // The second input was analysed first and was fine.
  wt::Check(run.progress.size() >= 2 && run.progress.back().status == "File1 Analyzing",
            "reports: " + wt::Describe(run.progress), __FILE__, __LINE__);
}

void TestStructureDiffers() {
  wt::BeginCase("inputs of different structure");
  std::string first = wt::CopySample("ffmpeg_mpeg4_pcm_g12.avi", "a.avi");
  std::string second = wt::CopySample("ffmpeg_mjpeg_pcm_g1.avi", "b.avi");
  SetMergeFields(first, second);
  wt::JobRun run = wt::RunJob(false, mainWindow);
  wt::Check(run.result >= 8 && run.result <= 12, "result 8..12: " + std::to_string(run.result), __FILE__, __LINE__);
  if (WT_CHECK_EQ(run.boxes.size(), size_t(1)))
    WT_CHECK_EQ(run.boxes[0].text, std::string("Can't Merge (Structure is different)"));
}

void TestCancelDuringSecondWalk() {
  wt::BeginCase("Cancel while the second input is analysed: File1 Analyzing at 5, then result 0 without a box");
  std::string stem = SplitSample("ffmpeg_mpeg4_mp3_g25_150s.avi", "long");
  SetMergeFields(stem + "-1.avi", stem + "-2.avi");
  wt::onProgress = [](HWND dialog, const wt::ProgressEvent& e) {
    if (e.status == "File2 Analyzing" && e.cells >= 1 && !CancelSet(AppJobState())) wt::PressCancel(dialog);
  };
  wt::JobRun run = wt::RunJob(false, mainWindow);
  WT_CHECK_EQ(long(run.result), 0L);
  WT_CHECK_EQ(run.boxes.size(), size_t(0));
  WT_CHECK_EQ(long(AppJobState().cancelRequested.load()), -2L);
  const std::vector<wt::ProgressEvent>& p = run.progress;
  wt::Check(!p.empty() && p.back().status == "File1 Analyzing" && p.back().cells == 5,
            "the last report is (File1 Analyzing, 5): " + wt::Describe(p), __FILE__, __LINE__);
}

}  // namespace

int main() {
  wt::StartWatchdog(110000);  // below the runner's 120 s limit
  mainWindow = wt::CreateTestMainWindow();
  InitWin32Host(mainWindow, nullptr, 1);
  wt::WatchProgressReports();

  TestMergeSummary();
  TestFirstInputMissing();
  TestFirstInputNotRiff();
  TestStructureDiffers();
  TestCancelDuringSecondWalk();
  return wt::Summary();
}
