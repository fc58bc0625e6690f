#include "io/wide_path.h"

#include <windows.h>

namespace {

std::wstring Widen(const std::string& text, UINT codePage, DWORD flags, bool* ok) {
  *ok = true;
  if (text.empty()) return std::wstring();
  const int n = MultiByteToWideChar(codePage, flags, text.data(), int(text.size()), nullptr, 0);
  if (n <= 0) {
    *ok = false;
    return std::wstring();
  }
  std::wstring wide(size_t(n), L'\0');
  MultiByteToWideChar(codePage, flags, text.data(), int(text.size()), &wide[0], n);
  return wide;
}

bool IsFullDrivePath(const std::wstring& path) {
  return path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
}

bool IsUncPath(const std::wstring& path) {
  return path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
}

}  // namespace

std::wstring WideFromUtf8(const std::string& text) {
  bool ok = false;
  std::wstring wide = Widen(text, CP_UTF8, MB_ERR_INVALID_CHARS, &ok);
  if (!ok) wide = Widen(text, CP_ACP, 0, &ok);
  return wide;
}

std::wstring WidePath(const std::string& path) {
  std::wstring wide = WideFromUtf8(path);
  // Below MAX_PATH every system takes the name as it is; the prefix would
  // also switch off the system's own clean-up of "." and "..", which short
  // names keep.
  if (wide.size() < MAX_PATH - 12 || wide.compare(0, 4, L"\\\\?\\") == 0) return wide;
  // A relative or drive-relative name becomes a full one first.
  if (!IsFullDrivePath(wide) && !IsUncPath(wide)) {
    const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return wide;
    std::wstring full(n, L'\0');
    const DWORD got = GetFullPathNameW(wide.c_str(), n, &full[0], nullptr);
    if (got == 0 || got >= n) return wide;
    full.resize(got);
    wide = full;
  }
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  if (IsUncPath(wide)) return L"\\\\?\\UNC\\" + wide.substr(2);
  if (IsFullDrivePath(wide)) return L"\\\\?\\" + wide;
  return wide;
}

std::string Utf8FromWide(const wchar_t* text) {
  if (!text || !*text) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, nullptr, nullptr);
  out.resize(size_t(n - 1));
  return out;
}

std::string Utf8FromWide(const std::wstring& text) { return Utf8FromWide(text.c_str()); }

std::string Utf8FromCodePage(const std::string& text, unsigned codePage) {
  bool ok = false;
  return Utf8FromWide(Widen(text, codePage, 0, &ok));
}

bool CodePageFromUtf8(const std::string& text, std::string* out) {
  out->clear();
  const std::wstring wide = WideFromUtf8(text);
  if (wide.empty()) return true;
  BOOL lossy = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, &lossy);
  if (n <= 0) return false;
  out->resize(size_t(n));
  WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), &(*out)[0], n, nullptr, &lossy);
  // A best-fit mapping (an e with an acute accent to "e" in some code pages) would name another file.
  bool back = false;
  return !lossy && Widen(*out, CP_ACP, 0, &back) == wide && back;
}
