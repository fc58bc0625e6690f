#include "cli/work_folder.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

bool EnterFolder(const std::string& folder, std::string* reason) {
  if (folder.empty() || chdir(folder.c_str()) == 0) return true;
  *reason = std::strerror(errno);
  return false;
}
