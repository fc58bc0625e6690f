// Shared by the Windows tests of the progress dialog and of the jobs it runs:
// checks, a driver thread that plays the user, message-box handling, and a
// pixel capture of the painted progress bar.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "ui/progress_dialog.h"
#include "ui/win32_host.h"

namespace wt {

inline std::atomic<int> failures{0};
inline const char* currentCase = "";

inline bool Check(bool ok, const std::string& what, const char* file, int line) {
  if (!ok) {
    std::printf("FAIL [%s] %s:%d: %s\n", currentCase, file, line, what.c_str());
    std::fflush(stdout);
    failures++;
  }
  return ok;
}

#define WT_CHECK(cond) ::wt::Check((cond), #cond, __FILE__, __LINE__)
#define WT_CHECK_EQ(got, want) ::wt::CheckEq((got), (want), #got " == " #want, __FILE__, __LINE__)

inline std::string Show(long long v) { return std::to_string(v); }
inline std::string Show(long v) { return std::to_string(v); }
inline std::string Show(int v) { return std::to_string(v); }
inline std::string Show(unsigned long long v) { return std::to_string(v); }
inline std::string Show(unsigned long v) { return std::to_string(v); }
inline std::string Show(unsigned v) { return std::to_string(v); }
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
inline std::string Show(const wchar_t* v) { return Show(std::wstring(v)); }

template <class Got, class Want>
bool CheckEq(const Got& got, const Want& want, const char* what, const char* file, int line) {
  return Check(got == want, std::string(what) + ": got " + Show(got) + ", want " + Show(want), file, line);
}

inline void BeginCase(const char* name) {
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

// Ends the process if the tests hang (a dialog that never closes, a lost box).
inline DWORD WINAPI Watchdog(void* limit) {
  DWORD milliseconds = DWORD(reinterpret_cast<uintptr_t>(limit));
  Sleep(milliseconds);
  std::printf("FAIL [%s] watchdog: still running after %lu ms\n", currentCase, milliseconds);
  std::fflush(stdout);
  ExitProcess(3);
}
inline void StartWatchdog(DWORD milliseconds) {
  CreateThread(nullptr, 0, Watchdog, reinterpret_cast<void*>(uintptr_t(milliseconds)), 0, nullptr);
}

template <class Condition>
bool WaitUntil(Condition condition, DWORD milliseconds = 10000) {
  for (DWORD waited = 0;; waited += 10) {
    if (condition()) return true;
    if (waited >= milliseconds) return false;
    Sleep(10);
  }
}

// Window texts through WM_GETTEXT, answered by the window's own thread.
inline std::string TextA(HWND window) {
  char buffer[1024] = {};
  SendMessageA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}
inline std::wstring TextW(HWND window) {
  wchar_t buffer[1024] = {};
  SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

// A visible message box (dialog class with the static text 0xFFFF) owned by owner.
struct BoxSearch {
  HWND owner;
  HWND found;
};
inline BOOL CALLBACK MatchMessageBox(HWND window, LPARAM data) {
  auto* s = reinterpret_cast<BoxSearch*>(data);
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::string(className) == "#32770" && IsWindowVisible(window) && GetWindow(window, GW_OWNER) == s->owner &&
      GetDlgItem(window, 0xFFFF)) {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}
inline HWND FindMessageBox(HWND owner) {
  BoxSearch search = {owner, nullptr};
  EnumWindows(MatchMessageBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline HWND WaitForMessageBox(HWND owner, DWORD milliseconds = 10000) {
  HWND box = nullptr;
  WaitUntil([&] { return (box = FindMessageBox(owner)) != nullptr; }, milliseconds);
  return box;
}

inline std::string MessageText(HWND box) { return TextA(GetDlgItem(box, 0xFFFF)); }
inline std::wstring MessageTextW(HWND box) { return TextW(GetDlgItem(box, 0xFFFF)); }

// Presses the box's OK button as a click would (BN_CLICKED from the button).
inline void PressOk(HWND box) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

// Waits for the next box owned by owner, checks its caption and text, presses OK.
// Returns the text it found ("" when no box came).
inline std::string AnswerMessageBox(HWND owner, DWORD milliseconds = 10000) {
  HWND box = WaitForMessageBox(owner, milliseconds);
  if (!Check(box != nullptr, "a message box owned by the expected window appears", __FILE__, __LINE__)) return "";
  WT_CHECK_EQ(TextA(box), std::string("Tavrin"));
  std::string text = MessageText(box);
  PressOk(box);
  WaitUntil([&] { return !IsWindow(box); }, 5000);
  return text;
}

// The client area's pixels, copied from the window's DC after a synchronous repaint.
struct Capture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first
  uint32_t At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFFu;
    return pixels[size_t(y) * width + x];
  }
};

constexpr uint32_t Rgb(int r, int g, int b) { return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }

inline Capture CaptureClient(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  Capture capture;
  RECT client;
  GetClientRect(window, &client);
  capture.width = client.right;
  capture.height = client.bottom;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = capture.width;
  info.bmiHeader.biHeight = -capture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC windowDc = GetDC(window);
  HDC memoryDc = CreateCompatibleDC(windowDc);
  HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memoryDc, bitmap);
  BitBlt(memoryDc, 0, 0, capture.width, capture.height, windowDc, 0, 0, SRCCOPY);
  GdiFlush();
  const uint32_t* p = static_cast<const uint32_t*>(bits);
  capture.pixels.assign(p, p + size_t(capture.width) * capture.height);
  for (uint32_t& pixel : capture.pixels) pixel &= 0xFFFFFF;
  SelectObject(memoryDc, old);
  DeleteObject(bitmap);
  DeleteDC(memoryDc);
  ReleaseDC(window, windowDc);
  return capture;
}

inline std::string Hex(uint32_t colour) {
  char text[16];
  std::snprintf(text, sizeof text, "%06X", unsigned(colour));
  return text;
}

// Compares the painted bar with what cells cells of colour must look like:
// a grey (150,150,150) frame (20,50)-(320,79), white inside, cell i covering
// x 21+3i..22+3i, y 52..77. Returns "" or the first wrong pixel.
inline std::string BarMismatch(const Capture& c, int cells, uint32_t colour) {
  const uint32_t grey = Rgb(150, 150, 150);
  const uint32_t white = Rgb(255, 255, 255);
  if (c.width < 321 || c.height < 80)
    return "client area " + std::to_string(c.width) + "x" + std::to_string(c.height) + " cannot hold the bar";
  for (int y = 50; y <= 79; ++y) {
    for (int x = 20; x <= 320; ++x) {
      uint32_t want;
      if (x == 20 || x == 320 || y == 50 || y == 79) {
        want = grey;
      } else {
        int cell = (x - 21) / 3;
        bool inCell = (x - 21) % 3 != 2 && cell < cells && y >= 52 && y <= 77;
        want = inCell ? colour : white;
      }
      if (c.At(x, y) != want)
        return "pixel (" + std::to_string(x) + "," + std::to_string(y) + ") is " + Hex(c.At(x, y)) + ", want " +
               Hex(want);
    }
  }
  return "";
}

// Fake jobs: the worker runs whatever the current test put here.
inline std::function<int32_t(JobState&)> fakeJob;
inline int32_t RunFakeJob(JobState& state) { return fakeJob(state); }

// Opens a progress dialog (split or merge variant) on this thread, owned by
// owner, while driver runs on a second thread with the dialog's handle.
// Returns what DialogBoxParamA returned.
inline DWORD WINAPI DriveDialog(void* data) {
  auto* driver = static_cast<std::function<void(HWND)>*>(data);
  HWND dialog = nullptr;
  if (!WaitUntil([&] { return (dialog = ProgressWindow()) != nullptr; })) {
    Check(false, "the progress dialog registers itself as ProgressWindow", __FILE__, __LINE__);
    return 0;
  }
  (*driver)(dialog);
  return 0;
}
inline INT_PTR RunProgressDialog(bool split, HWND owner, std::function<void(HWND)> driver) {
  SetProgressWindow(nullptr);
  HANDLE thread = CreateThread(nullptr, 0, DriveDialog, &driver, 0, nullptr);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  INT_PTR result = split ? RunSplitProgress(instance, owner) : RunMergeProgress(instance, owner);
  WaitForSingleObject(thread, 30000);
  CloseHandle(thread);
  return result;
}

// A handshake between a fake job (worker thread) and the driver: the job
// stops at a point and waits until the driver has looked and lets it go on.
struct Handshake {
  HANDLE jobReached = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE driverDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  void JobPause() { SignalObjectAndWait(jobReached, driverDone, 20000, FALSE); }
  bool DriverAwait() { return WaitForSingleObject(jobReached, 20000) == WAIT_OBJECT_0; }
  void DriverRelease() { SetEvent(driverDone); }
};

// A stand-in for the main window: a dialog carrying the Split tab's controls
// (101, 103, 104, 106, 108, 110, 111, 114, 115, 116, 118, 120) and the Merge
// tab's (151, 154), made on the calling thread. Time-based, "both" and
// Split-Merge off to begin with.
inline INT_PTR CALLBACK PassiveDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

inline HWND CreateTestMainWindow() {
  alignas(4) static WORD templ[32] = {};
  auto* header = reinterpret_cast<DLGTEMPLATE*>(templ);
  header->style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
  header->cdit = 0;
  header->x = 0;
  header->y = 0;
  header->cx = 300;
  header->cy = 200;
  // menu, class and title: all empty (the three WORDs after the header are 0)
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND main = CreateDialogIndirectParamA(instance, header, nullptr, PassiveDialog, 0);
  struct Control {
    int id;
    const char* className;
    DWORD style;
  };
  const Control controls[] = {
      {101, "EDIT", ES_AUTOHSCROLL | WS_BORDER},         {103, "BUTTON", BS_AUTORADIOBUTTON | WS_GROUP},
      {110, "BUTTON", BS_AUTORADIOBUTTON},               {104, "EDIT", ES_AUTOHSCROLL | WS_BORDER},
      {106, "EDIT", ES_AUTOHSCROLL | WS_BORDER},         {108, "EDIT", ES_AUTOHSCROLL | WS_BORDER},
      {111, "EDIT", ES_AUTOHSCROLL | WS_BORDER},         {114, "BUTTON", BS_AUTORADIOBUTTON | WS_GROUP},
      {115, "BUTTON", BS_AUTORADIOBUTTON},               {116, "BUTTON", BS_AUTORADIOBUTTON},
      {118, "EDIT", ES_AUTOHSCROLL | WS_BORDER | WS_GROUP}, {120, "BUTTON", BS_AUTOCHECKBOX | WS_GROUP},
      {151, "EDIT", ES_AUTOHSCROLL | WS_BORDER},         {154, "EDIT", ES_AUTOHSCROLL | WS_BORDER},
  };
  int y = 4;
  for (const Control& c : controls) {
    CreateWindowExA(0, c.className, "", WS_CHILD | WS_VISIBLE | c.style, 4, y, 280, 20, main,
                    reinterpret_cast<HMENU>(INT_PTR(c.id)), instance, nullptr);
    y += 22;
  }
  SendDlgItemMessageA(main, 103, BM_SETCHECK, BST_CHECKED, 0);
  SendDlgItemMessageA(main, 114, BM_SETCHECK, BST_CHECKED, 0);
  return main;
}

inline void SetField(HWND main, int id, const std::string& text) { SetDlgItemTextA(main, id, text.c_str()); }

// Checks one radio button of a group (unchecking the others) or sets a check box.
inline void SetChecked(HWND main, int id, bool checked = true) {
  const int groups[][3] = {{103, 110, 0}, {114, 115, 116}};
  for (const auto& group : groups) {
    bool inGroup = false;
    for (int member : group) inGroup |= member == id;
    if (!inGroup) continue;
    for (int member : group)
      if (member) SendDlgItemMessageA(main, member, BM_SETCHECK, member == id ? BST_CHECKED : BST_UNCHECKED, 0);
    return;
  }
  SendDlgItemMessageA(main, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace wt
