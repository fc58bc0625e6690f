// Driving the real Tavrin.exe from the test program: starting it in a
// folder, finding its windows, reading and setting control texts, pressing
// buttons, answering its message boxes, running a job from the main window.
#pragma once
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "tests/win/lib/check.h"
#include "tests/win/lib/files.h"
#include "tests/win/lib/ids.h"
#include "tests/win/lib/ui.h"
#include "ui/progress_dialog.h"

namespace wt {

inline bool IsMainWindow(HWND window) {
  return ClassOf(window) == "#32770" && ClassOf(GetDlgItem(window, IDC_TABS)) == "SysTabControl32";
}

enum class Kind { MainWindow, MessageBox, OtherDialog };

struct WindowSearch {
  DWORD process;
  Kind kind;
  HWND owner;
  HWND found;
};

inline BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
  auto* s = reinterpret_cast<WindowSearch*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != s->process || !IsWindowVisible(window) || ClassOf(window) != "#32770") return TRUE;
  if (s->owner && GetWindow(window, GW_OWNER) != s->owner) return TRUE;
  const bool match = s->kind == Kind::MainWindow   ? IsMainWindow(window)
                     : s->kind == Kind::MessageBox ? IsMessageBox(window)
                                                   : (!IsMainWindow(window) && !IsMessageBox(window));
  if (match) {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}

