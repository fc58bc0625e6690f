#include "io/system_reason.h"

#include <windows.h>

#include <cerrno>
#include <cstring>

#include "io/wide_path.h"

namespace {

// The errors a file name meets most often, in the C runtime's words: the
// same words the program gives on every other system ("No such file or
// directory"), so messages and scripts read alike everywhere. 0: none.
// A sharing violation (another program holds the file and shares it not
// the way it is asked for) keeps the system's own words: the runtime's
// "Permission denied" would send the user to the file's permissions.
int ErrnoOf(unsigned long error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DIRECTORY: return EISDIR;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    default: return 0;
  }
}

}  // namespace

std::string SystemReason(unsigned long error) {
  if (const int e = ErrnoOf(error)) return std::strerror(e);
  wchar_t text[512] = L"";
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                           sizeof text / sizeof text[0], nullptr);
  while (n > 0 && (text[n - 1] == L'\n' || text[n - 1] == L'\r' || text[n - 1] == L'.')) text[--n] = 0;
  return n ? Utf8FromWide(text) : "error " + std::to_string(error);
}
