#include "ui/wide_text.h"

#include <vector>

std::string WindowTextUtf8(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::vector<wchar_t> text(size_t(length) + 1, L'\0');
  GetWindowTextW(window, text.data(), length + 1);
  return Utf8FromWide(text.data());
}

void SetWindowTextUtf8(HWND window, const std::string& text) { SetWindowTextW(window, WideFromUtf8(text).c_str()); }
