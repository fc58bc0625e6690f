// The Batch dialog from the program's own main window, run inside the test:
// three recordings dropped on the main window while it is open (one of them
// damaged) come in natural order, Start splits each under one progress
// dialog, the result column says Completed twice and the damaged one's
// reason, and the others' files are written. Its saved job file, run
// unchanged by tavrin-cli.exe batch, writes the very same bytes and exits 1
// for the damaged line. With Exact cut the split cuts at the very frame
// asked for and its job line says --exact. A job file with a line the
// dialog cannot show loads the rest and says which line it left out; the
// settings are kept.
// Runs in English and Japanese.
#include <cstring>

#include "tests/win/lib/browse.h"
#include "tests/win/lib/drop.h"
#include "tests/win/lib/tools.h"

using namespace wt;

namespace {

const char* kSample = "ffmpeg_mpeg4_pcm_g12.avi";

std::wstring BatchTitle() { return Lang(L"Batch", L"\u4E00\u62EC\u51E6\u7406"); }
std::wstring BatchProgressTitle() { return Lang(L"Tavrin - Batch", L"Tavrin - \u4E00\u62EC\u51E6\u7406"); }
std::wstring JobFileTitle() { return Lang(L"Job File", L"\u30B8\u30E7\u30D6\u30D5\u30A1\u30A4\u30EB"); }
std::wstring Completed() { return Lang(L"Completed", L"\u5B8C\u4E86"); }

std::wstring Cell(HWND dialog, int row, int column) {
  wchar_t text[1024] = {};
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 1024;
  SendMessageW(GetDlgItem(dialog, IDC_BATCH_LIST), LVM_GETITEMTEXTW, WPARAM(row), reinterpret_cast<LPARAM>(&item));
  return text;
}

int Rows(HWND dialog) { return int(SendMessageW(GetDlgItem(dialog, IDC_BATCH_LIST), LVM_GETITEMCOUNT, 0, 0)); }

// A copy of the sample whose index is renamed away: a recording without idx1.
std::string WithoutIndex(const std::string& path) {
  std::string bytes = ReadBytes(Env("TAVRIN_SAMPLES") + "\\" + kSample);
  const size_t index = bytes.rfind("idx1");
  Check(index != std::string::npos, "the sample has an idx1 index", __FILE__, __LINE__);
  if (index != std::string::npos) std::memcpy(&bytes[index], "JUNK", 4);
  WriteBytes(path, bytes);
  return path;
}

// tavrin-cli.exe batch JOBFILE run in folder: its exit code (-1 not run).
long RunCliBatch(const std::string& jobFile, const std::string& folder) {
  const std::string log = folder + "\\cli.log";
  PROCESS_INFORMATION process = {};
  const bool started = StartCli("batch \"" + jobFile + "\"", log, folder, &process);
  if (!started) return -1;
  DWORD code = DWORD(-1);
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  std::printf("   tavrin-cli batch said:\n%s\n", ReadBytes(log).c_str());
  return long(code);
}

const char* const kOutputs[] = {"clip2-1.avi", "clip2-2.avi", "clip10-1.avi", "clip10-2.avi"};

}  // namespace

