// Shared by the tests that drive the real Tavrin.exe from another program:
// checks, starting the program in a folder, finding its windows, reading and
// setting control texts, pressing buttons, answering message boxes, files.
#pragma once
#include <windows.h>

#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>
#include <vector>

namespace shelltest {

inline std::atomic<int> failures{0};
inline const char* currentCase = "";

// Any integer, whatever its width (size_t is 32 bits on i686, 64 on x86-64).
template <class T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
std::string Show(T v) {
  return std::to_string(v);
}
inline std::string Show(bool v) { return v ? "true" : "false"; }
inline std::string Show(const std::string& v) { return "\"" + v + "\""; }
inline std::string Show(const char* v) { return Show(std::string(v ? v : "(null)")); }
inline std::string Show(const std::wstring& v) {
  std::string out = "L\"";
  for (wchar_t c : v) {
    if (c >= 0x20 && c < 0x7F) {
      out += char(c);
    } else {
      char hex[12];
      std::snprintf(hex, sizeof hex, "\\u%04X", unsigned(c));
      out += hex;
    }
  }
  return out + "\"";
}
inline std::string Show(const wchar_t* v) { return Show(std::wstring(v ? v : L"(null)")); }

inline bool Check(bool ok, const std::string& what, const char* file, int line) {
  if (!ok) {
    std::printf("FAIL [%s] %s:%d: %s\n", currentCase, file, line, what.c_str());
    std::fflush(stdout);
    failures++;
  }
  return ok;
}

#define ST_CHECK(cond) ::shelltest::Check((cond), #cond, __FILE__, __LINE__)
// Each side is evaluated once: some of them act (answer a box, read a log).
#define ST_CHECK_EQ(got, want)                                                                           \
  [&] {                                                                                                  \
    const auto& got_ = (got);                                                                            \
    const auto& want_ = (want);                                                                          \
    return ::shelltest::Check(got_ == want_,                                                             \
                              std::string(#got " == " #want ": got ") + ::shelltest::Show(got_) +        \
                                  ", want " + ::shelltest::Show(want_),                                  \
                              __FILE__, __LINE__);                                                       \
  }()

inline void Case(const char* name) {
  currentCase = name;
  std::printf("-- %s\n", name);
  std::fflush(stdout);
}

inline int Summary() {
  if (failures == 0) {
    std::printf("all checks passed\n");
    return 0;
  }
  std::printf("%d check(s) failed\n", failures.load());
  return 1;
}

inline DWORD WINAPI WatchdogThread(void* limit) {
  const DWORD milliseconds = DWORD(reinterpret_cast<uintptr_t>(limit));
  Sleep(milliseconds);
  std::printf("FAIL [%s] watchdog: still running after %lu ms\n", currentCase, milliseconds);
  std::fflush(stdout);
  ExitProcess(3);
}
// Ends the test program if a window never closes.
inline void StartWatchdog(DWORD milliseconds) {
  CreateThread(nullptr, 0, WatchdogThread, reinterpret_cast<void*>(uintptr_t(milliseconds)), 0, nullptr);
}

template <class Condition>
bool WaitUntil(Condition condition, DWORD milliseconds = 10000) {
  for (DWORD waited = 0;; waited += 20) {
    if (condition()) return true;
    if (waited >= milliseconds) return false;
    Sleep(20);
  }
}

// ---- files --------------------------------------------------------------

inline std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// A fresh folder under the test's scratch folder.
inline std::string MakeDir(const std::string& name) {
  std::string base = Env("TAVRIN_WORK_DIR");
  if (base.empty()) {
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    base = current;
  }
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

inline bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

inline bool CopyTo(const std::string& from, const std::string& to) { return CopyFileA(from.c_str(), to.c_str(), FALSE); }

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

// Maps a drive letter ("D:") of the test prefix to a folder on drive Z:.
inline bool MapDrive(const std::string& drive, const std::string& folder) {
  const std::string link = Env("WINEPREFIX") + "/dosdevices/" + char(std::tolower(drive[0])) + ":";
  RunUnix("/bin/ln", "-sfn \"" + UnixPath(folder) + "\" \"" + link + "\"");
  return WaitUntil([&] { return GetFileAttributesA((drive + "\\").c_str()) != INVALID_FILE_ATTRIBUTES; }, 5000);
}

inline void UnmapDrive(const std::string& drive) {
  RunUnix("/bin/rm", "-f \"" + Env("WINEPREFIX") + "/dosdevices/" + char(std::tolower(drive[0])) + ":\"");
  WaitUntil([&] { return GetFileAttributesA((drive + "\\").c_str()) == INVALID_FILE_ATTRIBUTES; }, 5000);
}

// ---- windows ----------------------------------------------------------------

inline std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

inline std::wstring TextW(HWND window) {
  wchar_t buffer[1024] = {};
  if (window) SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

inline std::string TextA(HWND window) {
  char buffer[1024] = {};
  if (window) SendMessageA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

struct WindowSearch {
  DWORD process;
  int kind;  // 0 main window, 1 message box, 2 any other dialog
  HWND owner;
  HWND found;
};

inline bool IsMessageBox(HWND window) { return GetDlgItem(window, 0xFFFF) != nullptr && ClassOf(window) == "#32770"; }
inline bool IsMainWindow(HWND window) {
  return ClassOf(window) == "#32770" && ClassOf(GetDlgItem(window, 131)) == "SysTabControl32";
}

inline BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
  auto* s = reinterpret_cast<WindowSearch*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != s->process || !IsWindowVisible(window) || ClassOf(window) != "#32770") return TRUE;
  if (s->owner && GetWindow(window, GW_OWNER) != s->owner) return TRUE;
  const bool match = s->kind == 0 ? IsMainWindow(window)
                     : s->kind == 1 ? IsMessageBox(window)
                                    : (!IsMainWindow(window) && !IsMessageBox(window));
  if (match) {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}

inline HWND FindOf(DWORD process, int kind, HWND owner = nullptr) {
  WindowSearch search = {process, kind, owner, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A running Tavrin.exe and its main window.
struct App {
  PROCESS_INFORMATION process = {};
  HWND main = nullptr;
  DWORD pid() const { return process.dwProcessId; }
  HWND Item(int id) const { return GetDlgItem(main, id); }
  std::wstring ItemText(int id) const { return TextW(Item(id)); }
  void SetItemText(int id, const std::string& text) const {
    SendMessageA(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  void SetItemTextW(int id, const std::wstring& text) const {
    SendMessageW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
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

// Starts Tavrin.exe with arguments in folder; waits for its main window unless
// expectWindow is false (a start that should end at once).
inline App Launch(const std::string& arguments, const std::string& folder, bool expectWindow = true) {
  App app;
  std::string commandLine = "\"" + TavrinExe() + "\"" + (arguments.empty() ? "" : " " + arguments);
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back(0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (!Check(CreateProcessA(TavrinExe().c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                            &startup, &app.process) != 0,
             "Tavrin.exe starts: " + commandLine, __FILE__, __LINE__))
    return app;
  if (!expectWindow) return app;
  WaitUntil([&] { return (app.main = FindOf(app.pid(), 0)) != nullptr || !app.Running(); }, 20000);
  Check(app.main != nullptr, "the main window appears", __FILE__, __LINE__);
  if (app.main) app.Sync();
  return app;
}

// Waits for a message box of the program.
inline HWND WaitForMessageBox(const App& app, DWORD milliseconds = 10000) {
  HWND box = nullptr;
  WaitUntil([&] { return (box = FindOf(app.pid(), 1)) != nullptr; }, milliseconds);
  return box;
}

inline void PressOk(HWND box) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

// Waits for the program's next message box, checks its caption and owner,
// presses OK and returns its text ("<no box>" when none came).
inline std::wstring AnswerBox(const App& app, HWND expectedOwner, DWORD milliseconds = 15000) {
  HWND box = WaitForMessageBox(app, milliseconds);
  if (!Check(box != nullptr, "a message box appears", __FILE__, __LINE__)) return L"<no box>";
  ST_CHECK_EQ(TextW(box), std::wstring(L"Tavrin"));
  if (expectedOwner) ST_CHECK(GetWindow(box, GW_OWNER) == expectedOwner);
  const std::wstring text = TextW(GetDlgItem(box, 0xFFFF));
  PressOk(box);
  WaitUntil([&] { return !IsWindow(box); }, 5000);
  return text;
}

// True when no message box or other dialog of the program shows up within milliseconds.
inline bool StaysQuiet(const App& app, DWORD milliseconds = 1500) {
  return !WaitUntil([&] { return FindOf(app.pid(), 1) != nullptr || FindOf(app.pid(), 2) != nullptr; },
                    milliseconds);
}

// Closes the main window as its Exit button does and waits for the end.
inline long CloseApp(App& app) {
  app.Command(123);
  const long code = app.WaitExit(10000);
  Check(code == 0, "Tavrin.exe ends with exit code 0 after Exit, got " + std::to_string(code), __FILE__, __LINE__);
  app.Kill();
  return code;
}

}  // namespace shelltest
