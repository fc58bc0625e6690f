// The real split job run by the split progress dialog under Wine: it reads
// the Split page's fields of a stand-in main window with sent messages,
// reports to the dialog and shows its boxes over it, in the run's language.
// Runs in English and Japanese.
#include <algorithm>

#include "tests/win/lib/progress.h"

namespace {

using wt::Lang;

// Texts in the system code page (CP932 in Japanese runs, as the literals are).
const std::string kCompleted = Lang(
    "Completed\n\nIf 2nd file can't be played,\nUse Windows Media Player 6\n"
    "(Program Files\\Windows Media Player\\Mplayer2.exe)",
    "操作完了\n\n（分解後半部のみ再生に失敗する場合は\nWindows Media Player 6 をご使用ください\n"
    "詳細はヘルプファイル参照のこと）");
const std::string kAnalyzing = Lang("Analyzing", "ファイル解析中");
const std::string kCreating = Lang("File Creating", "ファイル作成中");

HWND mainWindow = nullptr;

void SetSplitFields(const std::string& path, const char* hours, const char* minutes, const char* seconds,
                    const char* overlap) {
  wt::SetSplitFields(mainWindow, path, hours, minutes, seconds, overlap);
}

void TestSplitBoth() {
  wt::Case("split both files at 0:0:10 with 2 s overlap: bar 0..10 then 10..99, Completed over the dialog");
  std::string input = wt::CopySample("ffmpeg_mpeg4_pcm_g12.avi", "clip.avi");
  SetSplitFields(input, "0", "0", "10", "2");
  wt::SetChecked(mainWindow, IDC_BY_TIME);
  wt::SetChecked(mainWindow, IDC_CREATE_BOTH);
  wt::SetChecked(mainWindow, IDC_SPLIT_MERGE, false);
  wt::JobRun run = wt::RunJob(true, mainWindow);

  WT_CHECK_EQ(long(run.result), 0L);
  if (!WT_CHECK_EQ(run.boxes.size(), size_t(1))) return;
  const wt::SeenBox& box = run.boxes[0];
  WT_CHECK(box.ownedByDialog);
  // The short result first, then what was written and where it cut.
  const std::string bytes = Lang(" bytes", " バイト");
  const std::string stem0 = wt::CurrentDirectory() + "\\clip";
  const std::string done = kCompleted + "\n\nclip-1.avi: " + std::to_string(wt::FileSize(stem0 + "-1.avi")) + bytes +
                           "\nclip-2.avi: " + std::to_string(wt::FileSize(stem0 + "-2.avi")) + bytes + "\n";
  WT_CHECK_EQ(box.text.substr(0, done.size()), done);
  const std::string overlap = Lang("\noverlap 2.000 s asked, ", "\nオーバーラップ 指定 2.000 秒、実際 ");
  wt::Check(box.text.find(overlap) != std::string::npos, "the overlap asked and reached: " + box.text, __FILE__,
            __LINE__);
  // The result text goes to the box only; the line keeps the engine's last text.
  WT_CHECK_EQ(box.statusLine, kCreating);

  const std::vector<wt::ProgressEvent>& p = run.progress;
  wt::Check(!p.empty() && p.front().status == kAnalyzing && p.front().cells == 0,
            "first report is (Analyzing, 0): " + wt::Describe(p), __FILE__, __LINE__);
  wt::Check(wt::NonDecreasing(p), "bar only moves forward: " + wt::Describe(p), __FILE__, __LINE__);
  bool stagesInOrder = true;
  bool engineSeen = false;
  for (const wt::ProgressEvent& e : p) {
    if (e.status == kAnalyzing) {
      stagesInOrder &= !engineSeen && e.cells >= 0 && e.cells <= 10;
    } else if (e.status == kCreating) {
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
    WT_CHECK_EQ(wt::PaintedCells(box.dialogPixels, wt::kSplitColour), 99);
  }
  std::string stem = wt::CurrentDirectory() + "\\clip";
  WT_CHECK(wt::LooksLikeWholeAvi(stem + "-1.avi"));
  WT_CHECK(wt::LooksLikeWholeAvi(stem + "-2.avi"));
  WT_CHECK_EQ(std::string(AppJobState().firstOutputPath), stem + "-1.avi");
  WT_CHECK_EQ(std::string(AppJobState().secondOutputPath), stem + "-2.avi");
}

void TestSplitMergeFirstOnly() {
  if (!wt::Case("first file only, Split-Merge checked: overlap not read, no box on success", wt::kEnglishOnly)) return;
  std::string input = wt::CopySample("ffmpeg_mpeg4_pcm_g12.avi", "first.avi");
  SetSplitFields(input, "", "0.25", "", "not a number");  // 15 s; the overlap is not looked at
  wt::SetChecked(mainWindow, IDC_CREATE_FIRST);
  wt::SetChecked(mainWindow, IDC_SPLIT_MERGE, true);
  wt::JobRun run = wt::RunJob(true, mainWindow);
  wt::SetChecked(mainWindow, IDC_SPLIT_MERGE, false);
  wt::SetChecked(mainWindow, IDC_CREATE_BOTH);

  WT_CHECK_EQ(long(run.result), 0L);
  WT_CHECK_EQ(run.boxes.size(), size_t(0));
  std::string stem = wt::CurrentDirectory() + "\\first";
  WT_CHECK(wt::LooksLikeWholeAvi(stem + "-1.avi"));
  WT_CHECK(!wt::FileExists(stem + "-2.avi"));
}

void TestFailsAtFirstCheck() {
  wt::Case("a bad overlap text: its box over a dialog with empty status line and bar");
  SetSplitFields("Z:\\nowhere\\clip.avi", "0", "0", "10", "-1");
  wt::JobRun run = wt::RunJob(true, mainWindow);
  WT_CHECK_EQ(long(run.result), -1L);
  if (!WT_CHECK_EQ(run.boxes.size(), size_t(1))) return;
  WT_CHECK(run.boxes[0].ownedByDialog);
  WT_CHECK_EQ(run.boxes[0].text, std::string(Lang("[Overlap] bad value", "「オーバーラップ」入力値に誤りがあります")));
  WT_CHECK_EQ(run.boxes[0].statusLine, std::string(""));
  WT_CHECK_EQ(wt::PaintedCells(run.boxes[0].dialogPixels, wt::kSplitColour), 0);
  WT_CHECK(run.progress.empty());
}

// A failure's box: the program's own text, a blank line, then the file and
// the system's reason as the command line gives them.
void TestMissingInput() {
  wt::Case("an input that cannot be opened: its text, then which file and why");
  const std::string missing = wt::CurrentDirectory() + "\\missing.avi";
  SetSplitFields(missing, "0", "0", "10", "0");
  wt::JobRun run = wt::RunJob(true, mainWindow, IDYES, "failure-box");
  WT_CHECK_EQ(long(run.result), -9L);
  if (!WT_CHECK_EQ(run.boxes.size(), size_t(1))) return;
  const std::string head = std::string(Lang("File not open", "「分解元ファイル」が開けません")) + "\n\n" + missing + ": ";
  const std::string& text = run.boxes[0].text;
  WT_CHECK_EQ(text.substr(0, head.size()), head);
  wt::Check(text.size() > head.size() + 3, "a reason follows: " + text, __FILE__, __LINE__);
}

void TestNotAvi() {
  wt::Case("a file that is no AVI: its text, then which file and why");
  const std::string notes = wt::CurrentDirectory() + "\\notes.avi";
  wt::WriteBytes(notes, "These are notes, not a recording.\r\n");
  SetSplitFields(notes, "0", "0", "10", "0");
  wt::JobRun run = wt::RunJob(true, mainWindow);
  WT_CHECK_EQ(long(run.result), -13L);
  if (WT_CHECK_EQ(run.boxes.size(), size_t(1)))
    WT_CHECK_EQ(run.boxes[0].text, std::string(Lang("Avi File?", "ファイルの解析に失敗しました")) + "\n\n" + notes +
                                       ": does not begin with \"RIFF\"");
}

void TestBadHours() {
  wt::Case("a bad hours text");
  SetSplitFields(wt::CurrentDirectory() + "\\clip.avi", "1h", "0", "10", "2");
  wt::JobRun run = wt::RunJob(true, mainWindow);
  WT_CHECK_EQ(long(run.result), -5L);
  if (WT_CHECK_EQ(run.boxes.size(), size_t(1)))
    WT_CHECK_EQ(run.boxes[0].text, std::string(Lang("[hr] bad value", "「時間」入力値に誤りがあります")));
}

void TestCancelDuringAnalysis() {
  if (!wt::Case("Cancel while the input is analysed: result 0, no box, engine never started", wt::kEnglishOnly)) return;
  std::string input = wt::CopySample("ffmpeg_mpeg4_mp3_g25_150s.avi", "long.avi");
  SetSplitFields(input, "0", "1", "0", "5");
  wt::CancelAt(mainWindow, [](const wt::ProgressEvent& e) { return e.status == "Analyzing" && e.cells >= 1; });
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
  if (!wt::Case("Cancel while the outputs are written: result -1, no box, engine started", wt::kEnglishOnly)) return;
  std::string input = wt::CopySample("ffmpeg_mpeg4_mp3_g25_150s.avi", "long.avi");
  SetSplitFields(input, "0", "1", "0", "5");
  wt::CancelAt(mainWindow, [](const wt::ProgressEvent& e) { return e.status == "File Creating" && e.cells >= 30; });
  wt::JobRun run = wt::RunJob(true, mainWindow);
  WT_CHECK_EQ(long(run.result), -1L);
  WT_CHECK_EQ(run.boxes.size(), size_t(0));
  WT_CHECK_EQ(long(AppJobState().cancelRequested.load()), -2L);
  WT_CHECK(AppJobState().splitEngineStarted);
  wt::Check(!run.progress.empty() && run.progress.back().cells < 99,
            "the engine stopped early: " + wt::Describe(run.progress), __FILE__, __LINE__);
}

// Key frames 10 s apart: the overlap asked cannot be had exactly, and the
// result says what it became.
void TestOverlapReached() {
  if (!wt::Case("5 s overlap asked, key frames 10 s apart: the result names the overlap reached", wt::kEnglishOnly))
    return;
  const std::string input = wt::CopySample("ffmpeg_mpeg4_mp3_g250.avi", "sparse.avi");
  SetSplitFields(input, "0", "0", "25", "5");
  wt::JobRun run = wt::RunJob(true, mainWindow, IDYES, "split-result");
  WT_CHECK_EQ(long(run.result), 0L);
  if (!WT_CHECK_EQ(run.boxes.size(), size_t(1))) return;
  const std::string& text = run.boxes[0].text;
  wt::Check(text.find("\ncut at frame 751 (30.040 s); the second file starts at frame 501 (20.040 s)\n"
                      "overlap 5.000 s asked, 10.000 s reached: the second file starts on the key frame at or before "
                      "the asked start") != std::string::npos,
            "the cut and the overlap reached: " + text, __FILE__, __LINE__);
}

// A split whose names hold an earlier split's files asks first, naming them,
// before it creates any file (the folder is looked at while the question is
// up): No leaves them with their bytes and writes nothing; Yes replaces them,
// asked once.
void TestSecondSplitAsks() {
  wt::Case("a second split over the first one's files: the replace question, No keeps them, Yes replaces");
  const std::string folder = wt::MakeDir("again");
  const std::string input = wt::CopySample("ffmpeg_mpeg4_pcm_g12.avi", "again.avi", folder);
  const std::string first = folder + "\\again-1.avi", second = folder + "\\again-2.avi";
  SetSplitFields(input, "0", "0", "10", "0");
  wt::RunJob(true, mainWindow);
  const std::string firstBytes = wt::ReadBytes(first), secondBytes = wt::ReadBytes(second);
  const std::string filesBefore = wt::FilesIn(folder);

  SetSplitFields(input, "0", "0", "5", "0");
  wt::JobRun no = wt::RunJob(true, mainWindow, IDNO, "replace-question", folder);
  if (WT_CHECK_EQ(no.boxes.size(), size_t(1))) {
    const std::wstring question =
        wt::Lang(L"These files exist already:\n", L"\u6B21\u306E\u30D5\u30A1\u30A4\u30EB\u306F\u65E2\u306B"
                                                   L"\u5B58\u5728\u3057\u307E\u3059:\n") +
        WideFromUtf8(first) + L"\n" + WideFromUtf8(second) + L"\n\n" +
        wt::Lang(L"Replace them?", L"\u7F6E\u304D\u63DB\u3048\u307E\u3059\u304B?");
    WT_CHECK(no.boxes[0].ownedByDialog);
    WT_CHECK(no.boxes[0].textW == question);
    WT_CHECK_EQ(no.boxes[0].filesWhenUp, filesBefore);  // no temporary file was made
  }
  WT_CHECK(wt::ReadBytes(first) == firstBytes);
  WT_CHECK(wt::ReadBytes(second) == secondBytes);
  WT_CHECK_EQ(wt::FilesIn(folder), filesBefore);  // no temporary file left either

  wt::JobRun yes = wt::RunJob(true, mainWindow, IDYES, "", folder);
  WT_CHECK_EQ(long(yes.result), 0L);
  WT_CHECK_EQ(yes.boxes.size(), size_t(2));  // the question (not again at the commit), then Completed
  if (!yes.boxes.empty()) WT_CHECK_EQ(yes.boxes[0].filesWhenUp, filesBefore);
  WT_CHECK(wt::LooksLikeWholeAvi(first) && wt::ReadBytes(first) != firstBytes);
  WT_CHECK(wt::ReadBytes(second) != secondBytes);
  WT_CHECK_EQ(wt::FilesIn(folder), filesBefore);
}

}  // namespace

int main() {
  if (!wt::Begin(110000)) return wt::Summary();  // below the runner's 120 s limit
  mainWindow = wt::StartJobHost();

  TestSplitBoth();
  TestSplitMergeFirstOnly();
  TestFailsAtFirstCheck();
  TestMissingInput();
  TestNotAvi();
  TestBadHours();
  TestCancelDuringAnalysis();
  TestCancelDuringEngine();
  TestSecondSplitAsks();
  TestOverlapReached();
  return wt::Summary();
}
