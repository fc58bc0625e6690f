// Copies a byte range of one open file to the end of another, inside the
// kernel where the system can (copy_file_range), else with positioned reads
// and plain writes through the caller's scratch memory (on Windows always).
// One implementation per platform (file_range_posix.cpp, file_range_win32.cpp).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace filesys {

// Appends bytes [at, at + count) of descriptor `from` at the current position
// of the unbuffered stream `to`. Returns the bytes appended: fewer than count when
// `from` ends first, or when a write fails (*error then holds its errno,
// otherwise 0). Returns -1 when this platform cannot copy between descriptors.
int64_t AppendFileRange(int from, uint64_t at, std::FILE* to, uint64_t count, uint8_t* scratch, size_t scratchBytes,
                        int* error);

}  // namespace filesys
