#include "cli/path_limit.h"

#include <cstring>

bool PathUsableWhole(const char* path) { return std::strlen(path) <= 259; }

std::string PathTooLong(const char* path) {
  return "'" + std::string(path) + "' is " + std::to_string(std::strlen(path)) +
         " bytes long; paths of at most 259 bytes can be used";
}
