#include "io/positioned_read.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace filesys {

int OpenForReading(const std::string& path, uint64_t* size, std::string* reason) {
  struct stat info;
  if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    *reason = std::strerror(EISDIR);
    return -1;
  }
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || fstat(fd, &info) != 0) {
    *reason = std::strerror(errno);
    if (fd >= 0) close(fd);
    return -1;
  }
  *size = uint64_t(info.st_size);
  return fd;
}

// Positioned reads leave the shared file offset alone: a duplicate is enough.
int ReopenForReading(int fd) { return fd < 0 ? -1 : fcntl(fd, F_DUPFD_CLOEXEC, 0); }

size_t ReadAt(int fd, uint64_t position, void* out, size_t count) {
  uint8_t* dest = static_cast<uint8_t*>(out);
  size_t done = 0;
  while (done < count) {
    const ssize_t got = pread(fd, dest + done, count - done, off_t(position + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += size_t(got);
  }
  return done;
}

int ProbeRead(int fd, uint64_t position, uint64_t end, uint64_t* where, uint64_t* sizeNow) {
  struct stat info;
  *sizeNow = fstat(fd, &info) == 0 ? uint64_t(info.st_size) : 0;
  uint8_t piece[4096];
  while (position < end) {
    const size_t want = end - position < sizeof piece ? size_t(end - position) : sizeof piece;
    const ssize_t got = pread(fd, piece, want, off_t(position));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      *where = position;
      return errno ? errno : EIO;
    }
    if (got == 0) break;
    position += uint64_t(got);
  }
  return 0;
}

void CloseReading(int fd) {
  if (fd >= 0) close(fd);
}

}  // namespace filesys
