// The real merge job run by the merge progress dialog under Wine: the Merge
// page's two fields read from a stand-in main window, the bar and status
// line of both analyses, the summary box, the box owned by the main window,
// and Cancel during the second input's analysis, in the run's language.
// Runs in English and Japanese.
#include "tests/win/lib/progress.h"

namespace {

using wt::Lang;

// Texts in the system code page (CP932 in Japanese runs, as the literals are).
const std::string kFile1Analyzing = Lang("File1 Analyzing", "ファイル１解析中");
const std::string kFile2Analyzing = Lang("File2 Analyzing", "ファイル２解析中");

HWND mainWindow = nullptr;

// Splits a sample (both files, 5 s overlap) with the real split dialog and
// returns the stem of the two outputs.
std::string SplitSample(const char* sample, const char* as) {
  std::string input = wt::CopySample(sample, std::string(as) + ".avi");
  wt::SetSplitFields(mainWindow, input, "0", "0", "12", "5");
  wt::SetChecked(mainWindow, IDC_CREATE_BOTH);
  wt::SetChecked(mainWindow, IDC_SPLIT_MERGE, true);  // no box on success
  wt::JobRun run = wt::RunJob(true, mainWindow);
  wt::SetChecked(mainWindow, IDC_SPLIT_MERGE, false);
  WT_CHECK_EQ(long(run.result), 0L);
  return wt::CurrentDirectory() + "\\" + as;
}

void SetMergeFields(const std::string& first, const std::string& second) {
  wt::SetField(mainWindow, IDC_MERGE_FILE1, first);
  wt::SetField(mainWindow, IDC_MERGE_FILE2, second);
}

void TestMergeSummary() {
  wt::Case("merge two split outputs: second then first analysed, the summary over the dialog");
  std::string stem = SplitSample("ffmpeg_mpeg4_pcm_g12.avi", "clip");
  SetMergeFields(stem + "-1.avi", stem + "-2.avi");
  wt::JobRun run = wt::RunJob(false, mainWindow);

  WT_CHECK_EQ(long(run.result), 0L);
  if (!WT_CHECK_EQ(run.boxes.size(), size_t(1))) return;
  const wt::SeenBox& box = run.boxes[0];
  WT_CHECK(box.ownedByDialog);
  const bool summary = box.text.rfind(Lang("Merge O.K.\n\nFile Size ", "結合可能\n\n結合後サイズ "), 0) == 0 &&
                       box.text.find(Lang("MB\nTime ", "MB\n結合後時間 ")) != std::string::npos &&
                       box.text.find(Lang("\n(Overlap ", "（ｵｰﾊﾞｰﾗｯﾌﾟ ")) != std::string::npos;
  wt::Check(summary, "summary text: " + box.text, __FILE__, __LINE__);
  WT_CHECK_EQ(box.statusLine, kFile1Analyzing);
  int cells = wt::PaintedCells(box.dialogPixels, wt::kMergeColour);
  wt::Check(cells >= 5 && cells <= 10, "bar after both analyses: " + std::to_string(cells), __FILE__, __LINE__);

  const std::vector<wt::ProgressEvent>& p = run.progress;
  wt::Check(!p.empty() && p.front().status == kFile2Analyzing && p.front().cells == 0,
            "first report is (File2 Analyzing, 0): " + wt::Describe(p), __FILE__, __LINE__);
  wt::Check(wt::NonDecreasing(p), "bar only moves forward: " + wt::Describe(p), __FILE__, __LINE__);
  bool inOrder = true;
  bool firstSeen = false;
  for (const wt::ProgressEvent& e : p) {
    if (e.status == kFile2Analyzing) {
      inOrder &= !firstSeen && e.cells <= 5;
    } else if (e.status == kFile1Analyzing) {
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
  wt::Case("first input missing: its message, result -6");
  SetMergeFields(wt::CurrentDirectory() + "\\missing-1.avi", wt::CurrentDirectory() + "\\missing-2.avi");
  wt::JobRun run = wt::RunJob(false, mainWindow);
  WT_CHECK_EQ(long(run.result), -6L);
  // The short text, a blank line, then which file and why.
  const std::string head = std::string(Lang("AVI File 1st not open", "「結合元ファイル１」が開けません")) + "\n\n" +
                           wt::CurrentDirectory() + "\\missing-1.avi: ";
  if (WT_CHECK_EQ(run.boxes.size(), size_t(1))) WT_CHECK_EQ(run.boxes[0].text.substr(0, head.size()), head);
}

void TestFirstInputNotRiff() {
  wt::Case("first input not RIFF (RIFX, plain text): the box belongs to the main window, result -10");
  std::string stem = wt::CurrentDirectory() + "\\clip";
  std::string notAvi = wt::CurrentDirectory() + "\\riffx.avi";
  for (const std::string& content :
       {std::string("RIFX\x10\0\0\0AVI LIST\0\0\0\0", 20), std::string("plain text, not a RIFF file\n")}) {
    wt::WriteBytes(notAvi, content);
    SetMergeFields(notAvi, stem + "-2.avi");
    wt::JobRun run = wt::RunJob(false, mainWindow);
    WT_CHECK_EQ(long(run.result), -10L);
    if (!WT_CHECK_EQ(run.boxes.size(), size_t(1))) continue;
    WT_CHECK(!run.boxes[0].ownedByDialog);
    WT_CHECK_EQ(run.boxes[0].text, std::string(Lang("Avi File?", "ファイル１の解析に失敗しました")) + "\n\n" + notAvi +
                                       ": does not begin with \"RIFF\"");
    // The second input was analysed first and was fine.
    wt::Check(run.progress.size() >= 2 && run.progress.back().status == kFile1Analyzing,
              "reports: " + wt::Describe(run.progress), __FILE__, __LINE__);
  }
}

void TestStructureDiffers() {
  wt::Case("inputs of different structure");
  std::string first = wt::CopySample("ffmpeg_mpeg4_pcm_g12.avi", "a.avi");
  std::string second = wt::CopySample("ffmpeg_mjpeg_pcm_g1.avi", "b.avi");
  SetMergeFields(first, second);
  wt::JobRun run = wt::RunJob(false, mainWindow);
  wt::Check(run.result >= 8 && run.result <= 12, "result 8..12: " + std::to_string(run.result), __FILE__, __LINE__);
  // The short text first; what differs follows below a blank line.
  const std::string head =
      std::string(Lang("Can't Merge (Structure is different)", "構造が異なるので結合できません")) + "\n\n";
  if (WT_CHECK_EQ(run.boxes.size(), size_t(1))) WT_CHECK_EQ(run.boxes[0].text.substr(0, head.size()), head);
}

void TestCancelDuringSecondWalk() {
  if (!wt::Case("Cancel while the second input is analysed: File1 Analyzing at 5, then result 0 without a box",
                wt::kEnglishOnly))
    return;
  std::string stem = SplitSample("ffmpeg_mpeg4_mp3_g25_150s.avi", "long");
  SetMergeFields(stem + "-1.avi", stem + "-2.avi");
  wt::CancelAt(mainWindow, [](const wt::ProgressEvent& e) { return e.status == "File2 Analyzing" && e.cells >= 1; });
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
  if (!wt::Begin(110000)) return wt::Summary();  // below the runner's 120 s limit
  mainWindow = wt::StartJobHost();

  TestMergeSummary();
  TestFirstInputMissing();
  TestFirstInputNotRiff();
  TestStructureDiffers();
  TestCancelDuringSecondWalk();
  return wt::Summary();
}
