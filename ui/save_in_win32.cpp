#include "ui/save_in.h"

#include <shlobj.h>

#include "io/wide_path.h"
#include "ui/tool_texts.h"
#include "ui/tool_ui.h"
#include "ui/wide_text.h"

namespace {

// Starts the picker in the folder the field names, when it names one.
int CALLBACK StartIn(HWND picker, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED && start) SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, start);
  return 0;
}

}  // namespace

bool ChooseSaveInFolder(HWND dialog, int field) {
  const std::wstring start = WideFromUtf8(WindowTextUtf8(GetDlgItem(dialog, field)));
  const std::wstring title = UiText(tool_text::kSaveInTitle);
  BROWSEINFOW info = {};
  info.hwndOwner = dialog;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;  // the old-style picker needs no COM set up on this thread
  info.lpfn = StartIn;
  info.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
  LPITEMIDLIST chosen = SHBrowseForFolderW(&info);
  if (!chosen) return false;
  wchar_t path[MAX_PATH] = L"";
  const bool named = SHGetPathFromIDListW(chosen, path) != FALSE;
  CoTaskMemFree(chosen);
  if (named) SetWindowTextW(GetDlgItem(dialog, field), path);
  return named;
}
