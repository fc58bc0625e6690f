// Split, merge and Split-Merge run end to end from the real main window on a
// file made by a real muxer, with the jobs' messages read from their boxes;
// Enter in a field runs the execute command; Break after a cancel.
// Runs in English and Japanese.
#include "io/wide_path.h"
#include "tests/win/lib/app.h"

using namespace wt;

namespace {

bool StartsWith(const std::wstring& text, const std::wstring& start) { return text.rfind(start, 0) == 0; }

const std::wstring kCompleted = Lang(L"Completed\n\n", L"\u64CD\u4F5C\u5B8C\u4E86\n\n");  // 操作完了
const std::wstring kMergeOk = Lang(L"Merge O.K.\n\n", L"\u7D50\u5408\u53EF\u80FD\n\n");   // 結合可能

}  // namespace

int main() {
  if (!Begin(110000)) return Summary();
  const std::string folder = MakeDir("jobs");
  WriteBytes(folder + "\\Tavrin.ini", "TabNo=0\r\n");  // Split-Merge off
  const std::string clip = CopySample("ffmpeg_mpeg4_pcm_g12.avi", "clip.avi", folder);
  const std::string first = folder + "\\clip-1.avi", second = folder + "\\clip-2.avi";
  App app = Launch("", folder);

  Case("split from the window: progress dialog, Completed box over it, two whole files");
  {
    FillSplitPage(app, clip, "0", "0", "10", "2", IDC_CREATE_BOTH);
    app.PostCommand(IDC_EXECUTE);
    HWND progress = WaitForProgress(app, SplitTitle());
    WT_CHECK(progress != nullptr);
    const std::wstring text = AnswerMessageBox(progress, 30000);
    Check(StartsWith(text, kCompleted), "Completed: " + Show(text), __FILE__, __LINE__);
    WT_CHECK(JobEnded(app, progress));
    WT_CHECK(StaysQuiet(app));  // no "Break", no second job
    WT_CHECK(LooksLikeWholeAvi(first));
    WT_CHECK(LooksLikeWholeAvi(second));
    // 10 s of 30 s, plus 2 s of overlap in the second file.
    WT_CHECK(FileSize(first) < FileSize(clip) / 2);
    WT_CHECK(FileSize(second) > FileSize(clip) / 2);
    WT_CHECK(FileSize(first) + FileSize(second) > FileSize(clip));
  }

  if (Case("merge from the window: the Merge O.K. summary over the merge progress dialog", kEnglishOnly)) {
    app.Command(IDM_SWITCH_TAB);
    app.SetItemText(IDC_MERGE_FILE1, first);
    app.SetItemText(IDC_MERGE_FILE2, second);
    app.PostCommand(IDC_EXECUTE);
    HWND progress = WaitForProgress(app, MergeTitle());
    WT_CHECK(progress != nullptr);
    const std::wstring text = AnswerMessageBox(progress, 30000);
    Check(StartsWith(text, kMergeOk), "summary: " + Show(text), __FILE__, __LINE__);
    // The split's overlap (2 s, from the key frame before) is found at the seam.
    const size_t at = text.find(L"(Overlap ");
    WT_CHECK(at != std::wstring::npos);
    if (at != std::wstring::npos) {
      const double overlap = _wtof(text.c_str() + at + 9);
      Check(overlap >= 2.0 && overlap < 3.0, "overlap about 2 s: " + Show(text), __FILE__, __LINE__);
    }
    WT_CHECK(JobEnded(app, progress));
    WT_CHECK(StaysQuiet(app));
    app.Command(IDM_SWITCH_TAB);
  }

  Case("Split-Merge: no Completed box, the outputs go into the Merge page's fields and the merge runs at once");
  {
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());
    app.Command(IDM_SWITCH_TAB);
    app.SetItemText(IDC_MERGE_FILE1, "");
    app.SetItemText(IDC_MERGE_FILE2, "");
    app.Command(IDM_SWITCH_TAB);
    app.Click(IDC_SPLIT_MERGE);
    WT_CHECK(app.Checked(IDC_SPLIT_MERGE));
    WT_CHECK_EQ(app.ItemText(IDC_EXECUTE), Lang(L"Split-Merge", L"\u5206\u89E3-\u7D50\u5408"));
    app.SetItemText(IDC_OVERLAP, "5");
    app.PostCommand(IDC_EXECUTE);
    HWND progress = WaitForProgress(app, MergeTitle(), 30000);
    WT_CHECK(progress != nullptr);
    const std::wstring text = AnswerMessageBox(progress, 30000);
    Check(StartsWith(text, kMergeOk), "summary: " + Show(text), __FILE__, __LINE__);
    WT_CHECK(JobEnded(app, progress));
    WT_CHECK(StaysQuiet(app));
    WT_CHECK_EQ(TextA(app.Item(IDC_MERGE_FILE1)), first);
    WT_CHECK_EQ(TextA(app.Item(IDC_MERGE_FILE2)), second);
    WT_CHECK(app.Visible(IDC_SRC_FILE));  // the Merge page is not shown
    WT_CHECK(!app.Visible(IDC_MERGE_FILE1));
    WT_CHECK(LooksLikeWholeAvi(first));
    WT_CHECK(LooksLikeWholeAvi(second));
    app.Click(IDC_SPLIT_MERGE);
  }

  if (Case("Enter in a field runs the execute command (the default button)", kEnglishOnly)) {
    app.SetItemText(IDC_SRC_FILE, folder + "\\missing.avi");
    PostMessageA(app.Item(IDC_HOURS), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    HWND progress = WaitForProgress(app, SplitTitle());
    WT_CHECK(progress != nullptr);
    // The short text, then which file and why.
    const std::wstring want = L"File not open\n\n" + WideFromUtf8(folder) + L"\\missing.avi: ";
    WT_CHECK_EQ(AnswerMessageBox(progress).substr(0, want.size()), want);
    WT_CHECK(JobEnded(app, progress));
  }

  if (Case("a job's own failure box: no Break after it", kEnglishOnly)) {
    app.SetItemText(IDC_SRC_FILE, clip);
    app.SetItemText(IDC_OVERLAP, "61");
    app.PostCommand(IDC_EXECUTE);
    HWND progress = WaitForProgress(app, SplitTitle());
    WT_CHECK_EQ(AnswerMessageBox(progress), std::wstring(L"[Overlap] bad value(0-60)"));
    WT_CHECK(JobEnded(app, progress));
    WT_CHECK(StaysQuiet(app));
  }

  Case("cancel: the Break message, owned by the main window");
  {
    app.SetItemText(IDC_SRC_FILE, clip);
    app.SetItemText(IDC_OVERLAP, "x");
    app.PostCommand(IDC_EXECUTE);
    HWND progress = WaitForProgress(app, SplitTitle());
    WT_CHECK(WaitForMessageBox(progress) != nullptr);  // the job's box over its dialog
    CancelNow(progress);
    AnswerMessageBox(progress);
    WT_CHECK_EQ(
        AnswerMessageBox(app.main),
        Lang(L"Break", L"\u64CD\u4F5C\u304C\u4E2D\u65AD\u3055\u308C\u307E\u3057\u305F"));  // 操作が中断されました
  }
  CloseApp(app);
  return Summary();
}
