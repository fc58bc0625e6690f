// The real TavrinD.dll on a Japanese system: Split-Merge ends in 操作完了 with
// the joined file written, and a "File size" too small for the first key-frame
// group gives its Japanese reason before エラー.
#include "wt_main_jobs.h"

using namespace shelltest;

int main() {
  StartWatchdog(150000);
  const std::string folder = MakeDir("plugin_jobs");
  WriteBytes(folder + "\\Tavrin.ini", "TabNo=0\r\n");
  ST_CHECK(CopyTo(Env("TAVRIN_WIN_BUILD_DIR") + "\\dll\\TavrinD.dll", folder + "\\TavrinD.dll"));
  const std::string clip = CopySample("gst_mpeg4_mp3_g12.avi", folder, "clip.avi");
  App app = Launch("", folder);
  const std::wstring kSplitTitle = L"Tavrin - \u5206\u89E3";  // Tavrin - 分解
  const std::wstring kMergeTitle = L"Tavrin - \u7D50\u5408";  // Tavrin - 結合
  const std::wstring kCompleted = L"\u64CD\u4F5C\u5B8C\u4E86";  // 操作完了

  Case("Split-Merge with the plug-in: 操作完了 and the joined file");
  {
    FillSplitPage(app, clip, "0", "0", "9", "2.5", 114);
    app.Click(120);
    app.PostCommand(122);
    HWND progress = WaitForProgress(app, kMergeTitle.c_str(), 30000);
    ST_CHECK(progress != nullptr);
    ST_CHECK_EQ(AnswerBox(app, progress, 60000), kCompleted);
    ST_CHECK(JobEnded(app, progress));
    ST_CHECK(LooksLikeWholeAvi(folder + "\\clip-m.avi"));
    // About the file that was split (its index is rebuilt, offsets from movi).
    ST_CHECK(FileSize(folder + "\\clip-m.avi") > FileSize(clip) * 9 / 10);
    app.Click(120);
  }

  Case("File size too small: 「サイズ指定」値が小さすぎます, then エラー");
  {
    app.Click(110);
    app.SetItemText(111, "0.01");
    app.PostCommand(122);
    HWND progress = WaitForProgress(app, kSplitTitle.c_str());
    ST_CHECK_EQ(AnswerBox(app, progress, 30000),
                std::wstring(L"\u300C\u30B5\u30A4\u30BA\u6307\u5B9A\u300D\u5024\u304C\u5C0F\u3055\u3059\u304E\u307E\u3059"));
    ST_CHECK_EQ(AnswerBox(app, progress, 30000), std::wstring(L"\u30A8\u30E9\u30FC"));
    ST_CHECK(JobEnded(app, progress));
    app.Click(103);
  }
  CloseApp(app);
  return Summary();
}
