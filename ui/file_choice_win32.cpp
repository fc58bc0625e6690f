#include "ui/file_choice.h"

#include <commdlg.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/settings_folder.h"
#include "io/wide_path.h"
#include "ui/dpi.h"
#include "ui/shell_state.h"
#include "ui/resource_ids.h"
#include "ui/shell_texts.h"

// Names are handled as UTF-16 from the dialog or the drop to the field, and
// as UTF-8 in OrgFolder: any name Windows allows, whatever the system code
// page. The dialog's buffer holds the longest name Windows allows.

namespace {

constexpr DWORD kNameChars = 32768;
// Size of OPENFILENAMEW before the fields that Windows 2000 added.
constexpr DWORD kOldOpenFileNameSize = 76;

bool SystemIsWindows2000OrLater() {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExW(&version) && version.dwMajorVersion >= 5;
}

std::wstring FieldText(HWND window, int field) {
  HWND edit = GetDlgItem(window, field);
  std::wstring text(size_t(GetWindowTextLengthW(edit)) + 1, L'\0');
  text.resize(size_t(GetWindowTextW(edit, &text[0], int(text.size()))));
  return text;
}

void PutNameInField(HWND window, int field, const wchar_t* name) {
  HWND edit = GetDlgItem(window, field);
  SetWindowTextW(edit, name);
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 0, -1);
}

void ShowDropMessage(HWND window, const TextPair& pair) {
  MessageBoxW(window, WideFromUtf8(Pick(pair, AppShell().englishUi)).c_str(), L"Tavrin", MB_OK | MB_SETFOREGROUND);
}

// The folder part of a chosen name for OrgFolder: cut at the last backslash,
// a drive root keeping its own ("C:\clip.avi" gives "C:\"); empty when the
// name holds no backslash after its first character.
std::wstring FolderOfChosen(const std::wstring& name) {
  const size_t slash = name.find_last_of(L'\\');
  if (slash == std::wstring::npos || slash == 0) return std::wstring();
  return name.substr(0, name[slash - 1] == L':' ? slash + 1 : slash);
}

}  // namespace

int BrowseForAvi(HWND window, int field, char* output, int length) {
  ShellState& shell = AppShell();
  if (!shell.orgFolder.empty()) SetCurrentDirectoryW(WidePath(shell.orgFolder).c_str());

  // The field's folder (before its last backslash, if that is not the
  // first character) and the name after it.
  const std::wstring fieldText = FieldText(window, field);
  const size_t slash = fieldText.find_last_of(L'\\');
  const bool hasFolder = slash != std::wstring::npos && slash > 0;
  const std::wstring folder = hasFolder ? fieldText.substr(0, slash) : std::wstring();
  std::wstring title = hasFolder ? fieldText.substr(slash + 1) : fieldText;

  std::vector<wchar_t> fileName(kNameChars, L'\0');
  fieldText.copy(fileName.data(), std::min<size_t>(fieldText.size(), kNameChars - 1));
  std::vector<wchar_t> fileTitle(kNameChars, L'\0');
  title.copy(fileTitle.data(), std::min<size_t>(title.size(), kNameChars - 1));
  const std::wstring dialogTitle = WideFromUtf8(shell_text::kBrowseTitleJapanese);

  OPENFILENAMEW ofn = {};
  ofn.lStructSize = SystemIsWindows2000OrLater() ? sizeof(OPENFILENAMEW) : kOldOpenFileNameSize;
  ofn.hwndOwner = window;
  ofn.lpstrFilter = L"avi(*.avi)\0*.avi\0";
  ofn.lpstrFile = fileName.data();
  ofn.nMaxFile = kNameChars;
  ofn.lpstrFileTitle = fileTitle.data();
  ofn.nMaxFileTitle = kNameChars;
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  ofn.lpstrDefExt = L"avi";
  ofn.lpstrTitle = shell.englishUi ? nullptr : dialogTitle.c_str();

  // The dialog starts in the current directory: the field's folder when it
  // names one, else OrgFolder. It is named as the initial folder too, since
  // newer systems otherwise open the folder this program used last.
  if (!folder.empty()) SetCurrentDirectoryW(WidePath(Utf8FromWide(folder)).c_str());
  std::vector<wchar_t> startFolder(kNameChars, L'\0');
  GetCurrentDirectoryW(kNameChars, startFolder.data());
  ofn.lpstrInitialDir = startFolder[0] != 0 ? startFolder.data() : nullptr;
  if (!GetOpenFileNameW(&ofn)) return 1;

  PutNameInField(window, field, fileName.data());
  const std::string chosen = Utf8FromWide(fileName.data());
  if (length > 0) {
    const size_t take = std::min<size_t>(chosen.size(), size_t(length - 1));
    chosen.copy(output, take);
    output[take] = 0;
  }
  const std::wstring chosenFolder = FolderOfChosen(fileName.data());
  if (!chosenFolder.empty()) {
    shell.orgFolder = Utf8FromWide(chosenFolder);
    SetCurrentDirectoryW(WidePath(shell.orgFolder).c_str());
  }
  return 0;
}

void HandleDroppedFiles(HWND window, HDROP drop) {
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  std::wstring name;
  if (count > 0) {
    name.resize(size_t(DragQueryFileW(drop, 0, nullptr, 0)) + 1);
    name.resize(DragQueryFileW(drop, 0, &name[0], UINT(name.size())));
  }
  if (count > 1) ShowDropMessage(window, shell_text::kOneFileOnly);

  if (!HasAviExtension(Utf8FromWide(name).c_str())) {
    ShowDropMessage(window, shell_text::kNotAvi);
  } else if (AppShell().settings.currentTab == 0) {
    PutNameInField(window, IDC_SRC_FILE, name.c_str());
  } else if (AppShell().settings.currentTab == 1) {
    POINT point = {0, 0};
    DragQueryPoint(drop, &point);
    // The border between the two fields is at y 130 at 96 DPI; the dialog
    // grows with the DPI, so the drop point is taken back to 96 DPI.
    const int y = ScaledTo96(point.y, WindowDpi(window));
    PutNameInField(window, MergeDropField(y) == 1 ? IDC_MERGE_FILE1 : IDC_MERGE_FILE2, name.c_str());
  }
  DragFinish(drop);
}
