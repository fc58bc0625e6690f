// Cancel from the real main window: "Break" after a cancelled job; after a
// cancel during the split engine only that run's chosen outputs are deleted;
// finished files of an earlier run survive a cancel that came before the
// engine (also one pressed while the job's own message was open) and a
// cancelled chained merge keeps the split's outputs.
#include "wt_main_jobs.h"

using namespace shelltest;

namespace {

const std::string kEarlier = "finished file of an earlier run";

// Starts a split of input and presses Cancel once the engine is writing.
void SplitAndCancelDuringEngine(const App& app, const std::string& input, int createRadio) {
  FillSplitPage(app, input, "0", "1", "0", "0", createRadio);
  app.PostCommand(122);
  HWND progress = WaitForProgress(app, L"Tavrin - Split");
  if (!Check(progress != nullptr, "the split progress dialog opens", __FILE__, __LINE__)) return;
  Check(WaitUntil([&] { return StatusOf(progress) == "File Creating"; }, 30000), "the engine starts writing",
        __FILE__, __LINE__);
  PostMessageA(progress, WM_COMMAND, IDCANCEL, 0);
  ST_CHECK_EQ(AnswerBox(app, app.main, 30000), std::wstring(L"Break"));
  ST_CHECK(JobEnded(app, progress));
}

}  // namespace

int main() {
  StartWatchdog(170000);
  const std::string folder = MakeDir("cancel");
  WriteBytes(folder + "\\Tavrin.ini", "TabNo=0\r\n");
  // 120 s of 120 kB frames: about 360 MB, long enough to copy for a Cancel to land.
  const std::string big = folder + "\\big.avi";
  ST_CHECK(WriteLargeAvi(big, 3000, 120000));
  const std::string first = folder + "\\big-1.avi", second = folder + "\\big-2.avi";
  App app = Launch("", folder);

  Case("cancel during the engine, 1st file only: the first output goes, an earlier second file stays");
  {
    WriteBytes(second, kEarlier);
    SplitAndCancelDuringEngine(app, big, 115);
    ST_CHECK(!FileExists(first));
    ST_CHECK_EQ(ReadBytes(second), kEarlier);
  }

  Case("cancel during the engine, 2nd file only: the second output goes, an earlier first file stays");
  {
    WriteBytes(first, kEarlier);
    SplitAndCancelDuringEngine(app, big, 116);
    ST_CHECK(!FileExists(second));
    ST_CHECK_EQ(ReadBytes(first), kEarlier);
  }

  Case("cancel during the engine, both files: both outputs go");
  {
    SplitAndCancelDuringEngine(app, big, 114);
    ST_CHECK(!FileExists(first));
    ST_CHECK(!FileExists(second));
  }

  Case("Cancel pressed while the job's own message is open: Break, earlier outputs kept");
  {
    WriteBytes(first, kEarlier);
    WriteBytes(second, kEarlier);
    FillSplitPage(app, big, "0", "1", "0", "abc", 114);  // an overlap that is no number: the job says so, result -1
    app.PostCommand(122);
    HWND progress = WaitForProgress(app, L"Tavrin - Split");
    HWND box = WaitForMessageBox(app);
    ST_CHECK(box != nullptr && GetWindow(box, GW_OWNER) == progress);
    PostMessageA(progress, WM_COMMAND, IDCANCEL, 0);
    ST_CHECK_EQ(AnswerBox(app, progress), std::wstring(L"[Overlap] bad value"));
    ST_CHECK_EQ(AnswerBox(app, app.main), std::wstring(L"Break"));
    ST_CHECK_EQ(ReadBytes(first), kEarlier);
    ST_CHECK_EQ(ReadBytes(second), kEarlier);
  }

  Case("a cancelled merge chained behind a split: Break, the split's outputs kept");
  {
    // "1st file only" with Split-Merge still checked: the split writes big-1.avi,
    // the chained merge stops at the missing big-2.avi with its message;
    // Cancel is pressed while that message is open.
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());
    app.Click(120);
    ST_CHECK(app.Checked(120));
    FillSplitPage(app, big, "0", "1", "0", "0", 115);
    ST_CHECK(app.Enabled(120));
    app.PostCommand(122);
    HWND merge = WaitForProgress(app, L"Tavrin - Merge", 60000);
    ST_CHECK(merge != nullptr);
    HWND box = WaitForMessageBox(app);
    ST_CHECK(box != nullptr && GetWindow(box, GW_OWNER) == merge);
    PostMessageA(merge, WM_COMMAND, IDCANCEL, 0);
    ST_CHECK_EQ(AnswerBox(app, merge), std::wstring(L"AVI File 2nd not open"));
    ST_CHECK_EQ(AnswerBox(app, app.main), std::wstring(L"Break"));
    ST_CHECK(LooksLikeWholeAvi(first));
    ST_CHECK_EQ(TextA(app.Item(151)), first);
    ST_CHECK_EQ(TextA(app.Item(154)), second);
  }
  CloseApp(app);
  DeleteFileA(big.c_str());
  DeleteFileA(first.c_str());
  DeleteFileA(second.c_str());
  return Summary();
}
