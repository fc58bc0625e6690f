#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>

#include "io/file_system.h"
#include "io/system_reason.h"
#include "io/wide_path.h"

namespace filesys {

std::FILE* CreateNew(const std::string& path, std::string* reason) {
  const std::wstring name = WidePath(path);
  HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // The callers tell a name already taken by errno's words, as elsewhere.
    *reason = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? std::strerror(EEXIST)
                                                                          : SystemReason(error);
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  std::FILE* file = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
  if (!file) {
    *reason = std::strerror(errno);
    if (fd >= 0)
      _close(fd);
    else
      CloseHandle(handle);
    DeleteFileW(name.c_str());
  }
  return file;
}

bool CanReplace(const std::string& path, std::string* reason) {
  DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
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

// A name that any handle holds open cannot be replaced: the move fails with
// access denied (Wine refuses while any handle is open, whatever it shares).
// Another run that has just moved its own file under the same name holds it
// so for an instant, inside its MoveFileExW; so does a virus scanner looking
// at a new file. A few more tries, further and further apart, outlast them
// (about half a second in all); a file that a player keeps open still fails.
bool MoveReplacing(const std::string& from, const std::string& to, std::string* reason) {
  const std::wstring source = WidePath(from);
  const std::wstring target = WidePath(to);
  for (DWORD wait = 1;; wait *= 2) {
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD error = GetLastError();
    if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || wait > 256) {
      *reason = SystemReason(error);
      return false;
    }
    Sleep(wait);
  }
}

void RemoveFile(const std::string& path) { DeleteFileW(WidePath(path).c_str()); }

std::FILE* OpenStdio(const std::string& path, const char* mode) {
  return _wfopen(WidePath(path).c_str(), WideFromUtf8(mode).c_str());
}

size_t LongestPathBytes() { return 32767 * 3; }

std::string FolderOf(const std::string& path) {
  // Names are UTF-8, whose bytes of characters beyond ASCII are all 0x80 or
  // above: no byte of such a character is taken for a separator.
  const size_t end = path.find_last_of("\\/:");
  return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

}  // namespace filesys
