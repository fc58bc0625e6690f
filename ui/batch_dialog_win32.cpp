// The Batch dialog: a list of recordings (Add..., dropped on the list or the
// main window, `Tavrin.exe /batch FILE...`; files added together in natural
// order), one operation with its settings for all, and Start, which runs
// each recording's job (app/batch_jobs.h: the core job the command line's
// command runs) under one progress dialog: "File k of n" before the job's
// status, the bar over the whole batch. Each recording's result shows in the
// list (Completed, or the job's reason); one failure does not stop the rest,
// Cancel stops the running job (which cleans up) and runs no more. Save job
// file... writes the lines `tavrin batch` runs; Load job file... reads them.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/batch_jobs.h"
#include "batch/batch_run.h"
#include "batch/job_file.h"
#include "exact/exact_coder.h"
#include "io/wide_path.h"
#include "job/forwarding_sink.h"
#include "ui/natural_order.h"
#include "ui/progress_dialog.h"
#include "ui/shell_state.h"
#include "ui/tool_ids.h"
#include "ui/tool_texts.h"
#include "ui/tool_ui.h"
#include "ui/tools.h"
#include "ui/wide_text.h"
#include "ui/win32_host.h"
#include "ui/window_exact_coder.h"

#include <commctrl.h>

namespace {

HWND openDialog = nullptr;  // the Batch dialog while it is open: drops on the main window go to it

struct BatchList {
  std::vector<std::string> files;
  std::vector<std::string> results;  // UTF-8, in the interface language; "" not run yet
};

BatchList& ListOf(HWND dialog) { return *reinterpret_cast<BatchList*>(GetWindowLongPtrW(dialog, DWLP_USER)); }
HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }
std::string FieldText(HWND dialog, int id) { return WindowTextUtf8(Item(dialog, id)); }
void SetFieldText(HWND dialog, int id, const std::string& text) { SetWindowTextUtf8(Item(dialog, id), text); }
std::string Utf8Text(const TextPair& text) { return Pick(text, AppShell().englishUi); }

// The radio buttons, in the order of BatchOperation with pieces and cut split in two.
const int kChoices[] = {IDC_BATCH_SPLIT_AT,   IDC_BATCH_BY_TIME, IDC_BATCH_BY_SIZE, IDC_BATCH_CUT_BESIDE,
                        IDC_BATCH_CUT_ONE,    IDC_BATCH_REPAIR,  IDC_BATCH_SOUND,   IDC_BATCH_LEAVE_OUT};

int ChoiceOf(const BatchSettings& s) {
  switch (s.operation) {
    case BatchOperation::SplitAt: return IDC_BATCH_SPLIT_AT;
    case BatchOperation::Pieces: return s.piecesBySize ? IDC_BATCH_BY_SIZE : IDC_BATCH_BY_TIME;
    case BatchOperation::Cut: return s.cutOneList ? IDC_BATCH_CUT_ONE : IDC_BATCH_CUT_BESIDE;
    case BatchOperation::Repair: return IDC_BATCH_REPAIR;
    case BatchOperation::SaveSound: return IDC_BATCH_SOUND;
    default: return IDC_BATCH_LEAVE_OUT;
  }
}

int CheckedChoice(HWND dialog) {
  for (int id : kChoices)
    if (IsDlgButtonChecked(dialog, id) == BST_CHECKED) return id;
  return IDC_BATCH_SPLIT_AT;
}

