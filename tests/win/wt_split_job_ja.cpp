// The real split job under its progress dialog with the Japanese interface
// (code page 932): the dialog's status line and the job's boxes in Japanese.
#include "tests/win/wt_progress_jobs.h"

namespace {

HWND mainWindow = nullptr;

void TestCompleted() {
  wt::BeginCase("Japanese split: File Creating text on the status line, the completion text in the box");
  std::string input = wt::CopySample("ffmpeg_mpeg4_pcm_g12.avi", "clip.avi");
  wt::SetField(mainWindow, 101, input);
  wt::SetField(mainWindow, 104, "0");
  wt::SetField(mainWindow, 106, "0");
  wt::SetField(mainWindow, 108, "10");
  wt::SetField(mainWindow, 118, "2");
  wt::JobRun run = wt::RunJob(true, mainWindow);
  WT_CHECK_EQ(long(run.result), 0L);
  if (!WT_CHECK_EQ(run.boxes.size(), size_t(1))) return;
  WT_CHECK(run.boxes[0].ownedByDialog);
  WT_CHECK_EQ(run.boxes[0].textW,
              std::wstring(L"操作完了\n\n（分解後半部のみ再生に失敗する場合は\nWindows Media Player 6 をご使用ください\n"
                           L"詳細はヘルプファイル参照のこと）"));
  WT_CHECK_EQ(run.boxes[0].statusLineW, std::wstring(L"ファイル作成中"));
  if (!run.progress.empty()) WT_CHECK_EQ(run.progress.front().status, std::string("ファイル解析中"));
}

void TestBadHours() {
  wt::BeginCase("Japanese split: a bad hours text");
  wt::SetField(mainWindow, 104, "1h");
  wt::JobRun run = wt::RunJob(true, mainWindow);
  WT_CHECK_EQ(long(run.result), -5L);
  if (WT_CHECK_EQ(run.boxes.size(), size_t(1)))
    WT_CHECK_EQ(run.boxes[0].textW, std::wstring(L"「時間」入力値に誤りがあります"));
}

}  // namespace

int main() {
  wt::StartWatchdog(110000);  // below the runner's 120 s limit
  wt::BeginCase("Japanese code page");
  if (!WT_CHECK_EQ(long(GetACP()), 932L)) return wt::Summary();
  mainWindow = wt::CreateTestMainWindow();
  InitWin32Host(mainWindow, nullptr, 0);
  wt::WatchProgressReports();

  TestCompleted();
  TestBadHours();
  return wt::Summary();
}
