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

namespace {
bool Identify(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
  HANDLE file = CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = GetFileInformationByHandle(file, info) != 0;
  CloseHandle(file);
  return ok;
}
}  // namespace

bool SameFile(const char* first, const char* second) {
  BY_HANDLE_FILE_INFORMATION a, b;
  return Identify(first, &a) && Identify(second, &b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
         a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}