// Checks choice and enables only its field.
void ShowChoice(HWND dialog, int choice) {
  for (int id : kChoices) CheckDlgButton(dialog, id, id == choice ? BST_CHECKED : BST_UNCHECKED);
  const std::pair<int, int> fields[] = {{IDC_BATCH_AT_SECONDS, IDC_BATCH_SPLIT_AT}, {IDC_BATCH_EVERY, IDC_BATCH_BY_TIME},
                                        {IDC_BATCH_MB, IDC_BATCH_BY_SIZE},          {IDC_BATCH_LIST_FILE, IDC_BATCH_CUT_ONE},
                                        {IDC_BATCH_LIST_BROWSE, IDC_BATCH_CUT_ONE}, {IDC_BATCH_STREAM, IDC_BATCH_SOUND},
                                        {IDC_BATCH_DROP, IDC_BATCH_LEAVE_OUT}};
  for (const auto& field : fields) EnableWindow(Item(dialog, field.first), field.second == choice);
  // Exact cut: split in two and the cuts (tavrin split / cut --exact).
  const bool exactAsked = choice == IDC_BATCH_SPLIT_AT || choice == IDC_BATCH_CUT_BESIDE || choice == IDC_BATCH_CUT_ONE;
  EnableWindow(Item(dialog, IDC_BATCH_EXACT), exactAsked);
}

BatchSettings ReadSettings(HWND dialog) {
  BatchSettings s;
  const int choice = CheckedChoice(dialog);
  s.operation = choice == IDC_BATCH_SPLIT_AT                                 ? BatchOperation::SplitAt
                : choice == IDC_BATCH_BY_TIME || choice == IDC_BATCH_BY_SIZE  ? BatchOperation::Pieces
                : choice == IDC_BATCH_CUT_BESIDE || choice == IDC_BATCH_CUT_ONE ? BatchOperation::Cut
                : choice == IDC_BATCH_REPAIR                                   ? BatchOperation::Repair
                : choice == IDC_BATCH_SOUND                                    ? BatchOperation::SaveSound
                                                                               : BatchOperation::LeaveOut;
  s.piecesBySize = choice == IDC_BATCH_BY_SIZE;
  s.cutOneList = choice == IDC_BATCH_CUT_ONE;
  s.splitSeconds = FieldText(dialog, IDC_BATCH_AT_SECONDS);
  s.piecesEvery = FieldText(dialog, IDC_BATCH_EVERY);
  s.piecesMegabytes = FieldText(dialog, IDC_BATCH_MB);
  s.cutList = FieldText(dialog, IDC_BATCH_LIST_FILE);
  s.soundStream = FieldText(dialog, IDC_BATCH_STREAM);
  s.leaveOut = FieldText(dialog, IDC_BATCH_DROP);
  s.exact = IsDlgButtonChecked(dialog, IDC_BATCH_EXACT) == BST_CHECKED;
  return s;
}

void ShowSettings(HWND dialog, const BatchSettings& s) {
  SetFieldText(dialog, IDC_BATCH_AT_SECONDS, s.splitSeconds);
  SetFieldText(dialog, IDC_BATCH_EVERY, s.piecesEvery);
  SetFieldText(dialog, IDC_BATCH_MB, s.piecesMegabytes);
  SetFieldText(dialog, IDC_BATCH_LIST_FILE, s.cutList);
  SetFieldText(dialog, IDC_BATCH_STREAM, s.soundStream);
  SetFieldText(dialog, IDC_BATCH_DROP, s.leaveOut);
  CheckDlgButton(dialog, IDC_BATCH_EXACT, s.exact ? BST_CHECKED : BST_UNCHECKED);
  ShowChoice(dialog, ChoiceOf(s));
}

// The settings are kept for the next time (Tavrin.ini, Batch*= keys).
void KeepSettings(HWND dialog) { AppToolSettings().batch = ReadSettings(dialog); }

