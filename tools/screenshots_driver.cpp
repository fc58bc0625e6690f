// Sets up the real Tavrin.exe for scripts/screenshots.sh: fills its fields,
// switches pages, holds a split's worker with the bar half full, opens the
// About box, the Operate menu's Join and pieces dialogs and the preview at a
// split's cut, and writes the rectangle to capture into a file.
// Build (i686 or x86_64, as the Tavrin.exe it drives):
//   i686-w64-mingw32-g++ -static -O1 -I. tools/screenshots_driver.cpp -o driver.exe -lgdi32
// Usage: driver.exe COMMAND [ARGS]   (see main)
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/native/avi_builder.h"

namespace {

template <class Condition>
bool WaitUntil(Condition condition, DWORD milliseconds = 20000) {
  for (DWORD waited = 0; waited < milliseconds; waited += 20) {
    if (condition()) return true;
    Sleep(20);
  }
  return condition();
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

struct Search {
  bool wantMain;
  HWND owner;
  HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM data) {
  auto* s = reinterpret_cast<Search*>(data);
  if (!IsWindowVisible(window) || ClassOf(window) != "#32770") return TRUE;
  const bool isMain = ClassOf(GetDlgItem(window, 131)) == "SysTabControl32";
  if (s->wantMain ? isMain : (!isMain && GetWindow(window, GW_OWNER) == s->owner && !GetDlgItem(window, 0xFFFF))) {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindMain() {
  Search s = {true, nullptr, nullptr};
  EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND FindDialogOwnedBy(HWND owner) {
  Search s = {false, owner, nullptr};
  EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND FindPreview() {
  HWND found = nullptr;
  struct Preview {
    static BOOL CALLBACK Match(HWND window, LPARAM data) {
      if (IsWindowVisible(window) && ClassOf(window) == "TavrinPreview") {
        *reinterpret_cast<HWND*>(data) = window;
        return FALSE;
      }
      return TRUE;
    }
  };
  EnumWindows(Preview::Match, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND FindMessageBox() {
  struct Box {
    static BOOL CALLBACK Match(HWND window, LPARAM data) {
      if (IsWindowVisible(window) && ClassOf(window) == "#32770" && GetDlgItem(window, 0xFFFF)) {
        *reinterpret_cast<HWND*>(data) = window;
        return FALSE;
      }
      return TRUE;
    }
  };
  HWND found = nullptr;
  EnumWindows(Box::Match, reinterpret_cast<LPARAM>(&found));
  return found;
}

bool WriteRect(HWND window, const char* path) {
  RECT r;
  if (!window || !GetWindowRect(window, &r)) return false;
  std::FILE* f = std::fopen(path, "w");
  if (!f) return false;
  std::fprintf(f, "%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
  std::fclose(f);
  return true;
}

void SetText(HWND main, int id, const char* text) {
  SendMessageA(GetDlgItem(main, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void Command(HWND main, int id) { SendMessageA(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

// Every thread of the program but its window thread: the job's worker.
std::vector<DWORD> WorkerThreads(HWND main) {
  DWORD process = 0;
  const DWORD uiThread = GetWindowThreadProcessId(main, &process);
  std::vector<DWORD> threads;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL ok = Thread32First(snapshot, &entry); ok; ok = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == process && entry.th32ThreadID != uiThread) threads.push_back(entry.th32ThreadID);
  CloseHandle(snapshot);
  return threads;
}

void SuspendWorkers(HWND main, bool suspend) {
  for (DWORD id : WorkerThreads(main)) {
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, id);
    if (!thread) continue;
    if (suspend)
      SuspendThread(thread);
    else
      ResumeThread(thread);
    CloseHandle(thread);
  }
}

COLORREF ScreenPixel(HWND window, int x, int y) {
  POINT p = {x, y};
  ClientToScreen(window, &p);
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, p.x, p.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

int Fail(const char* what) {
  std::fprintf(stderr, "screenshots_driver: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Fail("usage: driver.exe wait-main OUT | fill-split FILE | fill-merge FILE1 FILE2 | tab |"
                            " make-large FILE | progress-hold FILE OUT | progress-release | about OUT |"
                            " about-close | join OUT NAME... | pieces OUT | tool-close | preview FILE SECONDS OVERLAP OUT |"
                            " preview-close | close");
  const std::string command = argv[1];
  // Tavrin.exe is per-monitor DPI aware: at more than 96 DPI a driver that is
  // not would be given scaled-down rectangles by Wine, cutting the picture short.
  SetProcessDPIAware();
  if (command == "make-large") return argc > 2 && avitest::WriteAviFile(argv[2], avitest::LargeClip(3000, 120000)) ? 0 : Fail("cannot write");

  HWND main = nullptr;
  if (!WaitUntil([&] { return (main = FindMain()) != nullptr; })) return Fail("no Tavrin main window");

  if (command == "wait-main" && argc > 2) {
    Sleep(500);
    return WriteRect(main, argv[2]) ? 0 : Fail("cannot write the rectangle");
  }
  if (command == "fill-split" && argc > 2) {
    SetText(main, 101, argv[2]);
    SetText(main, 104, "0");
    SetText(main, 106, "1");
    SetText(main, 108, "30");
    SetText(main, 118, "5");
    SendMessageA(GetDlgItem(main, 114), BM_CLICK, 0, 0);
    SendMessageA(main, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(main, 101)), TRUE);
    SendMessageA(GetDlgItem(main, 101), EM_SETSEL, 0, 0);
    return 0;
  }
  if (command == "fill-merge" && argc > 3) {
    SetText(main, 151, argv[2]);
    SetText(main, 154, argv[3]);
    return 0;
  }
  if (command == "tab") {
    Command(main, 230);
    return 0;
  }
  if (command == "progress-hold" && argc > 3) {
    SetText(main, 101, argv[2]);
    SetText(main, 104, "0");
    SetText(main, 106, "1");
    SetText(main, 108, "0");
    SetText(main, 118, "0");
    if (SendMessageA(GetDlgItem(main, 120), BM_GETCHECK, 0, 0) == BST_CHECKED)
      SendMessageA(GetDlgItem(main, 120), BM_CLICK, 0, 0);
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(122, BN_CLICKED), 0);
    HWND progress = nullptr;
    if (!WaitUntil([&] { return (progress = FindDialogOwnedBy(main)) != nullptr; })) return Fail("no progress dialog");
    // Hold the worker once the painted bar has passed cell 45 (split colour 200, 170, 130).
    const int x = 21 + 3 * 45;
    if (!WaitUntil([&] { return ScreenPixel(progress, x, 60) == RGB(200, 170, 130); }, 60000))
      return Fail("the bar did not reach half way");
    SuspendWorkers(main, true);
    Sleep(300);
    return WriteRect(progress, argv[3]) ? 0 : Fail("cannot write the rectangle");
  }
  if (command == "progress-release") {
    SuspendWorkers(main, false);
    HWND box = nullptr;
    if (!WaitUntil([&] { return (box = FindMessageBox()) != nullptr; }, 60000)) return Fail("no completion message");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    WaitUntil([&] { return !IsWindow(box); });
    PostMessageA(main, WM_NULL, 0, 0);
    return 0;
  }
  if (command == "about" && argc > 2) {
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(250, BN_CLICKED), 0);
    HWND box = nullptr;
    if (!WaitUntil([&] { return (box = FindDialogOwnedBy(main)) != nullptr; })) return Fail("no About box");
    Sleep(500);
    return WriteRect(box, argv[2]) ? 0 : Fail("cannot write the rectangle");
  }
  if (command == "about-close") {
    HWND box = FindDialogOwnedBy(main);
    if (box) PostMessageA(box, WM_COMMAND, IDOK, 0);
    return 0;
  }
  if (command == "join" && argc > 3) {
    // Operate > Join Files, then Add with the names typed into the open
    // dialog as a multiple choice (the dialog starts in the settings' JoinFolder).
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(260, BN_CLICKED), 0);
    HWND join = nullptr;
    if (!WaitUntil([&] { return (join = FindDialogOwnedBy(main)) != nullptr; })) return Fail("no Join dialog");
    std::string names;
    for (int i = 3; i < argc; ++i) names += std::string("\"") + argv[i] + "\" ";
    PostMessageA(join, WM_COMMAND, MAKEWPARAM(402, BN_CLICKED), 0);
    HWND browse = nullptr;
    if (!WaitUntil([&] { return (browse = FindDialogOwnedBy(join)) != nullptr; })) return Fail("no open dialog");
    HWND nameBox = GetDlgItem(browse, 0x47C) ? GetDlgItem(browse, 0x47C) : GetDlgItem(browse, 0x480);
    SendMessageA(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(names.c_str()));
    PostMessageA(browse, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(browse, IDOK)));
    if (!WaitUntil([&] { return !IsWindow(browse); })) return Fail("the open dialog stays");
    // The second entry selected, so that Up and Down show enabled.
    HWND list = GetDlgItem(join, 401);
    SendMessageA(list, LB_SETCURSEL, 1, 0);
    SendMessageA(join, WM_COMMAND, MAKEWPARAM(401, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    Sleep(500);
    return WriteRect(join, argv[2]) ? 0 : Fail("cannot write the rectangle");
  }
  if (command == "pieces" && argc > 2) {
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(262, BN_CLICKED), 0);
    HWND pieces = nullptr;
    if (!WaitUntil([&] { return (pieces = FindDialogOwnedBy(main)) != nullptr; })) return Fail("no pieces dialog");
    Sleep(500);
    return WriteRect(pieces, argv[2]) ? 0 : Fail("cannot write the rectangle");
  }
  if (command == "preview" && argc > 5) {
    // The Split tab's file, time and overlap, then Operate > Preview...: it
    // shows the key frame of the cut, the cut and the second start marked.
    SetText(main, 101, argv[2]);
    SetText(main, 104, "0");
    SetText(main, 106, "0");
    SetText(main, 108, argv[3]);
    SetText(main, 118, argv[4]);
    SendMessageA(GetDlgItem(main, 114), BM_CLICK, 0, 0);
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(266, 0), 0);
    HWND preview = nullptr;
    if (!WaitUntil([&] { return (preview = FindPreview()) != nullptr; })) return Fail("no preview");
    Sleep(3000);  // the file read, the cut planned and decoded
    return WriteRect(preview, argv[5]) ? 0 : Fail("cannot write the rectangle");
  }
  if (command == "preview-close") {
    HWND preview = FindPreview();
    if (preview) PostMessageA(preview, WM_CLOSE, 0, 0);
    WaitUntil([&] { return !IsWindow(preview); });
    return 0;
  }
  if (command == "tool-close") {
    HWND dialog = FindDialogOwnedBy(main);
    if (dialog) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    WaitUntil([&] { return !IsWindow(dialog); });
    return 0;
  }
  if (command == "close") {
    // Esc: ends the window without rewriting the settings file.
    PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
    return 0;
  }
  return Fail("unknown command");
}
