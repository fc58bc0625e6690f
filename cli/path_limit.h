// The program's paths hold at most 259 bytes (a path buffer of 260 with its
// zero); the command line refuses a longer one rather than cut it.
#pragma once
#include <string>

bool PathUsableWhole(const char* path);
std::string PathTooLong(const char* path);
