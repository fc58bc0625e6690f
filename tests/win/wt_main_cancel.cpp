// Cancel from the program's own main window, run inside the test: "Break"
// after a cancelled job; a cancel during the split engine leaves no output of
// that run and every file that existed before it unchanged; finished files of
// an earlier run survive a cancel that came before the engine (also one
// pressed while the job's own message was open) and a cancelled chained merge
// keeps the split's outputs.
#include <sstream>

#include "io/part_files.h"
#include "tests/win/lib/inproc.h"
#include "tests/win/lib/progress_watch.h"

using namespace wt;

namespace {

const std::string kEarlier = "finished file of an earlier run";

// The outputs' temporary files in folder.
int PartsIn(const std::string& folder) {
  std::istringstream names(FilesIn(folder));
  int parts = 0;
  for (std::string name; names >> name;) parts += IsPartName(name);
  return parts;
}

// Answers Yes to the question whether to replace an earlier run's files.
void AnswerReplaceQuestion(const App& app) {
  HWND progress = WaitForProgress(app, L"Tavrin - Split");
  const std::wstring question = AnswerMessageBox(progress, 30000, IDYES);
  Check(question.find(L"Replace them?") != std::wstring::npos, "the replace question: " + Show(question), __FILE__,
        __LINE__);
}

// Splits input (in folder) at one minute, Cancel pressed at the engine's
// first report once it is writing (its report at 10 comes before any file is
// made): the temporary files of the outputs wanted are there at the press.
// When an earlier output is in the way, the replace question comes first
// and is answered Yes (the cancel then keeps the earlier file all the same).
void SplitAndCancelDuringEngine(const App& app, const std::string& folder, const std::string& input, int createRadio,
                                bool replaceQuestion = false) {
  FillSplitPage(app, input, "0", "1", "0", "0", createRadio);
  int partsAtPress = -1;
  CancelAt(app.main, [&](const ProgressEvent& e) {
    if (e.status != "File Creating" || e.cells <= 10) return false;
    partsAtPress = PartsIn(folder);
    return true;
  });
  app.PostCommand(IDC_EXECUTE);
  if (replaceQuestion) AnswerReplaceQuestion(app);
  WT_CHECK_EQ(AnswerMessageBox(app.main, 30000), std::wstring(L"Break"));
  WT_CHECK_CANCELLED_IN(app.main, L"Tavrin - Split");
  WT_CHECK_EQ(partsAtPress, createRadio == IDC_CREATE_BOTH ? 2 : 1);
  WT_CHECK(JobEnded(app, cancelPress.dialog));
}

}  // namespace

int main() {
  if (!Begin(110000)) return Summary();  // below the runner's 120 s limit
  const std::string folder = MakeDir("cancel");
  const std::string big = CopySample("ffmpeg_mpeg4_mp3_g25_150s.avi", "big.avi", folder);
  const std::string first = folder + "\\big-1.avi", second = folder + "\\big-2.avi";
  InProcess window;
  window.Start(0, folder, /*splitThenMerge=*/0);
  const App app = window.AsApp();

  Case("cancel during the engine, 1st file only: no first output, an earlier second file stays");
  {
    WriteBytes(second, kEarlier);
    SplitAndCancelDuringEngine(app, folder, big, IDC_CREATE_FIRST);
    WT_CHECK(!FileExists(first));
    WT_CHECK_EQ(ReadBytes(second), kEarlier);
  }

  Case("cancel during the engine, 2nd file only: an earlier second file is not replaced, nor the first");
  {
    WriteBytes(first, kEarlier);
    SplitAndCancelDuringEngine(app, folder, big, IDC_CREATE_SECOND, /*replaceQuestion=*/true);
    WT_CHECK_EQ(ReadBytes(second), kEarlier);
    WT_CHECK_EQ(ReadBytes(first), kEarlier);
  }

  Case("cancel during the engine, both files: no output, and no file left in the folder but the input");
  {
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());
    SplitAndCancelDuringEngine(app, folder, big, IDC_CREATE_BOTH);
    WT_CHECK(!FileExists(first));
    WT_CHECK(!FileExists(second));
    WT_CHECK_EQ(FilesIn(folder), std::string("big.avi"));
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
    CancelNow(progress);
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
    // Its text, then below a blank line the file that is missing and why.
    WT_CHECK_EQ(AnswerMessageBox(merge).substr(0, 23), std::wstring(L"AVI File 2nd not open\n\n"));
    WT_CHECK_EQ(AnswerMessageBox(app.main), std::wstring(L"Break"));
    WT_CHECK(LooksLikeWholeAvi(first));
    WT_CHECK_EQ(TextA(app.Item(IDC_MERGE_FILE1)), first);
    WT_CHECK_EQ(TextA(app.Item(IDC_MERGE_FILE2)), second);
  }
  window.Stop();
  DeleteFileA(big.c_str());
  DeleteFileA(first.c_str());
  DeleteFileA(second.c_str());
  return Summary();
}
