#include <cerrno>
#include <unistd.h>

#include "io/file_range.h"

namespace filesys {
namespace {

constexpr uint64_t kMostPerCall = 1u << 30;

// copy_file_range is refused across file systems on older kernels (EXDEV),
// by some file systems and special files (EINVAL, EOPNOTSUPP) and by kernels
// before 4.5 (ENOSYS): the bytes then go through memory.
bool KernelCopyRefused(int error) {
  return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EBADF;
}

bool WriteAll(int to, const uint8_t* data, size_t count, int* error) {
  while (count > 0) {
    ssize_t put = write(to, data, count);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      *error = put < 0 ? errno : EIO;
      return false;
    }
    data += put;
    count -= size_t(put);
  }
  return true;
}

}  // namespace

int64_t AppendFileRange(int from, uint64_t at, std::FILE* to, uint64_t count, uint8_t* scratch, size_t scratchBytes,
                        int* error) {
  *error = 0;
  const int toFd = fileno(to);
  uint64_t done = 0;
  bool kernel = true;
  while (done < count) {
    const uint64_t want = count - done < kMostPerCall ? count - done : kMostPerCall;
    if (kernel) {
      off_t offset = off_t(at + done);
      ssize_t moved = copy_file_range(from, &offset, toFd, nullptr, size_t(want), 0);
      if (moved > 0) {
        done += uint64_t(moved);
        continue;
      }
      if (moved == 0) break;  // the input ends here
      if (errno == EINTR) continue;
      if (!KernelCopyRefused(errno)) {
        *error = errno;
        break;
      }
      kernel = false;
    }
    const size_t take = want < scratchBytes ? size_t(want) : scratchBytes;
    ssize_t got = pread(from, scratch, take, off_t(at + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    if (!WriteAll(toFd, scratch, size_t(got), error)) break;
    done += uint64_t(got);
  }
  return int64_t(done);
}

}  // namespace filesys
