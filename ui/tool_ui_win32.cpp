#include "ui/tool_ui.h"

#include <commctrl.h>
#include <commdlg.h>

#include "ui/wide_text.h"
#include "ui/win32_host.h"

namespace {

constexpr DWORD kManyNamesChars = 32768;  // room for a long multiple choice

// "dir\0name\0name\0\0" (several) or "path\0\0" (one) into full paths.
std::vector<std::string> SplitChoice(const wchar_t* buffer) {
  std::vector<std::wstring> parts;
  for (const wchar_t* p = buffer; *p; p += parts.back().size() + 1) parts.emplace_back(p);
  std::vector<std::string> paths;
  if (parts.size() == 1) {
    paths.push_back(Utf8FromWide(parts[0]));
    return paths;
  }
  std::wstring folder = parts.empty() ? L"" : parts[0];
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  for (size_t i = 1; i < parts.size(); ++i) paths.push_back(Utf8FromWide(folder + parts[i]));
  return paths;
}

}  // namespace

ToolSettings& AppToolSettings() {
  static ToolSettings tools;
  return tools;
}

std::wstring UiText(const TextPair& text) {
  return WideFromUtf8(Pick(text, AppJobState().englishUi));
}

int ToolMessage(HWND owner, const std::wstring& text, UINT buttons) {
  return MessageBoxW(owner, text.c_str(), L"Tavrin", buttons | MB_SETFOREGROUND);
}

std::vector<std::string> ChooseAviFiles(HWND owner, const std::string& folder, const std::string& initialName,
                                        bool many, const TextPair& title) {
  std::vector<wchar_t> buffer(kManyNamesChars, L'\0');
  const std::wstring initial = WideFromUtf8(initialName);
  if (initial.size() < buffer.size()) initial.copy(buffer.data(), initial.size());
  const std::wstring start = WideFromUtf8(folder);
  const std::wstring caption = UiText(title);
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = L"avi(*.avi)\0*.avi\0";
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = DWORD(buffer.size());
  ofn.lpstrInitialDir = start.empty() ? nullptr : start.c_str();
  ofn.lpstrTitle = caption.c_str();
  ofn.lpstrDefExt = L"avi";
  // The main window's own browse keeps the current directory; these leave it alone.
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER |
              (many ? OFN_ALLOWMULTISELECT : 0);
  if (!GetOpenFileNameW(&ofn)) return {};
  return many ? SplitChoice(buffer.data()) : std::vector<std::string>{Utf8FromWide(buffer.data())};
}

std::string ChooseOutputFile(HWND owner, const std::string& initialName, const TextPair& title,
                             const std::string& extension) {
  std::vector<wchar_t> buffer(kManyNamesChars, L'\0');
  const std::wstring initial = WideFromUtf8(initialName);
  if (initial.size() < buffer.size()) initial.copy(buffer.data(), initial.size());
  const std::wstring caption = UiText(title);
  const std::wstring ext = WideFromUtf8(extension);
  // "ext(*.ext)\0*.ext\0\0": the filter's pairs, the list ending in an empty string.
  std::wstring filter = ext + L"(*." + ext + L")";
  filter += L'\0';
  filter += L"*." + ext;
  filter += L'\0';
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = DWORD(buffer.size());
  ofn.lpstrTitle = caption.c_str();
  ofn.lpstrDefExt = ext.c_str();
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER | OFN_PATHMUSTEXIST;
  if (!GetSaveFileNameW(&ofn)) return "";
  return Utf8FromWide(buffer.data());
}

std::string ChooseSoundFile(HWND owner, const std::string& folder, const TextPair& title) {
  std::vector<wchar_t> buffer(kManyNamesChars, L'\0');
  const std::wstring start = WideFromUtf8(folder);
  const std::wstring caption = UiText(title);
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = L"wav, mp3, mp2, ac3\0*.wav;*.mp3;*.mp2;*.ac3\0*.*\0*.*\0";
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = DWORD(buffer.size());
  ofn.lpstrInitialDir = start.empty() ? nullptr : start.c_str();
  ofn.lpstrTitle = caption.c_str();
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
  if (!GetOpenFileNameW(&ofn)) return "";
  return Utf8FromWide(buffer.data());
}

std::vector<std::string> TakeDroppedFiles(HDROP drop) {
  std::vector<std::string> names;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring name(size_t(length) + 1, L'\0');
    DragQueryFileW(drop, i, &name[0], length + 1);
    name.resize(length);
    names.push_back(Utf8FromWide(name));
  }
  DragFinish(drop);
  return names;
}

bool EndsInAvi(const std::string& path) {
  if (path.size() < 4) return false;
  std::string end = path.substr(path.size() - 4);
  for (char& c : end) c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return end == ".avi";
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return "";
  // A drive root keeps its backslash ("C:\").
  if (slash > 0 && path[slash - 1] == ':') return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

void SetCell(HWND list, int row, int column, const std::string& text) {
  std::wstring wide = WideFromUtf8(text);
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.iSubItem = column;
  item.pszText = &wide[0];
  SendMessageW(list, column == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, column == 0 ? 0 : WPARAM(row),
               reinterpret_cast<LPARAM>(&item));
}
