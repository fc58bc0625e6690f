// The real merge job under its progress dialog with the Japanese interface
// (code page 932): status lines, the summary and the main window's box in Japanese.
#include "tests/win/wt_progress_jobs.h"

namespace {

HWND mainWindow = nullptr;

std::string SplitSample() {
  std::string input = wt::CopySample("ffmpeg_mpeg4_pcm_g12.avi", "clip.avi");
  wt::SetField(mainWindow, 101, input);
  wt::SetField(mainWindow, 104, "0");
  wt::SetField(mainWindow, 106, "0");
  wt::SetField(mainWindow, 108, "12");
  wt::SetField(mainWindow, 118, "4");
  wt::SetChecked(mainWindow, 120, true);
  wt::JobRun run = wt::RunJob(true, mainWindow);
  wt::SetChecked(mainWindow, 120, false);
  WT_CHECK_EQ(long(run.result), 0L);
  return wt::CurrentDirectory() + "\\clip";
}

void TestSummary(const std::string& stem) {
  wt::BeginCase("Japanese merge: File2 then File1 Analyzing texts, the Merge O.K. summary");
  wt::SetField(mainWindow, 151, stem + "-1.avi");
  wt::SetField(mainWindow, 154, stem + "-2.avi");
  wt::JobRun run = wt::RunJob(false, mainWindow);
  WT_CHECK_EQ(long(run.result), 0L);
  if (!WT_CHECK_EQ(run.boxes.size(), size_t(1))) return;
  const std::wstring& text = run.boxes[0].textW;
  wt::Check(text.rfind(L"結合可能\n\n結合後サイズ ", 0) == 0 && text.find(L"MB\n結合後時間 ") != std::wstring::npos &&
                text.find(L"（ｵｰﾊﾞｰﾗｯﾌﾟ ") != std::wstring::npos,
            "summary " + wt::Show(text), __FILE__, __LINE__);
  WT_CHECK_EQ(run.boxes[0].statusLineW, std::wstring(L"ファイル１解析中"));
  if (!run.progress.empty()) WT_CHECK_EQ(run.progress.front().status, std::string("ファイル２解析中"));
}

void TestFirstNotRiff(const std::string& stem) {
  wt::BeginCase("Japanese merge: first input not RIFF, the main window's box");
  std::string notAvi = wt::CurrentDirectory() + "\\text.avi";
  wt::WriteBytes(notAvi, "plain text, not a RIFF file\n");
  wt::SetField(mainWindow, 151, notAvi);
  wt::SetField(mainWindow, 154, stem + "-2.avi");
  wt::JobRun run = wt::RunJob(false, mainWindow);
  WT_CHECK_EQ(long(run.result), -10L);
  if (!WT_CHECK_EQ(run.boxes.size(), size_t(1))) return;
  WT_CHECK(!run.boxes[0].ownedByDialog);
  WT_CHECK_EQ(run.boxes[0].textW, std::wstring(L"ファイル１の解析に失敗しました"));
}

}  // namespace

int main() {
  wt::StartWatchdog(110000);  // below the runner's 120 s limit
  wt::BeginCase("Japanese code page");
  if (!WT_CHECK_EQ(long(GetACP()), 932L)) return wt::Summary();
  mainWindow = wt::CreateTestMainWindow();
  InitWin32Host(mainWindow, nullptr, 0);
  wt::WatchProgressReports();

  std::string stem = SplitSample();
  TestSummary(stem);
  TestFirstNotRiff(stem);
  return wt::Summary();
}
