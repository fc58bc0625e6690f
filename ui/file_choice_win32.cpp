#include "ui/file_choice.h"

#include <commdlg.h>

#include <cstring>

#include "ui/resource_ids.h"
#include "app/settings_folder.h"
#include "ui/main_window.h"
#include "ui/shell_texts.h"

namespace {

// Size of OPENFILENAMEA before the fields that Windows 2000 added.
constexpr DWORD kOldOpenFileNameSize = 76;

bool SystemIsWindows2000OrLater() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwMajorVersion >= 5;
}

void PutNameInField(HWND window, int field, const char* name) {
  HWND edit = GetDlgItem(window, field);
  SetWindowTextA(edit, name);
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 0, -1);
}

void ShowDropMessage(HWND window, const TextPair& pair) {
  MessageBoxA(window, Pick(pair, AppShell().englishUi), shell_text::kCaption, MB_OK | MB_SETFOREGROUND);
}

}  // namespace

int BrowseForAvi(HWND window, int field, char* output, int length) {
  ShellState& shell = AppShell();
  char* orgFolder = shell.settings.orgFolder;
  if (orgFolder[0] != 0) SetCurrentDirectoryA(orgFolder);

  char fieldText[kPathBytes] = "";
  GetDlgItemTextA(window, field, fieldText, kPathBytes);
  char fileName[kPathBytes];
  std::memcpy(fileName, fieldText, sizeof fileName);
  char folder[kPathBytes];
  char fileTitle[kPathBytes];
  SplitBrowseStart(fieldText, folder, fileTitle);

  OPENFILENAMEA ofn = {};
  ofn.lStructSize = SystemIsWindows2000OrLater() ? sizeof(OPENFILENAMEA) : kOldOpenFileNameSize;
  ofn.hwndOwner = window;
  ofn.lpstrFilter = "avi(*.avi)\0*.avi\0";
  ofn.lpstrFile = fileName;
  ofn.nMaxFile = kPathBytes;
  ofn.lpstrFileTitle = fileTitle;
  ofn.nMaxFileTitle = kPathBytes;
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  ofn.lpstrDefExt = "avi";
  ofn.lpstrTitle = shell.englishUi ? nullptr : shell_text::kBrowseTitleJapanese;

  // The dialog starts in the current directory: the field's folder when it
  // names one, else OrgFolder. It is named as the initial folder too, since
  // newer systems otherwise open the folder this program used last.
  if (folder[0] != 0) SetCurrentDirectoryA(folder);
  char startFolder[kPathBytes] = "";
  GetCurrentDirectoryA(kPathBytes, startFolder);
  ofn.lpstrInitialDir = startFolder[0] != 0 ? startFolder : nullptr;
  if (!GetOpenFileNameA(&ofn)) return 1;

  PutNameInField(window, field, fileName);
  if (length > 0) {
    std::strncpy(output, fileName, length - 1);
    output[length - 1] = 0;
  }
  if (FolderOfChosenFile(fileName, orgFolder, kPathBytes)) SetCurrentDirectoryA(orgFolder);
  return 0;
}

void HandleDroppedFiles(HWND window, HDROP drop) {
  const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  char name[kPathBytes] = "";
  if (count > 0) DragQueryFileA(drop, 0, name, kPathBytes);
  if (count > 1) ShowDropMessage(window, shell_text::kOneFileOnly);

  if (!HasAviExtension(name)) {
    ShowDropMessage(window, shell_text::kNotAvi);
  } else if (AppShell().settings.currentTab == 0) {
    PutNameInField(window, IDC_SRC_FILE, name);
  } else if (AppShell().settings.currentTab == 1) {
    POINT point = {0, 0};
    DragQueryPoint(drop, &point);
    PutNameInField(window, MergeDropField(point.y) == 1 ? IDC_MERGE_FILE1 : IDC_MERGE_FILE2, name);
  }
  DragFinish(drop);
}