// A visible dialog of the process of that kind (and owner, if given).
inline HWND FindOf(DWORD process, Kind kind, HWND owner = nullptr) {
  WindowSearch search = {process, kind, owner, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A running Tavrin.exe (or this process's own main dialog) and its main window.
struct App {
  PROCESS_INFORMATION process = {};
  HWND main = nullptr;
  DWORD pid() const { return process.dwProcessId; }
  HWND Item(int id) const { return GetDlgItem(main, id); }
  RECT WindowRect() const {
    RECT r = {};
    GetWindowRect(main, &r);
    return r;
  }
  std::wstring ItemText(int id) const { return TextW(Item(id)); }
  void SetItemText(int id, const std::string& text) const {
    SendMessageA(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  bool Checked(int id) const { return SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  bool Visible(int id) const { return IsWindowVisible(Item(id)) != 0; }
  bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != 0; }
  // A menu command or a button's click as the window receives it; returns
  // once the window has handled it.
  void Command(int id) const {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0, SMTO_NORMAL, 15000, &result);
  }
  // The same, posted: for commands that open a modal box, which would block a sent one.
  void PostCommand(int id) const { PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
  // A click on a button as the mouse gives it (radio buttons and check boxes
  // change state, then notify the window); returns once handled.
  void Click(int id) const {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(Item(id), BM_CLICK, 0, 0, SMTO_NORMAL, 15000, &result);
  }
  // Waits until the window has handled everything posted before.
  void Sync() const {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
  }
  bool Running() const { return WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT; }
  // Exit code once the program ended within milliseconds; -1 if still running.
  long WaitExit(DWORD milliseconds = 10000) const {
    if (WaitForSingleObject(process.hProcess, milliseconds) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return long(code);
  }
  void Kill() {
    if (process.hProcess && Running()) {
      TerminateProcess(process.hProcess, 99);
      WaitForSingleObject(process.hProcess, 5000);
    }
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
    process = {};
    main = nullptr;
  }
};

inline std::string TavrinExe() {
  std::string exe = Env("TAVRIN_EXE");
  if (exe.empty()) exe = Env("TAVRIN_WIN_BUILD_DIR") + "\\Tavrin.exe";
  return exe;
}

// The file from, put into folder as name: a hard link, else a copy (once).
inline void LinkInto(const std::string& from, const std::string& folder, const std::string& name) {
  const std::string to = folder + (folder.empty() || folder.back() != '\\' ? "\\" : "") + name;
  if (GetFileAttributesA(to.c_str()) == INVALID_FILE_ATTRIBUTES && !CreateHardLinkA(to.c_str(), from.c_str(), nullptr))
    CopyFileA(from.c_str(), to.c_str(), TRUE);
}

// Tavrin.exe inside folder (a hard link to the built one, else a copy), made
// once, with FFmpeg's DLLs beside it as in the build folder: the program
// keeps its settings and finds its plug-in in its own folder, so a test that
// puts them in folder starts it from there.
inline std::string ProgramIn(const std::string& folder) {
  LinkInto(TavrinExe(), folder, "Tavrin.exe");
  const std::string exe = TavrinExe();
  const std::string built = exe.substr(0, exe.find_last_of('\\') + 1);
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((built + "*.dll").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (IsFfmpegDll(entry.cFileName)) LinkInto(built + entry.cFileName, folder, entry.cFileName);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  return folder + (folder.empty() || folder.back() != '\\' ? "\\" : "") + "Tavrin.exe";
}

// Starts the program at path with arguments, folder its current directory;
// waits for its main window unless expectWindow is false (a start that
// should end at once).
inline App LaunchProgram(const std::string& program, const std::string& arguments, const std::string& folder,
                         bool expectWindow = true) {
  App app;
  std::string commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back(0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (!Check(CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                            &startup, &app.process) != 0,
             "Tavrin.exe starts: " + commandLine, __FILE__, __LINE__))
    return app;
  if (!expectWindow) return app;
  WaitUntil([&] { return (app.main = FindOf(app.pid(), Kind::MainWindow)) != nullptr || !app.Running(); }, 20000);
  Check(app.main != nullptr, "the main window appears", __FILE__, __LINE__);
  if (app.main) app.Sync();
  return app;
}

// Starts Tavrin.exe from folder as its own folder (ProgramIn), folder also
// the current directory.
inline App Launch(const std::string& arguments, const std::string& folder, bool expectWindow = true) {
  return LaunchProgram(ProgramIn(folder), arguments, folder, expectWindow);
}

// True when no message box or other dialog of the program shows up within milliseconds.
inline bool StaysQuiet(const App& app, DWORD milliseconds = 1500) {
  return !WaitUntil(
      [&] { return FindOf(app.pid(), Kind::MessageBox) != nullptr || FindOf(app.pid(), Kind::OtherDialog) != nullptr; },
      milliseconds);
}

// Closes the main window as its Exit button does and waits for the end.
inline long CloseApp(App& app) {
  app.Command(IDC_EXIT);
  const long code = app.WaitExit(10000);
  Check(code == 0, "Tavrin.exe ends with exit code 0 after Exit, got " + std::to_string(code), __FILE__, __LINE__);
  app.Kill();
  return code;
}

// ---- jobs from the main window ----------------------------------------------

inline void FillSplitPage(const App& app, const std::string& input, const char* hours, const char* minutes,
                          const char* seconds, const char* overlap, int createRadio) {
  app.SetItemText(IDC_SRC_FILE, input);
  app.SetItemText(IDC_HOURS, hours);
  app.SetItemText(IDC_MINUTES, minutes);
  app.SetItemText(IDC_SECONDS, seconds);
  app.SetItemText(IDC_OVERLAP, overlap);
  app.Click(createRadio);
}

// The progress dialogs' titles in this run's language.
inline std::wstring SplitTitle() { return Lang(L"Tavrin - Split", L"Tavrin - \u5206\u89E3"); }  // 分解
inline std::wstring MergeTitle() { return Lang(L"Tavrin - Merge", L"Tavrin - \u7D50\u5408"); }  // 結合

// The progress dialog of the running job with that title.
inline HWND WaitForProgress(const App& app, const std::wstring& title, DWORD milliseconds = 15000) {
  HWND dialog = nullptr;
  WaitUntil(
      [&] {
        dialog = FindOf(app.pid(), Kind::OtherDialog, app.main);
        return dialog != nullptr && TextW(dialog) == title;
      },
      milliseconds);
  return dialog;
}

// Waits until the job's dialog has gone and the main window has finished
// with the job's result (Break, deletions, a chained merge started). No
// input reaches the program meanwhile: the dialog must end by itself.
inline bool JobEnded(const App& app, HWND progress, DWORD milliseconds = 10000) {
  const bool gone = WaitUntil([&] { return !IsWindow(progress); }, milliseconds);
  app.Sync();
  return gone;
}

inline std::string StatusOf(HWND progress) { return TextA(GetDlgItem(progress, IDC_STATUS)); }

}  // namespace wt
