// Program entry: plug-in, interface language, common controls, the
// program's folder and settings file, then the main dialog as the program's
// main loop.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/plugin_win32.h"
#include "app/settings.h"
#include "app/settings_place.h"
#include "app/startup.h"
#include "io/wide_path.h"
#include "ui/main_window.h"
#include "ui/tool_ui.h"

namespace {

// The current directory in UTF-8, whatever its length.
std::string CurrentDirectory() {
  const DWORD n = GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return std::string();
  std::wstring folder(n, L'\0');
  const DWORD got = GetCurrentDirectoryW(n, &folder[0]);
  folder.resize(got < n ? got : 0);
  return Utf8FromWide(folder);
}

// The files the command line names after the program and an optional
// language switch, as full paths. Arguments that start with '/' are
// switches, not files (the language switch, and /batch: *batch set).
std::vector<std::string> StartFiles(bool* batch) {
  std::vector<std::string> files;
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!arguments) return files;
  for (int i = 1; i < count; ++i) {
    if (lstrcmpiW(arguments[i], L"/batch") == 0) *batch = true;
    if (arguments[i][0] == L'/' || arguments[i][0] == 0) continue;
    const DWORD n = GetFullPathNameW(arguments[i], 0, nullptr, nullptr);
    std::wstring full(n ? n : 1, L'\0');
    const DWORD got = n ? GetFullPathNameW(arguments[i], n, &full[0], nullptr) : 0;
    full.resize(got && got < n ? got : 0);
    files.push_back(Utf8FromWide(full.empty() ? std::wstring(arguments[i]) : full));
  }
  LocalFree(arguments);
  return files;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof controls;
  // Common Controls 6 (resources/tavrin.manifest): themed controls.
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES;

  ShellState& shell = AppShell();
  // The program's own files sit beside it, whatever the current directory
  // (the video's folder under "Open with", Send To or a drop on the icon).
  shell.programFolder = ProgramFolder();
  shell.plugin = LoadSizeSplitPlugin(shell.programFolder);

  char switchText[kPathBytes];
  std::strncpy(switchText, commandLine ? commandLine : "", sizeof switchText - 1);
  switchText[sizeof switchText - 1] = 0;
  shell.englishUi = ChooseEnglishUi(switchText, GetUserDefaultLangID());
  shell.startFiles = StartFiles(&shell.startBatch);

  InitCommonControlsEx(&controls);
  shell.instance = instance;

  const std::string currentDirectory = CurrentDirectory();

  // The file keeps OrgFolder in the system code page, as it always has; a
  // folder it cannot hold comes back from its UTF-8 line (app/settings.h).
  std::string currentInCodePage;
  CodePageFromUtf8(currentDirectory, &currentInCodePage);
  InitSettings(shell.settings);
  const SettingsPlace place =
      LoadSettingsPlace(shell.programFolder, UserSettingsFolder(), shell.settings, currentInCodePage.c_str());
  shell.settingsPath = place.path;
  shell.settingsWritable = place.writable;
  const Settings& s = shell.settings;
  shell.orgFolder = !s.orgFolderUtf8.empty() ? s.orgFolderUtf8
                    : s.orgFolderStored      ? Utf8FromCodePage(s.orgFolder, CP_ACP)
                                             : currentDirectory;
  if (!shell.settingsPath.empty()) LoadToolSettings(shell.settingsPath.c_str(), AppToolSettings());

  RunMainDialog();
  return 0;
}
