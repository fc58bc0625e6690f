// The browse dialog (the system's open-file dialog) of the real Tavrin.exe,
// driven from the test: find it, type a name into it, press Open or Cancel.
#pragma once
#include "tests/win/lib/app.h"

namespace wt {

constexpr int kFileNameBox = 0x47C;   // the file-name combo box (cmb13)
constexpr int kFileNameEdit = 0x480;  // the file-name edit box of older layouts (edt1)

inline HWND WaitForBrowseDialog(const App& app, DWORD milliseconds = 10000) {
  HWND dialog = nullptr;
  WaitUntil([&] { return (dialog = FindOf(app.pid(), Kind::OtherDialog, app.main)) != nullptr; }, milliseconds);
  return dialog;
}

inline HWND FileNameBox(HWND dialog) {
  HWND box = GetDlgItem(dialog, kFileNameBox);
  return box ? box : GetDlgItem(dialog, kFileNameEdit);
}

// Opens the dialog with command, types name (empty: keeps what it shows) and
// presses Open; returns the dialog's title, or "<no dialog>".
inline std::wstring BrowseAndChoose(const App& app, int command, const std::wstring& name) {
  app.PostCommand(command);
  HWND dialog = WaitForBrowseDialog(app);
  if (!Check(dialog != nullptr, "the browse dialog opens", __FILE__, __LINE__)) return L"<no dialog>";
  const std::wstring title = TextW(dialog);
  if (!name.empty()) SendMessageW(FileNameBox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  Check(WaitUntil([&] { return !IsWindow(dialog); }, 10000), "the browse dialog closes after Open", __FILE__, __LINE__);
  app.Sync();
  return title;
}

// Opens the dialog with command and cancels it; returns the name it showed.
inline std::wstring BrowseAndCancel(const App& app, int command) {
  app.PostCommand(command);
  HWND dialog = WaitForBrowseDialog(app);
  if (!Check(dialog != nullptr, "the browse dialog opens", __FILE__, __LINE__)) return L"<no dialog>";
  const std::wstring shown = TextW(FileNameBox(dialog));
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  Check(WaitUntil([&] { return !IsWindow(dialog); }, 10000), "the browse dialog closes after Cancel", __FILE__,
        __LINE__);
  app.Sync();
  return shown;
}

inline std::string OrgFolderSaved(const std::string& folder) {
  const std::string content = ReadBytes(folder + "\\Tavrin.ini");
  const size_t at = content.find("OrgFolder=");
  if (at == std::string::npos) return "<none>";
  const size_t end = content.find("\r\n", at);
  return content.substr(at + 10, end == std::string::npos ? std::string::npos : end - at - 10);
}

}  // namespace wt
