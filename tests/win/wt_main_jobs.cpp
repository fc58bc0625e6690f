// Split, merge and Split-Merge run end to end from the real main window on a
// file made by a real muxer, with the jobs' messages read from their boxes;
// Enter in a field runs the execute command.
#include "wt_main_jobs.h"

using namespace shelltest;

int main() {
  StartWatchdog(110000);
  const std::string folder = MakeDir("jobs");
  WriteBytes(folder + "\\Tavrin.ini", "TabNo=0\r\n");  // Split-Merge off
  const std::string clip = CopySample("ffmpeg_mpeg4_pcm_g12.avi", folder, "clip.avi");
  const std::string first = folder + "\\clip-1.avi", second = folder + "\\clip-2.avi";
  App app = Launch("", folder);

  Case("split from the window: progress dialog, Completed box over it, two whole files");
  {
    FillSplitPage(app, clip, "0", "0", "10", "2", 114);
    app.PostCommand(122);
    HWND progress = WaitForProgress(app, L"Tavrin - Split");
    ST_CHECK(progress != nullptr);
    const std::wstring text = AnswerBox(app, progress, 30000);
    ST_CHECK_EQ(text.substr(0, 11), std::wstring(L"Completed\n\n"));
    ST_CHECK(JobEnded(app, progress));
    ST_CHECK(StaysQuiet(app));  // no "Break", no second job
    ST_CHECK(LooksLikeWholeAvi(first));
    ST_CHECK(LooksLikeWholeAvi(second));
    // 10 s of 30 s, plus 2 s of overlap in the second file.
    ST_CHECK(FileSize(first) < FileSize(clip) / 2);
    ST_CHECK(FileSize(second) > FileSize(clip) / 2);
    ST_CHECK(FileSize(first) + FileSize(second) > FileSize(clip));
  }

  Case("merge from the window: the Merge O.K. summary over the merge progress dialog");
  {
    app.Command(230);
    app.SetItemText(151, first);
    app.SetItemText(154, second);
    app.PostCommand(122);
    HWND progress = WaitForProgress(app, L"Tavrin - Merge");
    ST_CHECK(progress != nullptr);
    const std::wstring text = AnswerBox(app, progress, 30000);
    ST_CHECK_EQ(text.substr(0, 12), std::wstring(L"Merge O.K.\n\n"));
    // The split's overlap (2 s, from the key frame before) is found at the seam.
    const size_t at = text.find(L"(Overlap ");
    ST_CHECK(at != std::wstring::npos);
    if (at != std::wstring::npos) {
      const double overlap = _wtof(text.c_str() + at + 9);
      Check(overlap >= 2.0 && overlap < 3.0, "overlap about 2 s: " + Show(text), __FILE__, __LINE__);
    }
    ST_CHECK(JobEnded(app, progress));
    ST_CHECK(StaysQuiet(app));
    app.Command(230);
  }

  Case("Split-Merge: no Completed box, the outputs go into 151/154 and the merge runs at once");
  {
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());
    app.Command(230);
    app.SetItemText(151, "");
    app.SetItemText(154, "");
    app.Command(230);
    app.Click(120);
    ST_CHECK(app.Checked(120));
    ST_CHECK_EQ(app.ItemText(122), std::wstring(L"Split-Merge"));
    app.SetItemText(118, "5");
    app.PostCommand(122);
    HWND progress = WaitForProgress(app, L"Tavrin - Merge", 30000);
    ST_CHECK(progress != nullptr);
    const std::wstring text = AnswerBox(app, progress, 30000);
    ST_CHECK_EQ(text.substr(0, 12), std::wstring(L"Merge O.K.\n\n"));
    ST_CHECK(JobEnded(app, progress));
    ST_CHECK(StaysQuiet(app));
    ST_CHECK_EQ(TextA(app.Item(151)), first);
    ST_CHECK_EQ(TextA(app.Item(154)), second);
    ST_CHECK(app.Visible(101));  // the Merge page is not shown
    ST_CHECK(!app.Visible(151));
    ST_CHECK(LooksLikeWholeAvi(first));
    ST_CHECK(LooksLikeWholeAvi(second));
    app.Click(120);
  }

  Case("Enter in a field runs the execute command (the default button)");
  {
    app.SetItemText(101, folder + "\\missing.avi");
    PostMessageA(app.Item(104), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    HWND progress = WaitForProgress(app, L"Tavrin - Split");
    ST_CHECK(progress != nullptr);
    ST_CHECK_EQ(AnswerBox(app, progress), std::wstring(L"File not open"));
    ST_CHECK(JobEnded(app, progress));
  }

  Case("a job's own failure box: no Break after it");
  {
    app.SetItemText(101, clip);
    app.SetItemText(118, "61");
    app.PostCommand(122);
    HWND progress = WaitForProgress(app, L"Tavrin - Split");
    ST_CHECK_EQ(AnswerBox(app, progress), std::wstring(L"[Overlap] bad value(0-60)"));
    ST_CHECK(JobEnded(app, progress));
    ST_CHECK(StaysQuiet(app));
  }
  CloseApp(app);
  return Summary();
}
