#include <windows.h>

#include "job/file_probe.h"
#include "io/system_reason.h"
#include "io/wide_path.h"

// Other readers are welcome (a player, the window's own preview of the
// file); a file that another program is writing is refused, as it cannot be
// opened without sharing the write.
ProbeResult ProbeInputFile(const char* path, uint64_t* size, std::string* reason) {
  HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    if (reason) *reason = SystemReason(GetLastError());
    return ProbeResult::CannotOpen;
  }
  LARGE_INTEGER bytes;
  const bool known = GetFileSizeEx(file, &bytes) != 0;
  const DWORD error = GetLastError();
  CloseHandle(file);
  if (!known || bytes.QuadPart < 0) {
    if (reason) *reason = SystemReason(error);
    return ProbeResult::TooLarge;
  }
  *size = uint64_t(bytes.QuadPart);
  return ProbeResult::Ok;
}

namespace {
bool Identify(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
  HANDLE file = CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
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
