// The Join dialog: a list of files that the user adds (the open dialog, many
// at once), drops in, removes and reorders; the joined file's name, which
// follows the list until the user types another; "Drop overlaps" for the
// pieces of a split. Join runs the join job under the progress dialog and
// closes the dialog once it has written the file; after a failure or Cancel
// the list stays for another try (the job leaves no file behind).
#include <algorithm>
#include <string>
#include <vector>

#include "ui/shell_state.h"
#include "ui/natural_order.h"
#include "ui/preview.h"
#include "ui/shell_texts.h"
#include "ui/tool_ids.h"
#include "ui/tool_jobs.h"
#include "ui/tool_texts.h"
#include "ui/tool_ui.h"
#include "ui/tools.h"
#include "ui/wide_text.h"
#include "ui/win32_host.h"

namespace {

struct JoinList {
  std::vector<std::string> files;  // UTF-8, in joining order
  std::string shownDefault;        // the output name last filled in for the user
};

JoinList& ListOf(HWND dialog) { return *reinterpret_cast<JoinList*>(GetWindowLongPtrW(dialog, DWLP_USER)); }

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }

int Selected(HWND dialog) { return int(SendMessageW(Item(dialog, IDC_JOIN_LIST), LB_GETCURSEL, 0, 0)); }

// Lets the list scroll sideways far enough for its longest name.
void FitListWidth(HWND list, const std::vector<std::string>& files) {
  HDC dc = GetDC(list);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
  LONG widest = 0;
  for (const std::string& file : files) {
    const std::wstring name = WideFromUtf8(file);
    SIZE size = {};
    GetTextExtentPoint32W(dc, name.c_str(), int(name.size()), &size);
    widest = std::max(widest, size.cx);
  }
  SelectObject(dc, old);
  ReleaseDC(list, dc);
  SendMessageW(list, LB_SETHORIZONTALEXTENT, WPARAM(widest + 8), 0);
}

void EnableButtons(HWND dialog) {
  const JoinList& list = ListOf(dialog);
  const int selected = Selected(dialog);
  const int count = int(list.files.size());
  EnableWindow(Item(dialog, IDC_JOIN_REMOVE), selected >= 0);
  EnableWindow(Item(dialog, IDC_JOIN_UP), selected > 0);
  EnableWindow(Item(dialog, IDC_JOIN_DOWN), selected >= 0 && selected + 1 < count);
  EnableWindow(Item(dialog, IDOK), count >= 2);
}

// The output field follows the list while it shows the name filled in for
// the user (or nothing); a name the user typed stays.
void FollowDefaultName(HWND dialog) {
  JoinList& list = ListOf(dialog);
  HWND output = Item(dialog, IDC_JOIN_OUTPUT);
  const std::string shown = WindowTextUtf8(output);
  if (!shown.empty() && shown != list.shownDefault) return;
  list.shownDefault = list.files.empty() ? "" : DefaultJoinedName(list.files);
  SetWindowTextUtf8(output, list.shownDefault);
}

// Shows the list again with entry `select` selected (-1: none).
void ShowList(HWND dialog, int select) {
  const JoinList& list = ListOf(dialog);
  HWND box = Item(dialog, IDC_JOIN_LIST);
  SendMessageW(box, WM_SETREDRAW, FALSE, 0);
  SendMessageW(box, LB_RESETCONTENT, 0, 0);
  for (const std::string& file : list.files)
    SendMessageW(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideFromUtf8(file).c_str()));
  SendMessageW(box, LB_SETCURSEL, WPARAM(select), 0);
  SendMessageW(box, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(box, nullptr, TRUE);
  FitListWidth(box, list.files);
  FollowDefaultName(dialog);
  EnableButtons(dialog);
}

// Files added together join in the order of their names, after the list.
void AddFiles(HWND dialog, std::vector<std::string> files) {
  if (files.empty()) return;
  SortByName(files);
  JoinList& list = ListOf(dialog);
  list.files.insert(list.files.end(), files.begin(), files.end());
  ShowList(dialog, int(list.files.size()) - 1);
}

void OnAdd(HWND dialog) {
  ToolSettings& tools = AppToolSettings();
  std::vector<std::string> chosen =
      ChooseAviFiles(dialog, tools.joinFolder, "", true, tool_text::kAddFilesTitle);
  if (chosen.empty()) return;
  tools.joinFolder = FolderOf(chosen.front());
  AddFiles(dialog, chosen);
}

