// Input files opened so that several threads may read them at once: every
// read names its own position (pread; on Windows a move of the file position
// and a read, under a lock of the descriptor's), so readers never move a
// shared file position under each other.
// The file is named by a small integer on both systems (on Windows a C
// runtime descriptor over the file's handle). One implementation per platform
// (positioned_read_posix.cpp, positioned_read_win32.cpp).
//
//   int fd = filesys::OpenForReading(path, &size, &reason);
//   size_t got = filesys::ReadAt(fd, position, buffer, bytes);
//   filesys::CloseReading(fd);
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace filesys {

// Opens an existing file (UTF-8 name) for reading, others may read it too.
// -1 with *reason (the system's words) when it cannot be opened; a folder
// cannot. *size is its size when opened.
int OpenForReading(const std::string& path, uint64_t* size, std::string* reason);
// Opens the file fd reads once more, for another thread; -1 when it cannot.
int ReopenForReading(int fd);
// Reads up to count bytes at position; fewer only at the end of the file or
// when a read fails.
size_t ReadAt(int fd, uint64_t position, void* out, size_t count);
void CloseReading(int fd);
// After a read came short: reads the bytes from position up to end once
// more, in small pieces, to tell why. The system's error number (errno) of
// the first piece that fails, with *where its first byte; 0 when none fails
// (the file ends early, or the fault passed). *sizeNow: the file's size now.
int ProbeRead(int fd, uint64_t position, uint64_t end, uint64_t* where, uint64_t* sizeNow);

}  // namespace filesys
