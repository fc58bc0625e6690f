// Program entry: plug-in, interface language, common controls, start
// directory and settings file, then the main dialog as the program's main loop.
#include <windows.h>

#include <commctrl.h>

#include <cstring>

#include "app/plugin_win32.h"
#include "app/settings.h"
#include "app/startup.h"
#include "ui/main_window.h"
#include "ui/tool_ui.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_TAB_CLASSES;

  ShellState& shell = AppShell();
  shell.plugin = LoadSizeSplitPlugin();

  char switchText[kPathBytes];
  std::strncpy(switchText, commandLine ? commandLine : "", sizeof switchText - 1);
  switchText[sizeof switchText - 1] = 0;
  shell.englishUi = ChooseEnglishUi(switchText, GetUserDefaultLangID());

  InitCommonControlsEx(&controls);
  shell.instance = instance;

  char currentDirectory[kPathBytes] = "";
  GetCurrentDirectoryA(kPathBytes, currentDirectory);
  std::memcpy(shell.startDirectory, currentDirectory, kPathBytes);
  TrimStartDirectory(shell.startDirectory);

  char settingsPath[kPathBytes];
  if (!JoinStartPath(shell.startDirectory, kSettingsFileName, settingsPath, sizeof settingsPath)) return 1;
  InitSettings(shell.settings);
  if (!LoadOrCreateSettings(settingsPath, shell.settings, currentDirectory)) return 1;
  LoadToolSettings(settingsPath, AppToolSettings());

  RunMainDialog();
  return 0;
}
