#include "ui/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "app/settings_place.h"
#include "app/startup.h"
#include "io/wide_path.h"
#include "ui/about_box.h"
#include "ui/facts_line.h"
#include "ui/file_choice.h"
#include "ui/preview.h"
#include "ui/save_in.h"
#include "ui/progress_dialog.h"
#include "ui/resource_ids.h"
#include "ui/shell_texts.h"
#include "ui/tool_ui.h"
#include "ui/tools.h"
#include "ui/tool_texts.h"
#include "ui/wide_text.h"
#include "ui/win32_host.h"

namespace {

using namespace shell_text;

constexpr int kSplitPage = 0;
constexpr int kMergePage = 1;

// Posted by the dialog to itself once it shows: opens the Join dialog with
// the files the command line named.
constexpr UINT kJoinStartFiles = WM_APP + 1;
constexpr UINT kBatchStartFiles = WM_APP + 7;
// Posted likewise when no settings file can be written: said once, over the window.
constexpr UINT kSettingsNotSaved = WM_APP + 2;

// Every text reaches Windows as UTF-16 (the W functions), whatever the
// system's code page: a Japanese window on an English Windows reads right.
const char* Text(const TextPair& pair) { return Pick(pair, AppShell().englishUi); }
std::wstring WideText(const TextPair& pair) { return WideFromUtf8(Text(pair)); }

void ShowMainMessage(HWND window, const TextPair& pair) {
  MessageBoxW(window, WideText(pair).c_str(), L"Tavrin", MB_OK | MB_SETFOREGROUND);
}

void SetItemText(HWND window, int id, const TextPair& pair) { SetDlgItemTextW(window, id, WideText(pair).c_str()); }

void ShowItems(HWND window, const int* ids, int count, bool show) {
  for (int i = 0; i < count; ++i) ShowWindow(GetDlgItem(window, ids[i]), show ? SW_SHOW : SW_HIDE);
}

void EnableItem(HWND window, int id, bool enable) { EnableWindow(GetDlgItem(window, id), enable); }

bool IsButtonChecked(HWND window, int id) {
  return (SendMessageW(GetDlgItem(window, id), BM_GETSTATE, 0, 0) & BST_CHECKED) != 0;
}


const int kSplitControls[] = {IDC_SRC_LABEL,     IDC_SRC_FILE,     IDC_SRC_BROWSE,   IDC_SRC_HINT,
                              IDC_HOW_LABEL,     IDC_BY_TIME,      IDC_BY_SIZE,      IDC_HOURS,
                              IDC_HOURS_LABEL,   IDC_MINUTES,      IDC_MINUTES_LABEL, IDC_SECONDS,
                              IDC_SECONDS_LABEL, IDC_SIZE_MB,      IDC_SIZE_LABEL,   IDC_CREATE_LABEL,
                              IDC_CREATE_BOTH,   IDC_CREATE_FIRST, IDC_CREATE_SECOND, IDC_OVERLAP_LABEL,
                              IDC_OVERLAP,       IDC_OVERLAP_UNIT, IDC_PREVIEW,      IDC_SPLIT_MERGE,
                              IDC_SAVE_IN_LABEL, IDC_SAVE_IN,      IDC_SAVE_IN_BROWSE, IDC_SPLIT_EXACT};
const int kMergeControls[] = {IDC_MERGE_LABEL1, IDC_MERGE_FILE1,  IDC_MERGE_BROWSE1, IDC_MERGE_LABEL2,
                              IDC_MERGE_FILE2,  IDC_MERGE_BROWSE2, IDC_MERGE_HINT1,  IDC_MERGE_HINT2};
template <size_t N>
constexpr int CountOf(const int (&)[N]) {
  return int(N);
}

// Menu popups by position: File, Operate, View, Help.
HMENU Popup(HWND window, int position) { return GetSubMenu(GetMenu(window), position); }

void SetMenuItem(HMENU popup, int position, int command, const TextPair& pair) {
  ModifyMenuW(popup, position, MF_BYPOSITION | MF_STRING, command, WideText(pair).c_str());
}

void SetTimeFieldsEnabled(HWND window, bool byTime) {
  EnableItem(window, IDC_HOURS, byTime);
  EnableItem(window, IDC_MINUTES, byTime);
  EnableItem(window, IDC_SECONDS, byTime);
  EnableItem(window, IDC_SIZE_MB, !byTime);
}

// The execute button and the Operate menu follow the Split-Merge check box.
void ShowSplitMergeChoice(HWND window, bool splitThenMerge) {
  SetItemText(window, IDC_EXECUTE, splitThenMerge ? kExecuteSplitMerge : kExecuteSplit);
  SetMenuItem(Popup(window, 1), 0, IDM_EXECUTE, splitThenMerge ? kMenuSplitMerge : kMenuSplit);
}

void ShowSplitPage(HWND window) {
  Settings& s = AppShell().settings;
  ShowItems(window, kSplitControls, CountOf(kSplitControls), true);
  ShowItems(window, kMergeControls, CountOf(kMergeControls), false);
  SetItemText(window, IDC_EXECUTE, kExecuteSplit);

  CheckDlgButton(window, IDC_BY_TIME, s.splitByTime == 1 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window, IDC_BY_SIZE, s.splitByTime == 1 ? BST_UNCHECKED : BST_CHECKED);
  SetTimeFieldsEnabled(window, s.splitByTime == 1);

  const int createIds[] = {IDC_CREATE_BOTH, IDC_CREATE_FIRST, IDC_CREATE_SECOND};
  for (int i = 0; i < 3; ++i)
    if (s.createFileChoice == i + 1) SendMessageW(GetDlgItem(window, createIds[i]), BM_SETCHECK, BST_CHECKED, 0);

  // File menu of the Merge page ("Ref1", "Ref2", separator, "Exit") back to "Ref", separator, "Exit".
  HMENU file = Popup(window, 0);
  if (GetMenuItemCount(file) == 4) {
    RemoveMenu(file, 1, MF_BYPOSITION);
    SetMenuItem(file, 0, IDM_REF, kMenuRef);
  }

  CheckDlgButton(window, IDC_SPLIT_MERGE, s.splitThenMerge == 1 ? BST_CHECKED : BST_UNCHECKED);
  ShowSplitMergeChoice(window, s.splitThenMerge == 1);
  EnableItem(window, IDC_SPLIT_MERGE, s.createFileChoice == 1);
  SetMenuItem(Popup(window, 2), 0, IDM_SWITCH_TAB, kMenuMergeTab);
}

void ShowMergePage(HWND window) {
  ShowItems(window, kSplitControls, CountOf(kSplitControls), false);
  ShowItems(window, kMergeControls, CountOf(kMergeControls), true);
  SetItemText(window, IDC_EXECUTE, kExecuteMerge);

  HMENU file = Popup(window, 0);
  if (GetMenuItemCount(file) == 3) {
    InsertMenuW(file, 0, MF_BYPOSITION | MF_STRING, IDM_REF1, WideText(kMenuRef1).c_str());
    SetMenuItem(file, 1, IDM_REF2, kMenuRef2);
  }
  SetMenuItem(Popup(window, 1), 0, IDM_EXECUTE, kMenuMerge);
  SetMenuItem(Popup(window, 2), 0, IDM_SWITCH_TAB, kMenuSplitTab);
}

void SelectPage(HWND window, int tab) {
  SendMessageW(AppShell().tabControl, TCM_SETCURSEL, tab, 0);
  ShowTab(window, tab);
}

// The controls lie over the tab control, whose body a theme draws in its
// own colour: labels, radio buttons and the check box that filled their
// boxes with the dialog's grey would show as grey boxes there. The dialog
// takes the tab body's texture as its background instead, which the dialog
// manager then gives them in WM_CTLCOLORSTATIC. uxtheme.dll is looked up at
// run time: without it (no theme) nothing changes.
void UseTabBodyBackground(HWND window) {
  using EnableTexture = HRESULT(WINAPI*)(HWND, DWORD);
  HMODULE uxtheme = LoadLibraryW(L"uxtheme.dll");
  if (!uxtheme) return;
  auto enable = reinterpret_cast<EnableTexture>(
      reinterpret_cast<void*>(GetProcAddress(uxtheme, "EnableThemeDialogTexture")));
  constexpr DWORD kEnableTab = 0x6;  // ETDT_ENABLETAB: ETDT_ENABLE | ETDT_USETABTEXTURE
  if (enable) enable(window, kEnableTab);
}

void OnInitDialog(HWND window) {
  ShellState& shell = AppShell();
  Settings& s = shell.settings;
  SetClassLongPtrW(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(LoadIconW(shell.instance, L"TAVRINICON")));
  shell.mainWindow = window;
  shell.tabControl = GetDlgItem(window, IDC_TABS);
  InitWin32Host(window, shell.plugin, shell.englishUi);

  const std::wstring tabs[] = {WideText(kTabSplit), WideText(kTabMerge)};
  for (int i = 0; i < 2; ++i) {
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(tabs[i].c_str());
    SendMessageW(shell.tabControl, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  SelectPage(window, s.currentTab);

  char text[64];
  if (s.sizeLimitMB > 0) {
    std::snprintf(text, sizeof text, "%d", s.sizeLimitMB);
    SetDlgItemTextW(window, IDC_SIZE_MB, WideFromUtf8(text).c_str());
  }
  FormatOverlap(s.overlapSeconds, text, sizeof text);
  SetDlgItemTextW(window, IDC_OVERLAP, WideFromUtf8(text).c_str());
  SetWindowTextUtf8(GetDlgItem(window, IDC_SAVE_IN), AppToolSettings().saveIn);
  CheckDlgButton(window, IDC_SPLIT_EXACT, AppToolSettings().splitExact == 1 ? BST_CHECKED : BST_UNCHECKED);

  DragAcceptFiles(window, TRUE);
  UseTabBodyBackground(window);

  // "Tavrin.exe FILE" (Open with, Send To, a drop on the icon): FILE in the
  // Split tab; several files: the Join dialog with them, in their order.
  // "Tavrin.exe /batch FILE...": the Batch dialog with them.
  if (shell.startBatch) {
    PostMessageW(window, kBatchStartFiles, 0, 0);
  } else if (shell.startFiles.size() == 1) {
    s.currentTab = kSplitPage;
    SelectPage(window, s.currentTab);
    SetDlgItemTextW(window, IDC_SRC_FILE, WideFromUtf8(shell.startFiles[0]).c_str());
  } else if (shell.startFiles.size() > 1) {
    PostMessageW(window, kJoinStartFiles, 0, 0);
  }
  if (!shell.settingsWritable) PostMessageW(window, kSettingsNotSaved, 0, 0);

  int left = 0, top = 0;
  if (s.windowPosition[0] != 0 && ParseWindowPosition(s.windowPosition, left, top)) {
    RECT r;
    GetWindowRect(window, &r);
    MoveWindow(window, left, top, r.right - r.left, r.bottom - r.top, FALSE);
  }
}

bool FieldEmpty(HWND window, int id) { return GetWindowTextLengthW(GetDlgItem(window, id)) == 0; }

void ExecuteMerge(HWND window) {
  if (FieldEmpty(window, IDC_MERGE_FILE1) || FieldEmpty(window, IDC_MERGE_FILE2)) return;
  RunMergeProgress(AppShell().instance, window);
  if (CancelSet(AppJobState()))
    ShowMainMessage(window, kBreak);
  else
    OfferRepairAfterRefusal(window);
}

void ExecuteSplit(HWND window) {
  JobState& state = AppJobState();
  if (FieldEmpty(window, IDC_SRC_FILE)) return;

  const INT_PTR result = RunSplitProgress(AppShell().instance, window);

  // A cancelled split leaves no output of its own and every earlier file as
  // it was (the engine moves outputs into place only when complete).
  if (CancelSet(state)) {
    ShowMainMessage(window, kBreak);
    return;
  }
  if (OfferRepairAfterRefusal(window)) return;
  if (result != 0 || !IsButtonChecked(window, IDC_SPLIT_MERGE)) return;

  // Split-Merge: join the two fresh outputs at once. After a cancel here the
  // split's outputs are finished files and are kept.
  SetDlgItemTextW(window, IDC_MERGE_FILE1, WideFromUtf8(state.firstOutputPath).c_str());
  SetDlgItemTextW(window, IDC_MERGE_FILE2, WideFromUtf8(state.secondOutputPath).c_str());
  RunMergeProgress(AppShell().instance, window);
  if (CancelSet(state))
    ShowMainMessage(window, kBreak);
  else
    OfferRepairAfterRefusal(window);
}

// The shell opens a name of any length and characters.
bool OpenWithShell(HWND window, const std::string& path) {
  return reinterpret_cast<INT_PTR>(
             ShellExecuteW(window, nullptr, WideFromUtf8(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

void OpenHelp(HWND window) {
  const ShellState& shell = AppShell();
  if (shell.englishUi && OpenWithShell(window, shell.programFolder + "\\HelpE.htm")) return;
  if (OpenWithShell(window, shell.programFolder + "\\Help.htm")) return;
  ShowMainMessage(window, kHelpNotFound);
}

void SaveSettingsOnClose(HWND window) {
  const ShellState& shell = AppShell();
  if (GetKeyState(VK_SHIFT) < 0 || !shell.settingsWritable || shell.settingsPath.empty()) return;
  const std::string& path = shell.settingsPath;

  // A minimised window reports a parking place far off screen: keep the
  // position it will be restored to instead.
  RECT r;
  GetWindowRect(window, &r);
  if (IsIconic(window)) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (GetWindowPlacement(window, &placement)) r = placement.rcNormalPosition;
  }
  // The overlap as typed (ASCII digits; anything else is kept as UTF-8), at
  // most kPathBytes - 1 bytes as the file's line has always held.
  std::string overlap = WindowTextUtf8(GetDlgItem(window, IDC_OVERLAP));
  if (overlap.size() >= size_t(kPathBytes)) overlap.resize(kPathBytes - 1);
  // OrgFolder as the system code page holds it; its UTF-8 line beside it when
  // that cannot hold it exactly or whole (app/settings.h).
  std::string folder;
  const bool exact = CodePageFromUtf8(shell.orgFolder, &folder) && folder.size() < size_t(kPathBytes);
  if (WriteSettingsFile(path.c_str(), r.left, r.top, folder.c_str(), shell.settings.currentTab,
                        shell.settings.createFileChoice, overlap.c_str(), exact ? nullptr : shell.orgFolder.c_str()))
    AppendToolSettings(path.c_str(), AppToolSettings());
}

// The settings file's name in the message: the one read (it cannot be
// written), else both places tried.
void ShowSettingsNotSaved(HWND window) {
  const ShellState& shell = AppShell();
  const std::string where = !shell.settingsPath.empty() ? shell.settingsPath
                                                        : shell.programFolder + kSettingsFileName + "\n" +
                                                              UserSettingsFolder() + kSettingsFileName;
  const std::string text = Fill(Text(kSettingsNotWritable), {where});
  MessageBoxW(window, WideFromUtf8(text).c_str(), L"Tavrin", MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}

// Preview: the Split tab's file, linked to its fields; on the Merge tab the
// first file (else the second). With no file there, the user chooses one
// (on the Split tab it goes into the tab's field).
void OpenPreviewOfPage(HWND window) {
  const bool split = AppShell().settings.currentTab == kSplitPage;
  std::string path = WindowTextUtf8(GetDlgItem(window, split ? IDC_SRC_FILE : IDC_MERGE_FILE1));
  if (!split && path.empty()) path = WindowTextUtf8(GetDlgItem(window, IDC_MERGE_FILE2));
  if (path.empty()) {
    const std::vector<std::string> chosen =
        ChooseAviFiles(window, AppShell().orgFolder, "", false, tool_text::kChooseTitle);
    if (chosen.empty()) return;
    path = chosen.front();
    if (split) SetDlgItemTextW(window, IDC_SRC_FILE, WideFromUtf8(path).c_str());
  }
  OpenPreview(window, path, split ? PreviewLink::SplitTab : PreviewLink::Plain);
}

void OnSplitMergeBox(HWND window) {
  Settings& s = AppShell().settings;
  s.splitThenMerge = IsButtonChecked(window, IDC_SPLIT_MERGE) ? 1 : 0;
  ShowSplitMergeChoice(window, s.splitThenMerge == 1);
}

void OnCommand(HWND window, int id) {
  Settings& s = AppShell().settings;
  char scratch[kPathBytes];
  switch (id) {
    case IDCANCEL:
      // The close box (WM_CLOSE, turned into IDCANCEL by the dialog manager)
      // and Esc both end here: both keep the settings.
      SaveSettingsOnClose(window);
      EndDialog(window, 2);
      break;
    case IDC_SRC_BROWSE:
    case IDM_REF:
      BrowseForAvi(window, IDC_SRC_FILE, scratch, kPathBytes);
      break;
    case IDC_SAVE_IN_BROWSE:
      ChooseSaveInFolder(window, IDC_SAVE_IN);
      break;
    case IDC_MERGE_BROWSE1:
    case IDM_REF1:
      BrowseForAvi(window, IDC_MERGE_FILE1, scratch, kPathBytes);
      break;
    case IDC_MERGE_BROWSE2:
    case IDM_REF2:
      BrowseForAvi(window, IDC_MERGE_FILE2, scratch, kPathBytes);
      break;
    case IDC_BY_TIME:
      if (IsButtonChecked(window, IDC_BY_TIME)) {
        s.splitByTime = 1;
        SetTimeFieldsEnabled(window, true);
      }
      break;
    case IDC_BY_SIZE:
      if (IsButtonChecked(window, IDC_BY_SIZE)) {
        s.splitByTime = 0;
        SetTimeFieldsEnabled(window, false);
      }
      break;
    case IDC_CREATE_BOTH:
    case IDC_CREATE_FIRST:
    case IDC_CREATE_SECOND:
      if (IsButtonChecked(window, id)) s.createFileChoice = id - IDC_CREATE_BOTH + 1;
      break;
    case IDC_SPLIT_MERGE:
      OnSplitMergeBox(window);
      break;
    // Exact cut is remembered as it stands at close (Tavrin.ini, SplitExactFrames=).
    case IDC_SPLIT_EXACT:
      AppToolSettings().splitExact = IsButtonChecked(window, IDC_SPLIT_EXACT) ? 1 : 0;
      break;
    // Enter reaches the window as its default button, the page's Split or
    // Merge; when the dialog manager has lost track of it (after a focus
    // move) Enter comes as IDOK, which does the same rather than closing the
    // window without saving the settings (closing is Esc, Exit, the close box).
    case IDOK:
    case IDC_EXECUTE:
    case IDM_EXECUTE:
      if (s.currentTab == kMergePage)
        ExecuteMerge(window);
      else if (s.currentTab == kSplitPage)
        ExecuteSplit(window);
      break;
    case IDC_EXIT:
    case IDM_EXIT:
      SendMessageW(window, WM_CLOSE, 0, 0);
      break;
    case IDM_SWITCH_TAB:
      s.currentTab = s.currentTab == kSplitPage ? kMergePage : kSplitPage;
      SelectPage(window, s.currentTab);
      break;
    case IDM_HELP:
      OpenHelp(window);
      break;
    case IDM_ABOUT:
      RunAboutBox(AppShell().instance, window);
      break;
    case IDM_JOIN:
      RunJoinDialog(window);
      break;
    case IDM_PIECES:
      RunPiecesDialog(window);
      break;
    case IDM_CUT:
      RunCutDialog(window);
      break;
    case IDM_STREAMS:
      RunStreamsDialog(window);
      break;
    case IDM_REPAIR:
      RepairFromMenu(window);
      break;
    case IDM_BATCH:
      RunBatchDialog(window);
      break;
    case IDC_PREVIEW:
    case IDM_PREVIEW:
      OpenPreviewOfPage(window);
      break;
    default:
      break;
  }
}

// The Split tab's changes a preview linked to it follows: its fields as they
// change (not only when they lose the focus), and its choices.
bool FollowedBySplitPreview(int id, int code) {
  switch (id) {
    case IDC_SRC_FILE:
    case IDC_HOURS:
    case IDC_MINUTES:
    case IDC_SECONDS:
    case IDC_OVERLAP:
      return code == EN_CHANGE;
    case IDC_BY_TIME:
    case IDC_BY_SIZE:
    case IDC_CREATE_BOTH:
    case IDC_CREATE_FIRST:
    case IDC_CREATE_SECOND:
      return code == BN_CLICKED;
    default:
      return false;
  }
}

}  // namespace


int ShowTab(HWND window, int tab) {
  if (tab == kSplitPage)
    ShowSplitPage(window);
  else if (tab == kMergePage)
    ShowMergePage(window);
  else
    return 1;
  return 0;
}

INT_PTR CALLBACK MainDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(window);
      return 0;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->code != static_cast<UINT>(TCN_SELCHANGE)) return 0;
      Settings& s = AppShell().settings;
      s.currentTab = static_cast<int>(SendMessageW(AppShell().tabControl, TCM_GETCURSEL, 0, 0));
      ShowTab(window, s.currentTab);
      return 1;
    }
    case WM_COMMAND:
      OnCommand(window, LOWORD(wParam));
      if (FollowedBySplitPreview(LOWORD(wParam), HIWORD(wParam))) FollowSplitFields();
      if (LOWORD(wParam) == IDC_SRC_FILE && HIWORD(wParam) == EN_CHANGE) FactsLineFieldChanged(window);
      // Save in is remembered as it stands at close (Tavrin.ini, SaveInFolder=).
      if (LOWORD(wParam) == IDC_SAVE_IN && HIWORD(wParam) == EN_CHANGE)
        AppToolSettings().saveIn = WindowTextUtf8(GetDlgItem(window, IDC_SAVE_IN));
      return 0;
    case WM_TIMER:
      if (wParam == kFactsLineTimer) UpdateFactsLine(window);
      return 0;
    case kJoinStartFiles:
      // The dialog manager shows the window only once its queue is empty:
      // show it first, the Join dialog goes over it.
      ShowWindow(window, SW_SHOW);
      UpdateWindow(window);
      RunJoinDialog(window, AppShell().startFiles);
      return 0;
    case kBatchStartFiles:
      ShowWindow(window, SW_SHOW);
      UpdateWindow(window);
      RunBatchDialog(window, AppShell().startFiles);
      return 0;
    case kSettingsNotSaved:
      ShowWindow(window, SW_SHOW);
      UpdateWindow(window);
      ShowSettingsNotSaved(window);
      return 0;
    case WM_DROPFILES:
      if (!DropIntoBatch(reinterpret_cast<HDROP>(wParam))) HandleDroppedFiles(window, reinterpret_cast<HDROP>(wParam));
      return 0;

    default:
      return 0;
  }
}

INT_PTR RunMainDialog() {
  const ShellState& shell = AppShell();
  return DialogBoxParamW(shell.instance, shell.englishUi ? L"MYDLGE" : L"MYDLG", nullptr, MainDialog, 0);
}
