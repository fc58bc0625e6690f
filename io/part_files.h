// The temporary files of the output files (io/output_file.h): their names,
// and the removal of those that killed runs left behind.
//
// A temporary file is ".NAME.PID.tavrin-part" beside the final NAME, PID
// being the writing process's number: hidden in a POSIX listing, and saying
// what it is and whose it is. A process that writes one name twice at once
// adds "-2", "-3", ... to PID. NAME loses its last characters where the
// whole would be longer than the 255 bytes a file name may have (the suffix
// still ends it).
#pragma once
#include <cstdint>
#include <string>

// The name (without folder) of the temporary file for finalName (without
// folder); attempt 1 is the plain one, 2 and on add "-attempt" to the PID.
std::string PartName(const std::string& finalName, uint32_t pid, int attempt);

// True for names of that pattern: ".", at least one character, ".tavrin-part".
bool IsPartName(const std::string& name);

// Removes from folder ("" the current one) the temporary files that no
// running process owns (filesys::RemoveUnownedFiles): the first time a
// folder is named, then again once a minute has passed since its last
// look. Files of this process are never taken.
void RemoveLeftoverParts(const std::string& folder);

// This process's temporary files that it could not keep owned (it had no
// descriptor to spare): left alone by RemoveLeftoverParts.
void NoteUnownedPart(const std::string& path);
void ForgetUnownedPart(const std::string& path);
