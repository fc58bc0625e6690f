#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "io/file_system.h"
#include "io/system_reason.h"
#include "io/wide_path.h"

namespace filesys {

std::FILE* CreateNew(const std::string& path, std::string* reason) {
  const std::wstring name = WidePath(path);
  // Others may read the file, and remove it as RemoveFile does while this
  // handle stays open (DELETE: MoveOwned moves it through the handle); none
  // may open it for writing, and so none can open it for itself alone
  // (RemoveUnownedFiles).
  HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
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

bool Exists(const std::string& path) {
  return GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool NamesOpenFile(const std::string& path, int fd) {
  const HANDLE open = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  const HANDLE named = CreateFileW(WidePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (open == INVALID_HANDLE_VALUE || named == INVALID_HANDLE_VALUE) {
    if (named != INVALID_HANDLE_VALUE) CloseHandle(named);
    return false;
  }
  BY_HANDLE_FILE_INFORMATION a, b;
  const bool same = GetFileInformationByHandle(open, &a) && GetFileInformationByHandle(named, &b) &&
                    a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
                    a.nFileIndexLow == b.nFileIndexLow;
  CloseHandle(named);
  return same;
}

namespace {

// The full name in the system's own form ("\??\C:\v\clip.avi",
// "\??\UNC\server\share\clip.avi"), as a rename through a handle takes it.
std::wstring SystemPath(const std::string& path) {
  std::wstring wide = WidePath(path);
  if (wide.compare(0, 4, L"\\\\?\\") != 0) {
    const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(n, L'\0');
    const DWORD got = n ? GetFullPathNameW(wide.c_str(), n, &full[0], nullptr) : 0;
    if (got > 0 && got < n) wide = full.substr(0, got);
    wide = wide.compare(0, 2, L"\\\\") == 0 ? L"\\\\?\\UNC\\" + wide.substr(2) : L"\\\\?\\" + wide;
  }
  wide[1] = L'?';  // "\\?\" and "\??\" name the same; the rename takes the latter
  return wide;
}

}  // namespace

bool MoveOwned(intptr_t token, const std::string& from, const std::string& to, std::string* reason) {
  // Through the owning handle: no other run can take the file for a leftover
  // between a close and the move.
  const std::wstring name = SystemPath(to);
  std::vector<char> record(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t), 0);
  FILE_RENAME_INFO& info = *reinterpret_cast<FILE_RENAME_INFO*>(record.data());
  info.ReplaceIfExists = TRUE;
  info.RootDirectory = nullptr;
  info.FileNameLength = DWORD(name.size() * sizeof(wchar_t));
  std::memcpy(info.FileName, name.data(), info.FileNameLength);
  const HANDLE handle = reinterpret_cast<HANDLE>(token);
  const auto move = [&] {
    if (token != kNoOwnership)
      return SetFileInformationByHandle(handle, FileRenameInfo, record.data(), DWORD(record.size())) != 0;
    return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  };
  // Another program may hold the earlier file open for a moment (a second
  // run's look at the name, a virus scanner, a thumbnail maker), and Windows
  // refuses to move over it meanwhile: the move is tried again for about a
  // second.
  for (int attempt = 1;; ++attempt) {
    const bool moved = move();
    if (moved) break;
    const DWORD error = GetLastError();
    if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || attempt == 40) {
      *reason = SystemReason(error);
      return false;
    }
    Sleep(25);
  }
  // As MoveFileEx's write-through does: the move is on the disk on return.
  if (token != kNoOwnership) FlushFileBuffers(handle);
  return true;
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

std::string PathInFolder(const std::string& folder, const std::string& path) {
  const std::string name = path.substr(FolderOf(path).size());
  const bool separated = folder.empty() || folder.back() == '\\' || folder.back() == '/';
  return separated ? folder + name : folder + "\\" + name;
}

// Whether files may be made is known only by making one: the file's
// creation says why when it cannot.
bool WritableFolder(const std::string& folder, std::string* reason) {
  const DWORD attributes = GetFileAttributesW(WidePath(folder).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *reason = SystemReason(GetLastError());
    return false;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *reason = SystemReason(ERROR_DIRECTORY);
    return false;
  }
  return true;
}

}  // namespace filesys
