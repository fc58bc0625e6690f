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
  // Others may read the file, and move or remove it as MoveReplacing and
  // RemoveFile do while this handle stays open; none may open it for
  // writing, and so none can open it for itself alone (RemoveUnownedFiles).
  HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    DeleteFileW(name.c_str());
    if (fd >= 0)
      _close(fd);
    else
      CloseHandle(handle);
  }
  return file;
}

bool SyncFile(std::FILE* file, std::string* reason) {
  if (std::fflush(file) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  if (FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))))) return true;
  *reason = SystemReason(GetLastError());
  return false;
}

void StartWriteBack(std::FILE*, uint64_t) {}

intptr_t KeepOwnership(std::FILE* file) {
  // A handle of the system's own, not a C runtime descriptor (of which a
  // process has only a few hundred): a split into thousands of pieces keeps
  // one per piece until all are moved.
  HANDLE copy = nullptr;
  const HANDLE process = GetCurrentProcess();
  if (!DuplicateHandle(process, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))), process, &copy, 0, FALSE,
                       DUPLICATE_SAME_ACCESS))
    return kNoOwnership;
  return reinterpret_cast<intptr_t>(copy);
}

bool SyncOwned(intptr_t token, std::string* reason) {
  if (token != kNoOwnership && FlushFileBuffers(reinterpret_cast<HANDLE>(token))) return true;
  *reason = SystemReason(token == kNoOwnership ? ERROR_INVALID_HANDLE : GetLastError());
  return false;
}

void DropOwnership(intptr_t token) {
  if (token != kNoOwnership) CloseHandle(reinterpret_cast<HANDLE>(token));
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

bool MoveReplacing(const std::string& from, const std::string& to, std::string* reason) {
  // Write-through: the call returns once the move is on the disk.
  if (MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  *reason = SystemReason(GetLastError());
  return false;
}

bool SyncFolder(const std::string&, std::string*) { return true; }

size_t RemoveUnownedFiles(const std::string& folder, const std::function<bool(const std::string& name)>& candidate) {
  const std::string prefix = folder.empty() ? std::string() : folder;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileExW(WidePath(prefix + "*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                   nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return 0;
  size_t removed = 0;
  do {
    const std::string name = Utf8FromWide(found.cFileName);
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT) || !candidate(name)) continue;
    // Without any sharing the open succeeds only when no other handle is
    // open: no process owns the file. The link itself is opened, never
    // followed; it and a folder stay.
    HANDLE file = CreateFileW(WidePath(prefix + name).c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    BY_HANDLE_FILE_INFORMATION info;
    FILE_DISPOSITION_INFO remove = {TRUE};
    if (GetFileInformationByHandle(file, &info) &&
        !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
        SetFileInformationByHandle(file, FileDispositionInfo, &remove, sizeof remove))
      ++removed;
    CloseHandle(file);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return removed;
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

uint32_t ProcessId() { return uint32_t(GetCurrentProcessId()); }

}  // namespace filesys
