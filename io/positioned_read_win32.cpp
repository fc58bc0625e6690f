#include "io/positioned_read.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include "io/system_reason.h"
#include "io/wide_path.h"

namespace filesys {

namespace {

int Descriptor(HANDLE file) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
  if (fd < 0) CloseHandle(file);
  return fd;
}

}  // namespace

int OpenForReading(const std::string& path, uint64_t* size, std::string* reason) {
  const std::wstring name = WidePath(path);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *reason = SystemReason(ERROR_DIRECTORY);
    return -1;
  }
  // Shared for reading: the background walk and the read-ahead open or use
  // the same file while this handle reads it.
  HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *reason = SystemReason(GetLastError());
    return -1;
  }
  LARGE_INTEGER bytes;
  if (!GetFileSizeEx(file, &bytes)) {
    *reason = SystemReason(GetLastError());
    CloseHandle(file);
    return -1;
  }
  *size = uint64_t(bytes.QuadPart);
  const int fd = Descriptor(file);
  if (fd < 0) *reason = SystemReason(ERROR_TOO_MANY_OPEN_FILES);
  return fd;
}

int ReopenForReading(int fd) {
  if (fd < 0) return -1;
  HANDLE from = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (from == INVALID_HANDLE_VALUE) return -1;
  // A file object of its own, so that on Windows the two readers' synchronous
  // reads do not queue behind each other; a duplicate handle where that fails.
  HANDLE again = ReOpenFile(from, GENERIC_READ, FILE_SHARE_READ, 0);
  if (again == INVALID_HANDLE_VALUE &&
      !DuplicateHandle(GetCurrentProcess(), from, GetCurrentProcess(), &again, 0, FALSE, DUPLICATE_SAME_ACCESS))
    return -1;
  return Descriptor(again);
}

size_t ReadAt(int fd, uint64_t position, void* out, size_t count) {
  HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (file == INVALID_HANDLE_VALUE) return 0;
  uint8_t* dest = static_cast<uint8_t*>(out);
  size_t done = 0;
  while (done < count) {
    const uint64_t at = position + done;
    OVERLAPPED where = {};
    where.Offset = DWORD(at);
    where.OffsetHigh = DWORD(at >> 32);
    const size_t left = count - done;
    const DWORD want = left > (1u << 30) ? DWORD(1u << 30) : DWORD(left);
    DWORD got = 0;
    // Past the end ReadFile fails with ERROR_HANDLE_EOF: the file ends here.
    if (!ReadFile(file, dest + done, want, &got, &where) || got == 0) break;
    done += got;
  }
  return done;
}

void CloseReading(int fd) {
  if (fd >= 0) _close(fd);
}

}  // namespace filesys
