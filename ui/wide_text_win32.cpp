#include "ui/wide_text.h"

#include <vector>

namespace {

std::wstring Widen(const std::string& text, UINT codePage) {
  if (text.empty()) return std::wstring();
  const int length = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring wide(size_t(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), &wide[0], length);
  return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
  if (text.empty()) return std::string();
  const int length = WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(size_t(length), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), &narrow[0], length, nullptr, nullptr);
  return narrow;
}

}  // namespace

std::wstring WideFromUtf8(const std::string& text) { return Widen(text, CP_UTF8); }
std::string Utf8FromWide(const std::wstring& text) { return Narrow(text, CP_UTF8); }
std::string Utf8FromAnsi(const std::string& text) { return Utf8FromWide(Widen(text, CP_ACP)); }
std::string AnsiFromUtf8(const std::string& text) { return Narrow(WideFromUtf8(text), CP_ACP); }

std::string WindowTextUtf8(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::vector<wchar_t> text(size_t(length) + 1, L'\0');
  GetWindowTextW(window, text.data(), length + 1);
  return Utf8FromWide(text.data());
}

void SetWindowTextUtf8(HWND window, const std::string& text) { SetWindowTextW(window, WideFromUtf8(text).c_str()); }
