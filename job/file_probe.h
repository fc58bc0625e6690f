// The first look at an input file: can it be opened, and how large is it.
// Done before the file is opened for reading, as a separate handle.
#pragma once
#include <cstdint>
#include <string>

// Files of any size are read (positions are 64-bit throughout), so TooLarge
// is left for a size the system cannot report.
enum class ProbeResult { Ok, CannotOpen, TooLarge };

// On Ok, size holds the file's size in bytes. Otherwise *reason (when
// given) says why: the system's words, or the size.
ProbeResult ProbeInputFile(const char* path, uint64_t* size, std::string* reason = nullptr);

// True when both paths name the same existing file (also through links).
bool SameFile(const char* first, const char* second);