int main() {
  if (!Begin(150000)) return Summary();
  const std::string folder = MakeDir("batch");
  InProcess app;
  RecordToolJobs();
  app.Start(0, folder);
  const std::string clip2 = CopySample(kSample, "clip2.avi", folder);
  const std::string clip10 = CopySample(kSample, "clip10.avi", folder);
  const std::string damaged = WithoutIndex(folder + "\\damaged.avi");

  Case("files dropped on the main window while the Batch dialog is open join its list in natural order");
  HWND dialog = OpenToolDialog(app, IDM_BATCH, BatchTitle(), "the Batch dialog");
  SendMessageW(app.main, WM_DROPFILES, WPARAM(MakeDrop({damaged, clip10, clip2}, 10, 10)), 0);
  if (WT_CHECK_EQ(Rows(dialog), 3)) {
    WT_CHECK(Cell(dialog, 0, 0).find(L"clip2.avi") != std::wstring::npos);
    WT_CHECK(Cell(dialog, 1, 0).find(L"clip10.avi") != std::wstring::npos);
    WT_CHECK(Cell(dialog, 2, 0).find(L"damaged.avi") != std::wstring::npos);
  }

  Case("Start splits each recording under one progress dialog: two Completed, the damaged one's reason");
  Click(dialog, IDC_BATCH_SPLIT_AT);
  WT_CHECK(Enabled(dialog, IDC_BATCH_AT_SECONDS));
  WT_CHECK(!Enabled(dialog, IDC_BATCH_EVERY));
  SetDlgItemTextA(dialog, IDC_BATCH_AT_SECONDS, "1");
  Post(dialog, IDOK);
  const std::vector<std::wstring> boxes = FollowJob(dialog, BatchProgressTitle());
  WT_CHECK_EQ(boxes.size(), size_t(0));  // no box per file: the results go into the list
  WT_CHECK(WaitUntil([&] { return Cell(dialog, 0, 1) == Completed(); }));
  WT_CHECK(Cell(dialog, 0, 1) == Completed());
  WT_CHECK(Cell(dialog, 1, 1) == Completed());
  const std::wstring reason = Cell(dialog, 2, 1);
  WT_CHECK(!reason.empty() && reason != Completed());
  for (const char* name : kOutputs) WT_CHECK(LooksLikeWholeAvi(folder + "\\" + name));
  WT_CHECK(FilesIn(folder).find("damaged-") == std::string::npos);

  Case("Save job file... writes the lines tavrin batch runs, names relative to the job file");
  const std::string jobFile = folder + "\\jobs.txt";
  Post(dialog, IDC_BATCH_SAVE);
  AnswerFileDialog(dialog, JobFileTitle(), WideFromUtf8(jobFile));
  WT_CHECK(WaitUntil([&] { return ReadBytes(jobFile) != "<missing>"; }));
  const std::string jobs = ReadBytes(jobFile);
  WT_CHECK(jobs.find("split clip2.avi --seconds 1\r\nsplit clip10.avi --seconds 1\r\nsplit damaged.avi --seconds 1\r\n") !=
           std::string::npos);

  Case("the job file run unchanged by tavrin-cli.exe batch writes the same bytes, exit 1 for the damaged line");
  for (const char* name : kOutputs)
    MoveFileA((folder + "\\" + name).c_str(), (folder + "\\" + name + ".window").c_str());
  WT_CHECK_EQ(RunCliBatch(jobFile, folder), 1L);
  for (const char* name : kOutputs) {
    const std::string path = folder + "\\" + name;
    WT_CHECK(ReadBytes(path).size() > 0 && ReadBytes(path) == ReadBytes(path + ".window"));
  }

  Case("Exact cut: the split at 1 s keeps exactly 25 frames (the key-frame cut keeps 36), its job line says --exact");
  Click(dialog, IDC_BATCH_BY_TIME);
  WT_CHECK(!Enabled(dialog, IDC_BATCH_EXACT));
  Click(dialog, IDC_BATCH_SPLIT_AT);
  WT_CHECK(Enabled(dialog, IDC_BATCH_EXACT));
  Click(dialog, IDC_BATCH_EXACT);
  const long keyFrameCut = long(AvihField(folder + "\\clip2-1.avi", 4));
  WT_CHECK_EQ(keyFrameCut, 36L);
  Post(dialog, IDOK);
  FollowJob(dialog, BatchProgressTitle());
  WT_CHECK(WaitUntil([&] { return Cell(dialog, 0, 1) == Completed(); }));
  WT_CHECK(Cell(dialog, 1, 1) == Completed());
  WT_CHECK_EQ(long(AvihField(folder + "\\clip2-1.avi", 4)), 25L);
  WT_CHECK_EQ(long(AvihField(folder + "\\clip10-1.avi", 4)), 25L);
  WT_CHECK_EQ(DecodedFrames(folder + "\\clip10-1.avi"), std::string("25"));
  const std::string exactJobs = folder + "\\exact.txt";
  Post(dialog, IDC_BATCH_SAVE);
  AnswerFileDialog(dialog, JobFileTitle(), WideFromUtf8(exactJobs));
  WT_CHECK(WaitUntil([&] { return ReadBytes(exactJobs) != "<missing>"; }));
  WT_CHECK(ReadBytes(exactJobs).find("split clip2.avi --seconds 1 --exact\r\n") != std::string::npos);
  Click(dialog, IDC_BATCH_EXACT);  // unticked; the job file ticks it again
  Post(dialog, IDC_BATCH_LOAD);
  AnswerFileDialog(dialog, JobFileTitle(), WideFromUtf8(exactJobs));
  WT_CHECK(WaitUntil([&] { return IsDlgButtonChecked(dialog, IDC_BATCH_EXACT) == BST_CHECKED; }));

  Case("Load job file... shows the lines it can, says which it left out; the settings are kept at Close");
  WriteBytes(folder + "\\other.txt", "# two jobs\nrepair clip2.avi\ninfo clip10.avi\n");
  Post(dialog, IDC_BATCH_LOAD);
  AnswerFileDialog(dialog, JobFileTitle(), WideFromUtf8(folder + "\\other.txt"));
  const std::wstring said = AnswerMessageBox(dialog);
  WT_CHECK(said.find(L"3") != std::wstring::npos);  // the info line, line 3
  if (WT_CHECK_EQ(Rows(dialog), 1)) WT_CHECK(Cell(dialog, 0, 0).find(L"clip2.avi") != std::wstring::npos);
  WT_CHECK(IsDlgButtonChecked(dialog, IDC_BATCH_REPAIR) == BST_CHECKED);
  Post(dialog, IDCANCEL);
  WT_CHECK(WaitUntil([&] { return !IsWindow(dialog); }));
  WT_CHECK(AppToolSettings().batch.operation == BatchOperation::Repair);
  WT_CHECK_EQ(AppToolSettings().batch.splitSeconds, std::string("1"));
  return Summary();
}
