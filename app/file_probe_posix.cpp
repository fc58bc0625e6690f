#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/file_probe.h"

ProbeResult ProbeInputFile(const char* path, uint32_t* size) {
  int fd = open(path, O_RDONLY);
  if (fd < 0) return ProbeResult::CannotOpen;
  struct stat info;
  bool ok = fstat(fd, &info) == 0;
  close(fd);
  // A directory cannot be opened as a file on Windows either.
  if (!ok || (info.st_mode & S_IFMT) == S_IFDIR) return ProbeResult::CannotOpen;
  if (uint64_t(info.st_size) > 0x7FFFFFFFull) return ProbeResult::TooLarge;
  *size = uint32_t(info.st_size);
  return ProbeResult::Ok;
}

bool SameFile(const char* first, const char* second) {
  struct stat a, b;
  return stat(first, &a) == 0 && stat(second, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
