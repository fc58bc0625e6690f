// Files for the Windows test programs: scratch folders, reading and writing
// bytes, the sample AVIs of real muxers (TAVRIN_SAMPLES), a check that a
// written AVI is whole, and drive letters mapped onto scratch folders.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/win/lib/check.h"

namespace wt {

inline std::string CurrentDirectory() {
  char path[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, path);
  return path;
}

// A folder under the test's scratch folder (TAVRIN_WORK_DIR, else the
// current directory).
inline std::string MakeDir(const std::string& name) {
  std::string base = Env("TAVRIN_WORK_DIR");
  if (base.empty()) base = CurrentDirectory();
  const std::string path = base + "\\" + name;
  CreateDirectoryA(path.c_str(), nullptr);
  return path;
}

inline void WriteBytes(const std::string& path, const std::string& content) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!Check(f != nullptr, "can write " + path, __FILE__, __LINE__)) return;
  std::fwrite(content.data(), 1, content.size(), f);
  std::fclose(f);
}

inline std::string ReadBytes(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return "<missing>";
  std::string content;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) content.append(buffer, n);
  std::fclose(f);
  return content;
}

// A fresh start folder holding a Tavrin.ini with content (none if null).
inline std::string FolderWith(const char* content) {
  static int count = 0;
  const std::string folder = MakeDir("s" + std::to_string(++count));
  if (content) WriteBytes(folder + "\\Tavrin.ini", content);
  return folder;
}

inline long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

inline bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// FFmpeg's DLLs the program loads from its own folder (avcodec-59.dll, ...).
inline bool IsFfmpegDll(const std::string& name) {
  for (const char* stem : {"avcodec-", "avutil-", "swscale-"})
    if (name.rfind(stem, 0) == 0 && name.size() > 4 && name.compare(name.size() - 4, 4, ".dll") == 0) return true;
  return false;
}

// Copies FFmpeg's DLLs from folder from to folder to: a copy of a program
// built on them (every program of the window's build) starts only with them
// beside it.
inline void CopyFfmpegDlls(const std::string& from, const std::string& to) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((from + "\\*.dll").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (IsFfmpegDll(entry.cFileName))
      CopyFileA((from + "\\" + entry.cFileName).c_str(), (to + "\\" + entry.cFileName).c_str(), FALSE);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

// The names of the files in folder, sorted, space-separated.
inline std::string FilesIn(const std::string& folder) {
  std::vector<std::string> found;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      // The program that a test started from the folder (app.h's ProgramIn) and
      // the DLLs it loads are no files of the test's.
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && std::string(entry.cFileName) != "Tavrin.exe" &&
          !IsFfmpegDll(entry.cFileName))
        found.push_back(entry.cFileName);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  std::sort(found.begin(), found.end());
  std::string names;
  for (const std::string& name : found) names += (names.empty() ? "" : " ") + name;
  return names;
}

// Copies a sample AVI of a real muxer into folder (default: the current
// directory, so that outputs land there); its full path, "" when missing.
// Starts the build's tavrin-cli.exe with args (already quoted) in folder
// ("": this one), its output and errors into log; false when it cannot.
inline bool StartCli(const std::string& args, const std::string& log, const std::string& folder,
                     PROCESS_INFORMATION* process) {
  const std::string exe = Env("TAVRIN_WIN_BUILD_DIR") + "\\tavrin-cli.exe";
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE output = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  std::string line = "\"" + exe + "\" " + args;
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back(0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = output;
  startup.hStdError = output;
  const bool started = CreateProcessA(exe.c_str(), buffer.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                      folder.empty() ? nullptr : folder.c_str(), &startup, process) != 0;
  if (!started) std::printf("   cannot start %s: error %lu\n", exe.c_str(), GetLastError());
  CloseHandle(output);
  return started;
}

inline std::string CopySample(const std::string& sample, const std::string& as, std::string folder = "") {
  if (folder.empty()) folder = CurrentDirectory();
  const std::string from = Env("TAVRIN_SAMPLES") + "\\" + sample;
  const std::string to = folder + "\\" + as;
  if (!Check(CopyFileA(from.c_str(), to.c_str(), FALSE) != 0, "sample " + from + " copied (TAVRIN_SAMPLES)", __FILE__,
             __LINE__))
    return "";
  return to;
}

// The first 12 bytes are "RIFF", the file's length - 8, "AVI ".
inline bool LooksLikeWholeAvi(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  unsigned char head[12] = {};
  const size_t got = std::fread(head, 1, 12, f);
  std::fclose(f);
  const unsigned riffSize = head[4] | (head[5] << 8) | (head[6] << 16) | (unsigned(head[7]) << 24);
  return got == 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "AVI ", 4) == 0 &&
         static_cast<long long>(riffSize) + 8 == FileSize(path);
}

