// Where the program keeps its settings file and finds its own files: beside
// itself (the folder of its .exe), never in the current directory, which is
// the video's folder under "Open with", Send To or a drop on the icon.
//
// The settings file, Tavrin.ini, is taken from the first of these:
//   1. Tavrin.ini beside the program, when it is there;
//   2. %APPDATA%\Tavrin\Tavrin.ini, when it is there;
//   3. a new Tavrin.ini beside the program, when that folder can be written;
//   4. a new %APPDATA%\Tavrin\Tavrin.ini (the folder made as needed).
// The file found or made is read at start and rewritten at close. When none
// can be made, or the one found cannot be written, the program runs all the
// same (its defaults, or the values read) and says once that it cannot save.
#pragma once
#include <string>

#include "app/settings.h"

struct SettingsPlace {
  std::string path;       // UTF-8; empty when no file could be found or made
  bool writable = false;  // false: the close saves nothing
};

// The program's own folder in UTF-8, without a trailing backslash (a drive
// root is "C:"), from the path of its .exe.
std::string ProgramFolder();

// %APPDATA%\Tavrin (the environment's APPDATA, else the shell's roaming
// application data folder) in UTF-8; empty when neither is known.
std::string UserSettingsFolder();

// Finds or makes the settings file by the rule above, below programFolder
// and userFolder (either may be empty: that place is skipped), and reads it
// into settings. currentDirectory (system code page) is OrgFolder's default.
SettingsPlace LoadSettingsPlace(const std::string& programFolder, const std::string& userFolder,
                                Settings& settings, const char* currentDirectory);
