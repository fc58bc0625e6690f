#include <windows.h>

#include "merge/staged_file.h"

// rename() refuses an existing target on Windows; MoveFileEx replaces it.
bool ReplaceFileWith(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
