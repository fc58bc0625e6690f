// The few file operations the safe output files need, one implementation per
// platform (file_system_posix.cpp, file_system_win32.cpp). Names are UTF-8
// (the Windows build hands them to the system as UTF-16, io/wide_path.h).
//
// Owned files. A file made by CreateNew is owned by this process for as long
// as it or a token of KeepOwnership stays open, and another process can tell:
// on POSIX the open file holds an exclusive flock(); on Windows its handle
// lets no other handle open the file for itself (share mode without write),
// so an exclusive open fails. RemoveUnownedFiles removes only files it can
// take for itself that way: a leftover of a process that was killed, never a
// file that a running process is still writing or about to move into place.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace filesys {

// Creates a new file (failing if the name exists) for binary writing, owned
// by this process. Null with *reason set on failure (strerror(EEXIST) for a
// name already taken).
std::FILE* CreateNew(const std::string& path, std::string* reason);

// Flushes what was written to file down to the device (fsync,
// FlushFileBuffers), so that it survives a power cut. False with *reason.
bool SyncFile(std::FILE* file, std::string* reason);

// Asks the system to start writing file's changed bytes from `from` on to
// the device now, without waiting (Linux: sync_file_range, asked on a
// thread of its own; elsewhere nothing): the flush at the end then finds
// most of them written.
void StartWriteBack(std::FILE* file, uint64_t from);

// Keeps the ownership of file (and file itself) once its stream is closed,
// until DropOwnership: a small token (a descriptor or handle), or
// kNoOwnership when the process has no descriptor to spare for it (then the
// closed file is not owned any more).
constexpr intptr_t kNoOwnership = -1;
intptr_t KeepOwnership(std::FILE* file);
void DropOwnership(intptr_t token);
// SyncFile for the file a token keeps.
bool SyncOwned(intptr_t token, std::string* reason);

// True when a new file may take the name path: nothing is there, or a file
// we may write, or a link (the link itself is replaced). False with *reason
// for a folder or a read-only file.
bool CanReplace(const std::string& path, std::string* reason);

// True when something (a file, a folder, a link) has the name path.
bool Exists(const std::string& path);

// Whether path still names the file open as descriptor fd (false when it
// names another file, or none: the file was renamed over or removed).
bool NamesOpenFile(const std::string& path, int fd);

// Moves from, owned through token (or kNoOwnership), over to, a name in the
// same folder, replacing whatever to names (a link is replaced, not
// followed); the file stays owned under its new name. Windows refuses to
// move over a name that another handle holds open for a moment: the move is
// tried again for about a second. False with *reason when it cannot.
bool MoveOwned(intptr_t token, const std::string& from, const std::string& to, std::string* reason);

// Flushes a folder's entries (a name just moved into it) to the device
// (POSIX: fsync of the folder; Windows: nothing, the move is written through
// by MoveOwned). folder as FolderOf gives it ("" for the current one).
// A file system that cannot flush folders is no failure. False with *reason.
bool SyncFolder(const std::string& folder, std::string* reason);

// Removes every regular file of folder whose name `candidate` accepts and
// that no process owns; links, folders and owned files stay. Returns how many
// went.
size_t RemoveUnownedFiles(const std::string& folder, const std::function<bool(const std::string& name)>& candidate);

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

// path's last component in folder (a separator put between them if needed).
std::string PathInFolder(const std::string& folder, const std::string& path);

// True when folder is an existing folder that new files may be made in;
// false with *reason (the system's words, or "not a folder") otherwise.
bool WritableFolder(const std::string& folder, std::string* reason);

// This process's number, as the system shows it.
uint32_t ProcessId();

}  // namespace filesys
