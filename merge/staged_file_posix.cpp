#include <cstdio>

#include "merge/staged_file.h"

bool ReplaceFileWith(const char* from, const char* to) { return std::rename(from, to) == 0; }
