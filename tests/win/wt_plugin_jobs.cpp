// The real TavrinD.dll beside the program: Split-Merge and the Merge tab
// write the joined file and end in "Completed" (the joined file is the file
// that was split, byte for byte: PCM audio in whole chunks), "File size"
// splits within the limit, and its refusals come before the job's "Error".
#include "wt_main_jobs.h"

using namespace shelltest;

namespace {
std::string RealPlugin() { return Env("TAVRIN_WIN_BUILD_DIR") + "\\dll\\TavrinD.dll"; }
}  // namespace

int main() {
  StartWatchdog(150000);
  const std::string folder = MakeDir("plugin_jobs");
  WriteBytes(folder + "\\Tavrin.ini", "TabNo=0\r\n");
  ST_CHECK(CopyTo(RealPlugin(), folder + "\\TavrinD.dll"));
  const std::string clip = CopySample("ffmpeg_mpeg4_pcm_g12.avi", folder, "clip.avi");
  const std::string first = folder + "\\clip-1.avi", second = folder + "\\clip-2.avi";
  const std::string joined = folder + "\\clip-m.avi";
  const std::string original = ReadBytes(clip);
  App app = Launch("", folder);

  Case("Split-Merge with the plug-in: the chained merge writes the joined file and says Completed");
  {
    FillSplitPage(app, clip, "0", "0", "13", "7.5", 114);
    app.Click(120);
    ST_CHECK(app.Checked(120));
    app.PostCommand(122);
    HWND progress = WaitForProgress(app, L"Tavrin - Merge", 30000);
    ST_CHECK(progress != nullptr);
    ST_CHECK_EQ(AnswerBox(app, progress, 60000), std::wstring(L"Completed"));
    ST_CHECK(JobEnded(app, progress));
    ST_CHECK(StaysQuiet(app));
    ST_CHECK(ReadBytes(joined) == original);
    app.Click(120);
  }

  Case("the Merge tab with the plug-in: the joined file replaces the earlier one");
  {
    WriteBytes(joined, "old");
    app.Command(230);
    app.SetItemText(151, first);
    app.SetItemText(154, second);
    app.PostCommand(122);
    HWND progress = WaitForProgress(app, L"Tavrin - Merge");
    ST_CHECK_EQ(AnswerBox(app, progress, 60000), std::wstring(L"Completed"));
    ST_CHECK(JobEnded(app, progress));
    ST_CHECK(ReadBytes(joined) == original);
    app.Command(230);
  }

  Case("File size with the plug-in: the first file fits in 2 MB, Completed");
  {
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());
    app.SetItemText(101, clip);
    app.Click(110);
    app.SetItemText(111, "2");
    app.SetItemText(118, "3");
    app.Click(114);
    app.PostCommand(122);
    HWND progress = WaitForProgress(app, L"Tavrin - Split");
    ST_CHECK(progress != nullptr);
    ST_CHECK_EQ(AnswerBox(app, progress, 60000), std::wstring(L"Completed"));
    ST_CHECK(JobEnded(app, progress));
    ST_CHECK(StaysQuiet(app));
    ST_CHECK(LooksLikeWholeAvi(first));
    ST_CHECK(LooksLikeWholeAvi(second));
    ST_CHECK(FileSize(first) <= 2 * 1048576);
    ST_CHECK(FileSize(first) > 1800000);
  }

  Case("File size larger than the file: the reason, then Error; nothing written");
  {
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());
    app.SetItemText(111, "100");
    app.PostCommand(122);
    HWND progress = WaitForProgress(app, L"Tavrin - Split");
    ST_CHECK_EQ(AnswerBox(app, progress, 30000), std::wstring(L"File already fits in [File size]"));
    ST_CHECK_EQ(AnswerBox(app, progress, 30000), std::wstring(L"Error"));
    ST_CHECK(JobEnded(app, progress));
    ST_CHECK(FileSize(first) < 0);
    ST_CHECK(FileSize(second) < 0);
    app.Click(103);
  }
  CloseApp(app);
  return Summary();
}
