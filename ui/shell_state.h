// The shell's program-wide state: filled by start-up, read by every dialog.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/paths.h"
#include "app/settings.h"

// Program-wide state of the shell, filled by start-up and kept for the run.
struct ShellState {
  HINSTANCE instance;
  HMODULE plugin;
  int englishUi;                   // 1 English, 0 Japanese; fixed at start
  std::string programFolder;   // UTF-8, the .exe's folder: the help files and the plug-in
  std::string settingsPath;    // UTF-8, the settings file (app/settings_place.h); empty: none kept
  bool settingsWritable;       // false: the close saves nothing (said once at start)
  Settings settings;
  std::string orgFolder;       // UTF-8: where the browse dialog starts (settings.orgFolder as stored)
  HWND mainWindow;
  HWND tabControl;
  // Files named on the command line (after the language switch), UTF-8 full
  // paths: one goes into the Split tab, several into the Join dialog.
  std::vector<std::string> startFiles;
  // "/batch" among them: the files go into the Batch dialog instead.
  bool startBatch = false;
};

ShellState& AppShell();
