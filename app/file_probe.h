// The first look at an input file: can it be opened, and is it below 2 GiB.
// Done before the file is opened for reading, as a separate handle.
#pragma once
#include <cstdint>
#include <string>

enum class ProbeResult { Ok, CannotOpen, TooLarge };

// On Ok, size holds the file's size in bytes (at most 0x7FFFFFFF). Otherwise
// *reason (when given) says why: the system's words, or the size.
ProbeResult ProbeInputFile(const char* path, uint32_t* size, std::string* reason = nullptr);

// True when both paths name the same existing file (also through links).
bool SameFile(const char* first, const char* second);
