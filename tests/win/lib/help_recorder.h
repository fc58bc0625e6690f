// Records which help file the program opens: .htm files are registered to
// open with the test program itself, which writes the name it got.
//
//   int main(int argc, char** argv) {
//     if (RecordHelpOpened(argc, argv)) return 0;  // started as the .htm handler
//     RegisterHelpRecorder();
//     ...press Help...  WaitForHelpOpened() == expected path
//     UnregisterHelpRecorder();
#pragma once
#include <string>

#include "tests/win/lib/app.h"
#include "tests/win/lib/files.h"

namespace wt {

constexpr const char* kHtmlClass = "TavrinTestHtml";

inline std::string HelpLog() { return MakeDir("help") + "\\opened.txt"; }

// True when this run is the recorder's: the name is written, nothing else is to run.
inline bool RecordHelpOpened(int argc, char** argv) {
  if (argc != 3 || std::string(argv[1]) != "--record") return false;
  WriteBytes(HelpLog(), argv[2]);
  return true;
}

inline void RegisterHelpRecorder() {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string command = std::string("\"") + self + "\" --record \"%1\"";
  RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, kHtmlClass, 0);
  RegSetValueA(HKEY_CLASSES_ROOT, (std::string(kHtmlClass) + "\\shell\\open\\command").c_str(), REG_SZ, command.c_str(),
               0);
}

inline void UnregisterHelpRecorder() {
  RegDeleteTreeA(HKEY_CLASSES_ROOT, kHtmlClass);
  RegDeleteTreeA(HKEY_CLASSES_ROOT, ".htm");
}

inline std::string WaitForHelpOpened() {
  std::string opened;
  // The recorder creates the file before it writes the name: wait for the name.
  WaitUntil([&] { return (opened = ReadBytes(HelpLog())) != "<missing>" && !opened.empty(); }, 10000);
  DeleteFileA(HelpLog().c_str());
  return opened;
}

}  // namespace wt
