// The Split-into-pieces dialog: the input (the Split page's file to begin
// with), a piece every so many seconds or each piece at most so many MB, and
// the overlap (the Split page's to begin with). Split runs the pieces job
// under the progress dialog and closes the dialog once the pieces are
// written. The choice and both numbers are kept for the next time. Save in
// (the Split page's to begin with): the folder for the pieces, empty for
// beside the file.
#include <string>
#include <vector>

#include "pieces/pieces_job.h"
#include "ui/shell_state.h"
#include "ui/resource_ids.h"
#include "ui/save_in.h"
#include "ui/shell_texts.h"
#include "ui/tool_ids.h"
#include "ui/tool_jobs.h"
#include "ui/tool_texts.h"
#include "ui/tool_ui.h"
#include "ui/tools.h"
#include "ui/wide_text.h"
#include "ui/win32_host.h"

namespace {

std::string FieldText(HWND dialog, int id) { return WindowTextUtf8(GetDlgItem(dialog, id)); }
void SetFieldText(HWND dialog, int id, const std::string& text) { SetWindowTextUtf8(GetDlgItem(dialog, id), text); }

bool BySize(HWND dialog) { return IsDlgButtonChecked(dialog, IDC_PIECES_BY_SIZE) == BST_CHECKED; }

void ShowChoice(HWND dialog, bool bySize) {
  CheckDlgButton(dialog, IDC_PIECES_BY_TIME, bySize ? BST_UNCHECKED : BST_CHECKED);
  CheckDlgButton(dialog, IDC_PIECES_BY_SIZE, bySize ? BST_CHECKED : BST_UNCHECKED);
  EnableWindow(GetDlgItem(dialog, IDC_PIECES_EVERY), !bySize);
  EnableWindow(GetDlgItem(dialog, IDC_PIECES_MB), bySize);
}

// The settings keep what the dialog shows (in the system code page, as the file holds them).
void KeepChoice(HWND dialog) {
  ToolSettings& tools = AppToolSettings();
  tools.piecesBySize = BySize(dialog) ? 1 : 0;
  tools.piecesEvery = FieldText(dialog, IDC_PIECES_EVERY);
  tools.piecesMegabytes = FieldText(dialog, IDC_PIECES_MB);
}

void OnInit(HWND dialog) {
  const ToolSettings& tools = AppToolSettings();
  HWND main = AppShell().mainWindow;
  SetFieldText(dialog, IDC_PIECES_FILE, WindowTextUtf8(GetDlgItem(main, IDC_SRC_FILE)));
  SetFieldText(dialog, IDC_PIECES_OVERLAP, WindowTextUtf8(GetDlgItem(main, IDC_OVERLAP)));
  SetFieldText(dialog, IDC_PIECES_SAVE_IN, WindowTextUtf8(GetDlgItem(main, IDC_SAVE_IN)));
  SetFieldText(dialog, IDC_PIECES_EVERY, tools.piecesEvery);
  SetFieldText(dialog, IDC_PIECES_MB, tools.piecesMegabytes);
  ShowChoice(dialog, tools.piecesBySize == 1);
  DragAcceptFiles(dialog, TRUE);
}

void OnBrowse(HWND dialog) {
  const std::string current = FieldText(dialog, IDC_PIECES_FILE);
  const std::string folder = FolderOf(current);
  const std::string name = folder.empty() ? current : current.substr(current.find_last_of("\\/") + 1);
  const std::vector<std::string> chosen = ChooseAviFiles(dialog, folder, name, false, tool_text::kChooseTitle);
  if (!chosen.empty()) SetFieldText(dialog, IDC_PIECES_FILE, chosen.front());
}

// A dropped ".avi" file becomes the input (the first one, when several come).
void OnDrop(HWND dialog, HDROP drop) {
  for (const std::string& name : TakeDroppedFiles(drop)) {
    if (!EndsInAvi(name)) continue;
    SetFieldText(dialog, IDC_PIECES_FILE, name);
    return;
  }
  ToolMessage(dialog, UiText(shell_text::kNotAvi));
}

void OnSplit(HWND dialog) {
  KeepChoice(dialog);
  PiecesRequest request;
  request.path = FieldText(dialog, IDC_PIECES_FILE);
  if (request.path.empty()) {
    ToolMessage(dialog, UiText(tool_text::kChooseFileFirst));
    return;
  }
  request.by = BySize(dialog) ? PiecesBy::Size : PiecesBy::Every;
  request.everySeconds = FieldText(dialog, IDC_PIECES_EVERY);
  request.sizeMegabytes = FieldText(dialog, IDC_PIECES_MB);
  request.overlap = FieldText(dialog, IDC_PIECES_OVERLAP);
  request.writer.folder = FieldText(dialog, IDC_PIECES_SAVE_IN);

  const PiecesOutcome outcome = RunPiecesProgress(dialog, request);
  if (CancelSet(AppJobState())) {
    ToolMessage(dialog, UiText(shell_text::kBreak));
    return;
  }
  if (outcome.Number() == 0) EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK PiecesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_PIECES_BY_TIME:
        case IDC_PIECES_BY_SIZE:
          ShowChoice(dialog, BySize(dialog));
          break;
        case IDC_PIECES_BROWSE:
          OnBrowse(dialog);
          break;
        case IDC_PIECES_SAVE_IN_BROWSE:
          ChooseSaveInFolder(dialog, IDC_PIECES_SAVE_IN);
          break;
        case IDOK:
          OnSplit(dialog);
          break;
        case IDCANCEL:
          KeepChoice(dialog);
          EndDialog(dialog, IDCANCEL);
          break;
        default:
          break;
      }
      return TRUE;
    case WM_DROPFILES:
      OnDrop(dialog, reinterpret_cast<HDROP>(wParam));
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void RunPiecesDialog(HWND mainWindow) {
  const wchar_t* templateName = AppShell().englishUi ? L"PIECESDLGE" : L"PIECESDLG";
  DialogBoxParamW(AppShell().instance, templateName, mainWindow, PiecesDialogProc, 0);
}
