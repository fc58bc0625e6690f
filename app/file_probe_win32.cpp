#include <windows.h>

#include "app/file_probe.h"

ProbeResult ProbeInputFile(const char* path, uint32_t* size) {
  HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return ProbeResult::CannotOpen;
  DWORD high = 0;
  DWORD low = GetFileSize(file, &high);
  CloseHandle(file);
  if (high != 0 || low > 0x7FFFFFFFu) return ProbeResult::TooLarge;
  *size = low;
  return ProbeResult::Ok;
}