void OnDrop(HWND dialog, HDROP drop) {
  std::vector<std::string> avi, other;
  for (const std::string& name : TakeDroppedFiles(drop)) (EndsInAvi(name) ? avi : other).push_back(name);
  AddFiles(dialog, avi);
  if (other.empty()) return;
  std::wstring text = UiText(tool_text::kNotAviSkipped);
  for (const std::string& name : other) text += L"\n" + WideFromUtf8(name);
  ToolMessage(dialog, text);
}

void OnRemove(HWND dialog) {
  JoinList& list = ListOf(dialog);
  const int selected = Selected(dialog);
  if (selected < 0 || selected >= int(list.files.size())) return;
  list.files.erase(list.files.begin() + selected);
  ShowList(dialog, std::min(selected, int(list.files.size()) - 1));
}

// Moves the selected entry one place up (-1) or down (+1).
void OnMove(HWND dialog, int step) {
  JoinList& list = ListOf(dialog);
  const int selected = Selected(dialog);
  const int target = selected + step;
  if (selected < 0 || target < 0 || target >= int(list.files.size())) return;
  std::swap(list.files[size_t(selected)], list.files[size_t(target)]);
  ShowList(dialog, target);
}

void OnBrowseOutput(HWND dialog) {
  HWND output = Item(dialog, IDC_JOIN_OUTPUT);
  const std::string chosen = ChooseOutputFile(dialog, WindowTextUtf8(output), tool_text::kOutputTitle);
  if (!chosen.empty()) SetWindowTextUtf8(output, chosen);
}

void OnJoin(HWND dialog) {
  const JoinList& list = ListOf(dialog);
  if (list.files.size() < 2) return;
  JoinJobRequest request;
  request.inputs = list.files;
  // The name filled in for the user is the job's own default: let it choose.
  const std::string output = WindowTextUtf8(Item(dialog, IDC_JOIN_OUTPUT));
  request.output = output == list.shownDefault ? "" : output;
  request.dropOverlaps = IsDlgButtonChecked(dialog, IDC_JOIN_DROP_OVERLAPS) == BST_CHECKED;

  const JoinOutcome outcome = RunJoinProgress(dialog, request);
  if (CancelSet(AppJobState())) {
    ToolMessage(dialog, UiText(shell_text::kBreak));
    return;
  }
  if (outcome.Number() == 0) {
    ReleasePreview(dialog);
    EndDialog(dialog, IDOK);
  }
}

// A double click on a file shows it in the preview.
void PreviewSelected(HWND dialog) {
  const JoinList& list = ListOf(dialog);
  const int selected = Selected(dialog);
  if (selected >= 0 && selected < int(list.files.size()))
    OpenPreview(dialog, list.files[size_t(selected)], PreviewLink::Plain);
}

void OnCommand(HWND dialog, int id, int code) {
  switch (id) {
    case IDC_JOIN_LIST:
      if (code == LBN_SELCHANGE) EnableButtons(dialog);
      if (code == LBN_DBLCLK) PreviewSelected(dialog);
      break;
    case IDC_JOIN_ADD:
      OnAdd(dialog);
      break;
    case IDC_JOIN_REMOVE:
      OnRemove(dialog);
      break;
    case IDC_JOIN_UP:
      OnMove(dialog, -1);
      break;
    case IDC_JOIN_DOWN:
      OnMove(dialog, +1);
      break;
    case IDC_JOIN_OUTPUT_BROWSE:
      OnBrowseOutput(dialog);
      break;
    case IDC_JOIN_DROP_OVERLAPS:
      AppToolSettings().joinDropOverlaps = IsDlgButtonChecked(dialog, IDC_JOIN_DROP_OVERLAPS) == BST_CHECKED;
      break;
    case IDOK:
      OnJoin(dialog);
      break;
    case IDCANCEL:
      ReleasePreview(dialog);
      EndDialog(dialog, IDCANCEL);
      break;
    default:
      break;
  }
}

INT_PTR CALLBACK JoinDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      CheckDlgButton(dialog, IDC_JOIN_DROP_OVERLAPS, AppToolSettings().joinDropOverlaps ? BST_CHECKED : BST_UNCHECKED);
      DragAcceptFiles(dialog, TRUE);
      ShowList(dialog, -1);
      return TRUE;
    case WM_COMMAND:
      OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_DROPFILES:
      OnDrop(dialog, reinterpret_cast<HDROP>(wParam));
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void RunJoinDialog(HWND mainWindow, const std::vector<std::string>& files) {
  JoinList list;
  list.files = files;
  const wchar_t* templateName = AppShell().englishUi ? L"JOINDLGE" : L"JOINDLG";
  DialogBoxParamW(AppShell().instance, templateName, mainWindow, JoinDialogProc, reinterpret_cast<LPARAM>(&list));
}
