#include "io/system_reason.h"

#include <windows.h>

#include "io/wide_path.h"

std::string SystemReason(unsigned long error) {
  wchar_t text[512] = L"";
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                           sizeof text / sizeof text[0], nullptr);
  while (n > 0 && (text[n - 1] == L'\n' || text[n - 1] == L'\r' || text[n - 1] == L'.')) text[--n] = 0;
  return n ? Utf8FromWide(text) : "error " + std::to_string(error);
}