// A 32-bit field of the main header avih (the file's first chunk in its
// hdrl list): field 4 is dwTotalFrames, 6 dwStreams. -1 when there is none.
inline long long AvihField(const std::string& path, int field) {
  const std::string bytes = ReadBytes(path);
  const size_t at = 32 + 4 * size_t(field);
  if (bytes.size() < at + 4 || bytes.compare(24, 4, "avih") != 0) return -1;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
  return (long long)(p[0] | p[1] << 8 | p[2] << 16 | (unsigned long long)p[3] << 24);
}

// ---- drives ---------------------------------------------------------------

// Runs a Unix program of the machine (Wine starts it natively) and gives it time to finish.
inline void RunUnix(const std::string& program, const std::string& arguments) {
  std::string line = program + " " + arguments;
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back(0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string windowsName = "Z:" + program;
  for (char& c : windowsName)
    if (c == '/') c = '\\';
  if (CreateProcessA(windowsName.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
}

// The Unix path of a path on drive Z: ("Z:\\srv\\v" -> "/srv/v").
inline std::string UnixPath(const std::string& windowsPath) {
  std::string path = windowsPath.substr(2);
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

// A path as the shell takes it in a command line: the Unix path in single quotes.
inline std::string ShellPath(const std::string& windowsPath) { return "'" + UnixPath(windowsPath) + "'"; }

// Runs the native command line (TAVRIN_CLI) with arguments (paths given
// with ShellPath) and returns its standard output, kept in outputFile once
// the run has ended ("" when it did not end in time).
inline std::string NativeTavrin(const std::string& arguments, const std::string& outputFile) {
  const std::string part = ShellPath(outputFile + ".part");
  RunUnix("/bin/sh", "-c \"'" + Env("TAVRIN_CLI") + "' " + arguments + " > " + part + "; mv " + part + " " +
                         ShellPath(outputFile) + "\"");
  return WaitUntil([&] { return FileExists(outputFile); }, 30000) ? ReadBytes(outputFile) : "";
}

// Frames ffprobe decodes in path's video ("" when it did not run).
inline std::string DecodedFrames(const std::string& path) {
  const std::string out = path + ".frames";
  const std::string part = ShellPath(out + ".part");
  DeleteFileA(out.c_str());  // an earlier count of a file of this name is no answer
  RunUnix("/bin/sh", "-c \"ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
                     "-of csv=p=0 " + ShellPath(path) + " > " + part + "; mv " + part + " " + ShellPath(out) + "\"");
  if (!WaitUntil([&] { return FileExists(out); }, 30000)) return "";
  std::string text = ReadBytes(out);
  text.erase(text.find_last_not_of("\r\n ") + 1);
  return text;
}

// Maps a drive letter ("D:") of the test prefix to a folder on drive Z:.
inline bool MapDrive(const std::string& drive, const std::string& folder) {
  const std::string link = Env("WINEPREFIX") + "/dosdevices/" + char(std::tolower(drive[0])) + ":";
  RunUnix("/bin/ln", "-sfn \"" + UnixPath(folder) + "\" \"" + link + "\"");
  return WaitUntil([&] { return FileExists(drive + "\\"); }, 5000);
}

inline void UnmapDrive(const std::string& drive) {
  RunUnix("/bin/rm", "-f \"" + Env("WINEPREFIX") + "/dosdevices/" + char(std::tolower(drive[0])) + ":\"");
  WaitUntil([&] { return !FileExists(drive + "\\"); }, 5000);
}

}  // namespace wt
