// The real main window on a Japanese system running jobs: a split and a
// Split-Merge with the Japanese messages read back from their boxes, and the
// Japanese "Break" after a cancel.
#include "wt_main_jobs.h"

using namespace shelltest;

int main() {
  StartWatchdog(110000);
  const std::string folder = MakeDir("jobs");
  WriteBytes(folder + "\\Tavrin.ini", "TabNo=0\r\n");
  const std::string clip = CopySample("gst_mpeg4_mp3_g12.avi", folder, "clip.avi");
  App app = Launch("", folder);
  const std::wstring kSplitTitle = L"Tavrin - \u5206\u89E3";  // Tavrin - 分解
  const std::wstring kMergeTitle = L"Tavrin - \u7D50\u5408";  // Tavrin - 結合

  Case("split: the Japanese Completed text over the Japanese progress dialog");
  {
    FillSplitPage(app, clip, "0", "0", "8", "1", 114);
    app.PostCommand(122);
    HWND progress = WaitForProgress(app, kSplitTitle.c_str());
    ST_CHECK(progress != nullptr);
    ST_CHECK_EQ(AnswerBox(app, progress, 30000).substr(0, 4), std::wstring(L"\u64CD\u4F5C\u5B8C\u4E86"));
    ST_CHECK(JobEnded(app, progress));
    ST_CHECK(StaysQuiet(app));
    ST_CHECK(LooksLikeWholeAvi(folder + "\\clip-1.avi"));
    ST_CHECK(LooksLikeWholeAvi(folder + "\\clip-2.avi"));
  }

  Case("Split-Merge: the Japanese Merge O.K. summary of the chained merge");
  {
    app.Click(120);
    app.PostCommand(122);
    HWND progress = WaitForProgress(app, kMergeTitle.c_str(), 30000);
    ST_CHECK(progress != nullptr);
    ST_CHECK_EQ(AnswerBox(app, progress, 30000).substr(0, 4), std::wstring(L"\u7D50\u5408\u53EF\u80FD"));
    ST_CHECK(JobEnded(app, progress));
    ST_CHECK(StaysQuiet(app));
    app.Click(120);
  }

  Case("cancel: the Japanese Break message, owned by the main window");
  {
    app.SetItemText(118, "x");
    app.PostCommand(122);
    HWND progress = WaitForProgress(app, kSplitTitle.c_str());
    HWND box = WaitForMessageBox(app);
    ST_CHECK(box != nullptr && GetWindow(box, GW_OWNER) == progress);
    PostMessageA(progress, WM_COMMAND, IDCANCEL, 0);
    AnswerBox(app, progress);
    ST_CHECK_EQ(AnswerBox(app, app.main),
                std::wstring(L"\u64CD\u4F5C\u304C\u4E2D\u65AD\u3055\u308C\u307E\u3057\u305F"));  // 操作が中断されました
  }
  CloseApp(app);
  return Summary();
}
