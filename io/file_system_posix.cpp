#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "io/file_system.h"

namespace filesys {

std::FILE* CreateNew(const std::string& path, std::string* reason) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    *reason = std::strerror(errno);
    return nullptr;
  }
  std::FILE* file = fdopen(fd, "wb");
  if (!file) {
    *reason = std::strerror(errno);
    close(fd);
    unlink(path.c_str());
  }
  return file;
}

bool CanReplace(const std::string& path, std::string* reason) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return true;  // nothing there (or unreachable: creation will say)
  if (S_ISLNK(info.st_mode)) return true;
  if (S_ISDIR(info.st_mode)) {
    *reason = std::strerror(EISDIR);
    return false;
  }
  if (access(path.c_str(), W_OK) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  return true;
}

bool MoveReplacing(const std::string& from, const std::string& to, std::string* reason) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  *reason = std::strerror(errno);
  return false;
}

void RemoveFile(const std::string& path) { unlink(path.c_str()); }

std::FILE* OpenStdio(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

size_t LongestPathBytes() { return 259; }

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace filesys