void ShowList(HWND dialog) {
  const BatchList& list = ListOf(dialog);
  HWND view = Item(dialog, IDC_BATCH_LIST);
  SendMessageW(view, WM_SETREDRAW, FALSE, 0);
  SendMessageW(view, LVM_DELETEALLITEMS, 0, 0);
  for (size_t i = 0; i < list.files.size(); ++i) {
    SetCell(view, int(i), 0, list.files[i]);
    SetCell(view, int(i), 1, list.results[i]);
  }
  SendMessageW(view, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);
  SendMessageW(view, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE_USEHEADER);
  SendMessageW(view, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(view, nullptr, TRUE);
}

// Files added together come in natural order, after the list; others than AVI are said and left out.
void AddFiles(HWND dialog, const std::vector<std::string>& names) {
  std::vector<std::string> avi, other;
  for (const std::string& name : names) (EndsInAvi(name) ? avi : other).push_back(name);
  SortByName(avi);
  BatchList& list = ListOf(dialog);
  list.files.insert(list.files.end(), avi.begin(), avi.end());
  list.results.resize(list.files.size());
  ShowList(dialog);
  if (other.empty()) return;
  std::wstring text = UiText(tool_text::kNotAviSkipped);
  for (const std::string& name : other) text += L"\n" + WideFromUtf8(name);
  ToolMessage(dialog, text);
}

void OnAdd(HWND dialog) {
  ToolSettings& tools = AppToolSettings();
  const std::vector<std::string> chosen = ChooseAviFiles(dialog, tools.joinFolder, "", true, tool_text::kChooseTitle);
  if (chosen.empty()) return;
  tools.joinFolder = FolderOf(chosen.front());
  AddFiles(dialog, chosen);
}

void OnRemove(HWND dialog) {
  BatchList& list = ListOf(dialog);
  HWND view = Item(dialog, IDC_BATCH_LIST);
  for (int i = int(list.files.size()) - 1; i >= 0; --i) {
    if (!(SendMessageW(view, LVM_GETITEMSTATE, WPARAM(i), LVIS_SELECTED) & LVIS_SELECTED)) continue;
    list.files.erase(list.files.begin() + i);
    list.results.erase(list.results.begin() + i);
  }
  ShowList(dialog);
}

// One job's sink in the batch: "File k of n: " before the job's status, its
// bar a part of the batch's, its messages kept for the result column
// instead of a box each. Cancel and the question before replacing go to the
// progress dialog as for one job.
class BatchJobSink final : public ForwardingSink {
 public:
  BatchJobSink(JobSink& host, size_t index, size_t count) : ForwardingSink(host), index_(index), count_(count) {
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, ::Pick(tool_text::kBatchFileOf, host.EnglishUi()), int(index + 1), int(count));
    prefix_ = prefix;
  }
  void Status(const char* text, int cells) override { host_.Status((prefix_ + text).c_str(), Overall(cells)); }
  void Progress(int cells) override { host_.Progress(Overall(cells)); }
  void Message(const char* text, MessageOwner) override { messages_.push_back(text); }
  // The first line of the job's first message: why it failed.
  std::string Reason() const {
    for (const std::string& m : messages_)
      if (!m.empty()) return m.substr(0, m.find_first_of("\r\n"));
    return ::Pick(tool_text::kBatchFailed, host_.EnglishUi());
  }

 private:
  int Overall(int cells) const { return int((index_ * 100 + size_t(cells)) / count_); }
  size_t index_, count_;
  std::string prefix_;
  std::vector<std::string> messages_;
};

void OnStart(HWND dialog) {
  KeepSettings(dialog);
  BatchList& list = ListOf(dialog);
  if (list.files.empty()) {
    ToolMessage(dialog, UiText(tool_text::kBatchAddFirst));
    return;
  }
  const BatchSettings settings = ReadSettings(dialog);
  // Exact jobs re-encode with the coder the Cut dialog and the command line use.
  const std::unique_ptr<ExactCoder> coder = settings.exact ? WindowExactCoder() : nullptr;
  std::vector<BatchJob> jobs;
  std::vector<JobLine> lines;
  for (size_t i = 0; i < list.files.size(); ++i) {
    jobs.push_back(MakeBatchJob(settings, list.files[i]));
    lines.push_back({int(i + 1), jobs.back().words});
    list.results[i].clear();
  }
  ShowList(dialog);
  BatchHost host;
  host.run = [&](const JobLine&, size_t index, size_t count) {
    if (jobs[index].problem) {
      list.results[index] = Utf8Text(*jobs[index].problem);
      return false;
    }
    BatchJobSink sink(AppJobSink(), index, count);
    const BatchJobEnd end = RunBatchJob(jobs[index], sink, coder.get());
    list.results[index] = end.succeeded ? Utf8Text(tool_text::kBatchCompleted)
                          : end.cancelled ? Utf8Text(tool_text::kBatchCancelled)
                                          : sink.Reason();
    return end.succeeded;
  };
  host.cancelled = [] { return CancelSet(AppJobState()); };
  BatchSummary summary;
  RunJobProgress(AppShell().instance, dialog, tool_text::kBatchTitle, RGB(170, 200, 130), [&](JobState&) {
    summary = RunJobs(lines, host);
    return summary.AllSucceeded() ? 0 : 1;
  });
  for (int line : summary.notRun) list.results[size_t(line - 1)] = Utf8Text(tool_text::kBatchNotRun);
  ShowList(dialog);
}

