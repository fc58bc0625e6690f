// Sharing blocks between files (a "clone" or "reflink"): a range of one file
// becomes part of another without its bytes being read or written, and
// without taking new space, where the file system can do it (XFS made with
// reflink, Btrfs, ReFS / Dev Drive). Both files must be on the same file
// system, and the range must start at the same offset within a block in both
// files: the file systems share whole blocks only. One implementation per
// platform (file_clone_posix.cpp, file_clone_win32.cpp).
//
//   uint32_t block = ProbeClone(inputFd, emptyOutput);   // once per output
//   if (block) CloneRange(inputFd, at, output, outAt, count, &error);
#pragma once
#include <cstdint>
#include <cstdio>

namespace filesys {

// The block size at which the empty file `to` can share the blocks of file
// `from`, or 0 when it cannot (another file system, one that cannot clone,
// an empty `from`). Tried for real: the first block of `from` is shared as
// the start of `to`, which is emptied again.
uint32_t ProbeClone(int from, std::FILE* to);

// Makes bytes [at, at + count) of `from` the bytes [toAt, toAt + count) of
// `to`, sharing their blocks. at and toAt must be multiples of the block size
// ProbeClone gave, and count too unless the range ends at `from`'s end and
// `to` ends at or before toAt + count. Nothing may be buffered in `to`; its
// position is moved to toAt + count, where the next write goes. False, with *error set and `to` unchanged,
// when the blocks cannot be shared: the caller then copies them.
bool CloneRange(int from, uint64_t at, std::FILE* to, uint64_t toAt, uint64_t count, int* error);

}  // namespace filesys
