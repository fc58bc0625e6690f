#include "io/positioned_read.h"

#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <io.h>

#include "io/file_system.h"
#include "io/part_files.h"
#include "io/system_reason.h"
#include "io/wide_path.h"

namespace filesys {

namespace {

// Locks shared by descriptors with the same remainder: a seek and the read
// after it must not be split by another thread's seek on the same file.
class DescriptorLock {
 public:
  explicit DescriptorLock(int fd) : section_(&Sections()[unsigned(fd) % kStripes]) { EnterCriticalSection(section_); }
  ~DescriptorLock() { LeaveCriticalSection(section_); }
  DescriptorLock(const DescriptorLock&) = delete;
  DescriptorLock& operator=(const DescriptorLock&) = delete;

 private:
  static constexpr unsigned kStripes = 16;
  static CRITICAL_SECTION* Sections() {
    static CRITICAL_SECTION* sections = [] {
      static CRITICAL_SECTION made[kStripes];
      for (CRITICAL_SECTION& c : made) InitializeCriticalSection(&c);
      return made;
    }();
    return sections;
  }
  CRITICAL_SECTION* section_;
};

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
  // the same file while this handle reads it. The program's own finished
  // outputs wait under their temporary names held by a handle with write
  // and delete access (io/output_file.h); an exact cut reads them back
  // before they are moved (its seam check), which only a reader that shares
  // that access may.
  const bool ownOutput = IsPartName(path.substr(FolderOf(path).size()));
  const DWORD share = ownOutput ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : FILE_SHARE_READ;
  HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
  // A file object of its own, with a file position of its own: reads move
  // the position (ReadAt), so a duplicate handle, which shares it, would not do.
  HANDLE again = ReOpenFile(from, GENERIC_READ, FILE_SHARE_READ, 0);
  // Only a handle that was there when fd was opened (fd shares no writing):
  // the program's own output, read back as OpenForReading does.
  if (again == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION)
    again = ReOpenFile(from, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
  if (again == INVALID_HANDLE_VALUE) return -1;
  return Descriptor(again);
}

// A read that names its offset in an OVERLAPPED costs about 30 us under
// Wine, whatever its size (Wine asks its server to move the file position
// after it); moving the position and then reading costs 2.5 us for 64 bytes
// and 8 us for 32 KB. So each read moves the position itself, under a lock
// of the descriptor's, and threads that share a descriptor still read at the
// positions they name. (Readers on threads of their own have descriptors of
// their own: ReopenForReading.)
size_t ReadAt(int fd, uint64_t position, void* out, size_t count) {
  HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (file == INVALID_HANDLE_VALUE) return 0;
  DescriptorLock lock(fd);
  LARGE_INTEGER where;
  where.QuadPart = LONGLONG(position);
  if (!SetFilePointerEx(file, where, nullptr, FILE_BEGIN)) return 0;
  uint8_t* dest = static_cast<uint8_t*>(out);
  size_t done = 0;
  while (done < count) {
    const size_t left = count - done;
    const DWORD want = left > (1u << 30) ? DWORD(1u << 30) : DWORD(left);
    DWORD got = 0;
    if (!ReadFile(file, dest + done, want, &got, nullptr) || got == 0) break;  // the end of the file
    done += got;
  }
  return done;
}

void CloseReading(int fd) {
  if (fd >= 0) _close(fd);
}

int ProbeRead(int fd, uint64_t position, uint64_t end, uint64_t* where, uint64_t* sizeNow) {
  HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  LARGE_INTEGER bytes;
  *sizeNow = file != INVALID_HANDLE_VALUE && GetFileSizeEx(file, &bytes) ? uint64_t(bytes.QuadPart) : 0;
  uint8_t piece[4096];
  while (position < end) {
    const size_t want = end - position < sizeof piece ? size_t(end - position) : sizeof piece;
    errno = 0;
    const size_t got = ReadAt(fd, position, piece, want);
    if (got == 0 && position < *sizeNow) {
      *where = position;
      return errno ? errno : EIO;
    }
    if (got == 0) break;
    position += got;
  }
  return 0;
}

}  // namespace filesys
