// The few file operations the safe output files need, one implementation per
// platform (file_system_posix.cpp, file_system_win32.cpp). Names are UTF-8
// (the Windows build hands them to the system as UTF-16, io/wide_path.h).
#pragma once
#include <cstdio>
#include <string>

namespace filesys {

// Creates a new file (failing if the name exists) for binary writing.
// Null with *reason set on failure.
std::FILE* CreateNew(const std::string& path, std::string* reason);

// True when a new file may take the name path: nothing is there, or a file
// we may write, or a link (the link itself is replaced). False with *reason
// for a folder or a read-only file.
bool CanReplace(const std::string& path, std::string* reason);

// Moves from over to, replacing whatever to names (a link is replaced, not
// followed). False with *reason when it cannot.
bool MoveReplacing(const std::string& from, const std::string& to, std::string* reason);

// Removes a file; a missing file is no error.
void RemoveFile(const std::string& path);

// std::fopen for a UTF-8 name (small text files: the settings file).
std::FILE* OpenStdio(const std::string& path, const char* mode);

// The longest name (in bytes of UTF-8) the outputs may have: 259 where the
// program has always kept to it, the system's own limit on Windows (names of
// up to 32,767 characters there, io/wide_path.h).
size_t LongestPathBytes();

// The folder part of path, with its trailing separator ("" for a bare name).
std::string FolderOf(const std::string& path);

}  // namespace filesys
