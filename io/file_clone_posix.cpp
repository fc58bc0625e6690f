#include <cerrno>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include "io/file_clone.h"

namespace filesys {
namespace {

// Kernels pass FICLONERANGE to the file system, which shares whole blocks
// of its own block size (XFS, Btrfs: usually 4096 bytes). statfs gives that
// size; st_blksize is only the preferred size of a write, larger on some
// mounts, and serves where statfs gives nothing usable.
uint32_t BlockSize(int fd) {
  struct statfs fs;
  if (fstatfs(fd, &fs) == 0 && fs.f_bsize >= 512 && fs.f_bsize <= (1 << 20) && (fs.f_bsize & (fs.f_bsize - 1)) == 0)
    return uint32_t(fs.f_bsize);
  struct stat st;
  if (fstat(fd, &st) == 0 && st.st_blksize >= 512 && (st.st_blksize & (st.st_blksize - 1)) == 0)
    return uint32_t(st.st_blksize);
  return 0;
}

}  // namespace

uint32_t ProbeClone(int from, std::FILE* to) {
  const int toFd = fileno(to);
  struct stat in, out;
  if (fstat(from, &in) != 0 || fstat(toFd, &out) != 0 || in.st_size <= 0 || out.st_size != 0) return 0;
  const uint32_t block = BlockSize(toFd);
  if (block == 0) return 0;
  // A file shorter than one block is shared whole: a range may end at the
  // source's end.
  const uint64_t count = uint64_t(in.st_size) < block ? uint64_t(in.st_size) : block;
  int error = 0;
  const bool shared = CloneRange(from, 0, to, 0, count, &error);
  if (shared && (ftruncate(toFd, 0) != 0 || lseek(toFd, 0, SEEK_SET) != 0)) return 0;
  return shared ? block : 0;
}

bool CloneRange(int from, uint64_t at, std::FILE* to, uint64_t toAt, uint64_t count, int* error) {
  *error = 0;
  // FICLONERANGE reads a length of 0 as "to the end of the source".
  if (count == 0) return true;
  struct file_clone_range range;
  range.src_fd = from;
  range.src_offset = at;
  range.src_length = count;
  range.dest_offset = toAt;
  while (ioctl(fileno(to), FICLONERANGE, &range) != 0) {
    if (errno == EINTR) continue;
    // EXDEV: another file system; EOPNOTSUPP / ENOTTY / EINVAL: one that
    // cannot share blocks (ext4, tmpfs, XFS made without reflink) or a range
    // it refuses; ENOSPC, EIO: as for any write.
    *error = errno;
    return false;
  }
  // The clone leaves the file position alone; the next write goes after it.
  if (lseek(fileno(to), off_t(toAt + count), SEEK_SET) < 0) {
    *error = errno;
    return false;
  }
  return true;
}

}  // namespace filesys
