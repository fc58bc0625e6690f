#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "job/file_probe.h"

ProbeResult ProbeInputFile(const char* path, uint64_t* size, std::string* reason) {
  std::string ignored;
  std::string& why = reason ? *reason : ignored;
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    why = std::strerror(errno);
    return ProbeResult::CannotOpen;
  }
  struct stat info;
  bool ok = fstat(fd, &info) == 0;
  if (!ok) why = std::strerror(errno);
  close(fd);
  // A directory cannot be opened as a file on Windows either.
  if (!ok) return ProbeResult::CannotOpen;
  if ((info.st_mode & S_IFMT) == S_IFDIR) {
    why = std::strerror(EISDIR);
    return ProbeResult::CannotOpen;
  }
  if (info.st_size < 0) {
    why = "the system reports no size";
    return ProbeResult::TooLarge;
  }
  *size = uint64_t(info.st_size);
  return ProbeResult::Ok;
}

bool SameFile(const char* first, const char* second) {
  struct stat a, b;
  return stat(first, &a) == 0 && stat(second, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
