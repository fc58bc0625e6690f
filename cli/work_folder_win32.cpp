#include "cli/work_folder.h"

#include <windows.h>

#include "io/system_reason.h"
#include "io/wide_path.h"

bool EnterFolder(const std::string& folder, std::string* reason) {
  // SetCurrentDirectoryW takes no "\\?\" prefix: the plain wide name, which
  // limits a job file's folder to the old 259 characters.
  if (folder.empty() || SetCurrentDirectoryW(WideFromUtf8(folder).c_str())) return true;
  *reason = SystemReason(GetLastError());
  return false;
}