// The open dialog for a job file or a cut list; "" when cancelled.
std::string ChooseTextFile(HWND owner, const wchar_t* filter, const TextPair& title) {
  std::vector<wchar_t> buffer(32768, L'\0');
  const std::wstring caption = UiText(title);
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = DWORD(buffer.size());
  ofn.lpstrTitle = caption.c_str();
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
  if (!GetOpenFileNameW(&ofn)) return "";
  return Utf8FromWide(buffer.data());
}

// text written under a temporary name beside path, then moved into place.
bool WriteWhole(const std::string& path, const std::string& text) {
  const std::wstring part = WidePath(path + ".tavrin-part");
  HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size() &&
                  FlushFileBuffers(file);
  CloseHandle(file);
  if (ok && MoveFileExW(part.c_str(), WidePath(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileW(part.c_str());
  return false;
}

// The job file's lines: one a recording, names relative to its folder where
// they lie inside it; a recording that has no job is a comment saying why.
void OnSave(HWND dialog) {
  KeepSettings(dialog);
  const BatchList& list = ListOf(dialog);
  if (list.files.empty()) {
    ToolMessage(dialog, UiText(tool_text::kBatchAddFirst));
    return;
  }
  const std::string path = ChooseOutputFile(dialog, "batch.txt", tool_text::kBatchJobFileTitle, "txt");
  if (path.empty()) return;
  const BatchSettings settings = ReadSettings(dialog);
  std::string text = "# Tavrin batch\r\n";
  for (const std::string& file : list.files) {
    const BatchJob job = MakeBatchJob(settings, file);
    if (job.problem) text += "# " + file + ": " + Utf8Text(*job.problem) + "\r\n";
    else text += JobLineText(BatchJobFileWords(job, FolderOf(path))) + "\r\n";
  }
  if (!WriteWhole(path, text)) ToolMessage(dialog, UiText(tool_text::kBatchCannotWrite) + L"\n" + WideFromUtf8(path));
}

std::string LineText(int line, const TextPair& reason) {
  char number[64];
  std::snprintf(number, sizeof number, Utf8Text(tool_text::kBatchLine).c_str(), line);
  return number + Utf8Text(reason);
}

// The lines become the list and the settings: the first line the dialog can
// show gives the operation, and a line of another operation or another
// setting is left out and said.
void OnLoad(HWND dialog) {
  const std::string path = ChooseTextFile(dialog, L"*.txt\0*.txt\0*.*\0*.*\0", tool_text::kBatchJobFileTitle);
  if (path.empty()) return;
  std::vector<JobLine> jobs;
  int faultLine = 0;
  const std::string fault = ReadJobFile(path, &jobs, &faultLine);
  if (!fault.empty()) {
    ToolMessage(dialog, UiText(tool_text::kBatchCannotRead) + L"\n" + WideFromUtf8(path) + L"\n" +
                            WideFromUtf8((faultLine ? LineText(faultLine, {"", ""}) : "") + fault));
    return;
  }
  BatchSettings first = ReadSettings(dialog);
  bool haveFirst = false;
  std::vector<std::string> files, leftOut;
  for (const JobLine& job : jobs) {
    BatchSettings read = first;
    std::string recording;
    const TextPair* why = ReadBatchLine(job.words, FolderOf(path), &read, &recording);
    if (!why && haveFirst && MakeBatchJob(read, recording).words != MakeBatchJob(first, recording).words)
      why = &tool_text::kBatchLinesLeft;
    if (why) {
      leftOut.push_back(why == &tool_text::kBatchLinesLeft ? LineText(job.number, {"", ""}) + JobLineText(job.words)
                                                           : LineText(job.number, *why));
      continue;
    }
    if (!haveFirst) first = read, haveFirst = true;
    files.push_back(recording);
  }
  BatchList& list = ListOf(dialog);
  list.files = files;
  list.results.assign(files.size(), "");
  ShowSettings(dialog, first);
  ShowList(dialog);
  if (leftOut.empty()) return;
  std::string text = Utf8Text(tool_text::kBatchLinesLeft);
  for (const std::string& line : leftOut) text += "\n" + line;
  ToolMessage(dialog, WideFromUtf8(text));
}

void OnListBrowse(HWND dialog) {
  const std::string chosen =
      ChooseTextFile(dialog, L"*.edl;*.txt;*.csv\0*.edl;*.txt;*.csv\0*.*\0*.*\0", tool_text::kCutListTitle);
  if (!chosen.empty()) SetFieldText(dialog, IDC_BATCH_LIST_FILE, chosen);
}

void AddColumn(HWND list, int column, const TextPair& title) {
  std::wstring text = UiText(title);
  LVCOLUMNW c = {};
  c.mask = LVCF_TEXT | LVCF_SUBITEM | LVCF_WIDTH;
  c.pszText = &text[0];
  c.iSubItem = column;
  c.cx = 100;
  SendMessageW(list, LVM_INSERTCOLUMNW, WPARAM(column), reinterpret_cast<LPARAM>(&c));
}

void OnInit(HWND dialog, BatchList* list) {
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(list));
  HWND view = Item(dialog, IDC_BATCH_LIST);
  SendMessageW(view, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  AddColumn(view, 0, tool_text::kBatchFile);
  AddColumn(view, 1, tool_text::kBatchResult);
  ShowSettings(dialog, AppToolSettings().batch);
  list->results.assign(list->files.size(), "");
  ShowList(dialog);
  DragAcceptFiles(dialog, TRUE);
  openDialog = dialog;
}

void OnCommand(HWND dialog, int id) {
  switch (id) {
    case IDC_BATCH_ADD: OnAdd(dialog); break;
    case IDC_BATCH_REMOVE: OnRemove(dialog); break;
    case IDC_BATCH_LIST_BROWSE: OnListBrowse(dialog); break;
    case IDC_BATCH_SAVE: OnSave(dialog); break;
    case IDC_BATCH_LOAD: OnLoad(dialog); break;
    case IDOK: OnStart(dialog); break;
    case IDCANCEL:
      KeepSettings(dialog);
      openDialog = nullptr;
      EndDialog(dialog, IDCANCEL);
      break;
    default:
      for (int choice : kChoices)
        if (id == choice) ShowChoice(dialog, id);
      break;
  }
}

INT_PTR CALLBACK BatchDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(dialog, reinterpret_cast<BatchList*>(lParam));
      return TRUE;
    case WM_COMMAND:
      OnCommand(dialog, LOWORD(wParam));
      return TRUE;
    case WM_DROPFILES:
      AddFiles(dialog, TakeDroppedFiles(reinterpret_cast<HDROP>(wParam)));
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void RunBatchDialog(HWND mainWindow, const std::vector<std::string>& files) {
  BatchList list;
  list.files = files;
  SortByName(list.files);
  const wchar_t* templateName = AppShell().englishUi ? L"BATCHDLGE" : L"BATCHDLG";
  DialogBoxParamW(AppShell().instance, templateName, mainWindow, BatchDialogProc, reinterpret_cast<LPARAM>(&list));
  openDialog = nullptr;
}

bool DropIntoBatch(HDROP drop) {
  if (!openDialog) return false;
  AddFiles(openDialog, TakeDroppedFiles(drop));
  return true;
}
