// Runs the program's own main dialog inside the test program, on a thread of
// its own, for what another process cannot see: the menus, the tab texts,
// the dialog procedure's return values, and dropped files.
#pragma once
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/win/lib/app.h"
#include "ui/main_window.h"

namespace wt {

inline DWORD WINAPI MainDialogThread(void*) {
  RunMainDialog();
  return 0;
}

struct InProcess {
  HANDLE thread = nullptr;
  HWND main = nullptr;

  // Opens the main dialog as start-up would, in the run's language, on a page.
  bool Start(int tab, const std::string& folder, int splitThenMerge = 1, float overlapSeconds = 0.0f) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    ShellState& shell = AppShell();
    shell.instance = GetModuleHandleA(nullptr);
    shell.plugin = nullptr;
    shell.englishUi = Japanese() ? 0 : 1;
    shell.programFolder = folder;
    shell.settingsPath.clear();     // nothing saved at the end (Stop)
    shell.settingsWritable = true;  // and nothing to warn of
    InitSettings(shell.settings);
    shell.orgFolder.clear();
    shell.settings.currentTab = tab;
    shell.settings.splitThenMerge = splitThenMerge;
    shell.settings.overlapSeconds = overlapSeconds;
    shell.mainWindow = nullptr;
    thread = CreateThread(nullptr, 0, MainDialogThread, nullptr, 0, nullptr);
    WaitUntil([&] { return AppShell().mainWindow != nullptr && IsWindowVisible(AppShell().mainWindow); }, 10000);
    main = AppShell().mainWindow;
    return Check(main != nullptr, "the in-process main window opens", __FILE__, __LINE__);
  }

  // Ends the dialog as Esc does (no settings file: nothing written) and waits for its thread.
  void Stop() {
    if (main) PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
    if (thread) {
      Check(WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0, "the main dialog ends", __FILE__, __LINE__);
      CloseHandle(thread);
    }
    thread = nullptr;
    main = nullptr;
  }

  void Command(int id) const { SendMessageA(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
  HWND Item(int id) const { return GetDlgItem(main, id); }
  std::wstring ItemText(int id) const { return TextW(Item(id)); }
  // The window seen through the helpers for another process's windows.
  App AsApp() const {
    App app;
    app.process.dwProcessId = GetCurrentProcessId();
    app.main = main;
    return app;
  }
};

// One menu item: command id (0 for a separator) and its text.
using MenuItems = std::vector<std::pair<int, std::wstring>>;

inline MenuItems ItemsOf(HMENU popup) {
  MenuItems items;
  const int count = GetMenuItemCount(popup);
  for (int i = 0; i < count; ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(popup, i, text, 128, MF_BYPOSITION);
    const UINT id = GetMenuItemID(popup, i);
    items.emplace_back(id == UINT(-1) ? -1 : int(id), text);
  }
  return items;
}

inline std::string Show(const MenuItems& items) {
  std::string out = "[";
  for (const auto& item : items) out += " " + std::to_string(item.first) + ":" + Show(item.second);
  return out + " ]";
}

inline MenuItems Popup(HWND window, int position) { return ItemsOf(GetSubMenu(GetMenu(window), position)); }

}  // namespace wt
