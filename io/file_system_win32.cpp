#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "io/file_system.h"

namespace filesys {

namespace {
std::string SystemReason(DWORD error) {
  char text[256] = "";
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                           sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == '.')) text[--n] = 0;
  return n ? std::string(text) : "error " + std::to_string(error);
}
}  // namespace

std::FILE* CreateNew(const std::string& path, std::string* reason) {
  int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) {
    *reason = std::strerror(errno);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "wb");
  if (!file) {
    *reason = std::strerror(errno);
    _close(fd);
    DeleteFileA(path.c_str());
  }
  return file;
}

bool CanReplace(const std::string& path, std::string* reason) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    *reason = SystemReason(ERROR_DIRECTORY);
    return false;
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    *reason = SystemReason(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

bool MoveReplacing(const std::string& from, const std::string& to, std::string* reason) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  *reason = SystemReason(GetLastError());
  return false;
}

void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

std::string FolderOf(const std::string& path) {
  // Walk forward so that the second byte of a double-byte character (which
  // may be 0x5C, the backslash, in code page 932) is never taken for a separator.
  size_t end = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsDBCSLeadByte(c) && i + 1 < path.size()) {
      ++i;
      continue;
    }
    if (c == '\\' || c == '/' || c == ':') end = i + 1;
  }
  return path.substr(0, end);
}

}  // namespace filesys
