// Cancel from the real main window: "Break" after a cancelled job; a cancel
// during the split engine leaves no output of that run and every file that
// existed before it unchanged; finished files of an earlier run survive a
// cancel that came before the engine (also one pressed while the job's own
// message was open) and a cancelled chained merge keeps the split's outputs.
#include "tests/native/avi_builder.h"
#include "tests/win/lib/app.h"

using namespace wt;

namespace {

const std::string kEarlier = "finished file of an earlier run";

// Starts a split of input and presses Cancel once the engine is writing.
void SplitAndCancelDuringEngine(const App& app, const std::string& input, int createRadio) {
  FillSplitPage(app, input, "0", "1", "0", "0", createRadio);
  app.PostCommand(IDC_EXECUTE);
  HWND progress = WaitForProgress(app, L"Tavrin - Split");
  if (!Check(progress != nullptr, "the split progress dialog opens", __FILE__, __LINE__)) return;
  Check(WaitUntil([&] { return StatusOf(progress) == "File Creating"; }, 30000), "the engine starts writing", __FILE__,
        __LINE__);
  PostMessageA(progress, WM_COMMAND, IDCANCEL, 0);
  WT_CHECK_EQ(AnswerMessageBox(app.main, 30000), std::wstring(L"Break"));
  WT_CHECK(JobEnded(app, progress));
}

}  // namespace

int main() {
  if (!Begin(170000)) return Summary();
  const std::string folder = MakeDir("cancel");
  WriteBytes(folder + "\\Tavrin.ini", "TabNo=0\r\n");
  // 120 s of 120 kB frames: about 360 MB, long enough to copy for a Cancel to land.
  const std::string big = folder + "\\big.avi";
  WT_CHECK(avitest::WriteAviFile(big, avitest::LargeClip(3000, 120000)));
  const std::string first = folder + "\\big-1.avi", second = folder + "\\big-2.avi";
  App app = Launch("", folder);

  Case("cancel during the engine, 1st file only: no first output, an earlier second file stays");
  {
    WriteBytes(second, kEarlier);
    SplitAndCancelDuringEngine(app, big, IDC_CREATE_FIRST);
    WT_CHECK(!FileExists(first));
    WT_CHECK_EQ(ReadBytes(second), kEarlier);
  }

  Case("cancel during the engine, 2nd file only: an earlier second file is not replaced, nor the first");
  {
    WriteBytes(first, kEarlier);
    SplitAndCancelDuringEngine(app, big, IDC_CREATE_SECOND);
    WT_CHECK_EQ(ReadBytes(second), kEarlier);
    WT_CHECK_EQ(ReadBytes(first), kEarlier);
  }

  Case("cancel during the engine, both files: no output, and no file left in the folder but the input");
  {
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());
    SplitAndCancelDuringEngine(app, big, IDC_CREATE_BOTH);
    WT_CHECK(!FileExists(first));
    WT_CHECK(!FileExists(second));
    WT_CHECK_EQ(FilesIn(folder), std::string("Tavrin.ini big.avi"));
  }

  Case("Cancel pressed while the job's own message is open: Break, earlier outputs kept");
  {
    WriteBytes(first, kEarlier);
    WriteBytes(second, kEarlier);
    FillSplitPage(app, big, "0", "1", "0", "abc",
                  IDC_CREATE_BOTH);  // an overlap that is no number: the job says so, result -1
    app.PostCommand(IDC_EXECUTE);
    HWND progress = WaitForProgress(app, L"Tavrin - Split");
    WT_CHECK(WaitForMessageBox(progress) != nullptr);  // the job's box over its dialog
    PostMessageA(progress, WM_COMMAND, IDCANCEL, 0);
    WT_CHECK_EQ(AnswerMessageBox(progress), std::wstring(L"[Overlap] bad value"));
    WT_CHECK_EQ(AnswerMessageBox(app.main), std::wstring(L"Break"));
    WT_CHECK_EQ(ReadBytes(first), kEarlier);
    WT_CHECK_EQ(ReadBytes(second), kEarlier);
  }

  Case("a cancelled merge chained behind a split: Break, the split's outputs kept");
  {
    // "1st file only" with Split-Merge still checked: the split writes big-1.avi,
    // the chained merge stops at the missing big-2.avi with its message;
    // Cancel is pressed while that message is open.
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());
    app.Click(IDC_SPLIT_MERGE);
    WT_CHECK(app.Checked(IDC_SPLIT_MERGE));
    FillSplitPage(app, big, "0", "1", "0", "0", IDC_CREATE_FIRST);
    WT_CHECK(app.Enabled(IDC_SPLIT_MERGE));
    app.PostCommand(IDC_EXECUTE);
    HWND merge = WaitForProgress(app, L"Tavrin - Merge", 60000);
    WT_CHECK(merge != nullptr);
    WT_CHECK(WaitForMessageBox(merge) != nullptr);  // the job's box over its dialog
    PostMessageA(merge, WM_COMMAND, IDCANCEL, 0);
    WT_CHECK_EQ(AnswerMessageBox(merge), std::wstring(L"AVI File 2nd not open"));
    WT_CHECK_EQ(AnswerMessageBox(app.main), std::wstring(L"Break"));
    WT_CHECK(LooksLikeWholeAvi(first));
    WT_CHECK_EQ(TextA(app.Item(IDC_MERGE_FILE1)), first);
    WT_CHECK_EQ(TextA(app.Item(IDC_MERGE_FILE2)), second);
  }
  CloseApp(app);
  DeleteFileA(big.c_str());
  DeleteFileA(first.c_str());
  DeleteFileA(second.c_str());
  return Summary();
}
