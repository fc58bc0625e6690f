// Reading windows from the test: texts, message boxes (found by owner,
// answered with OK) and a window's painted pixels, with the progress bar's
// expected picture.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/win/lib/check.h"
#include "tests/win/lib/ids.h"

namespace wt {

inline std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// Window texts through WM_GETTEXT, answered by the window's own thread.
inline std::string TextA(HWND window) {
  char buffer[1024] = {};
  if (window) SendMessageA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}
inline std::wstring TextW(HWND window) {
  wchar_t buffer[1024] = {};
  if (window) SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

inline bool IsMessageBox(HWND window) {
  return ClassOf(window) == "#32770" && GetDlgItem(window, kMessageText) != nullptr;
}

struct BoxSearch {
  HWND owner;
  HWND found;
};
inline BOOL CALLBACK MatchMessageBox(HWND window, LPARAM data) {
  auto* s = reinterpret_cast<BoxSearch*>(data);
  if (IsWindowVisible(window) && GetWindow(window, GW_OWNER) == s->owner && IsMessageBox(window)) {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}
// A visible message box owned by owner.
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

inline std::string MessageText(HWND box) { return TextA(GetDlgItem(box, kMessageText)); }
inline std::wstring MessageTextW(HWND box) { return TextW(GetDlgItem(box, kMessageText)); }

// Presses the box's OK button as a click would (BN_CLICKED from the button).
inline void PressOk(HWND box) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

// Presses OK, or on a box that asks Yes or No (such as whether to replace
// existing files) the button `answer`.
inline void Answer(HWND box, int answer = IDYES) {
  const int id = GetDlgItem(box, IDYES) ? answer : IDOK;
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

// Presses a progress dialog's Cancel and returns once it has taken it. A
// job's box over the dialog belongs to the job's thread: its answer, posted
// there, could overtake a Cancel posted to the dialog and end the job first.
inline void CancelNow(HWND progress) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(progress, WM_COMMAND, IDCANCEL, 0, SMTO_NORMAL, 15000, &result);
}

// Waits for the next box owned by owner, checks its caption, presses OK (or,
// on a Yes/No box, yesNo when given) and returns its text (L"<no box>" when
// none came).
inline std::wstring AnswerMessageBox(HWND owner, DWORD milliseconds = 15000, int yesNo = 0) {
  HWND box = WaitForMessageBox(owner, milliseconds);
  if (!Check(box != nullptr, "a message box owned by the expected window appears", __FILE__, __LINE__))
    return L"<no box>";
  WT_CHECK_EQ(TextW(box), std::wstring(L"Tavrin"));
  const std::wstring text = MessageTextW(box);
  if (yesNo) Answer(box, yesNo);
  else PressOk(box);
  WaitUntil([&] { return !IsWindow(box); }, 5000);
  return text;
}

// ---- pixels ---------------------------------------------------------------

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
constexpr uint32_t kSplitColour = Rgb(200, 170, 130);
constexpr uint32_t kMergeColour = Rgb(170, 130, 200);

// A 32-bit DIB of width x height, first row at the top.
inline BITMAPINFO TopDownRgb32(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// The client area of window as paint(memoryDc, width, height) puts it into a
// top-down 32-bit bitmap selected into memoryDc (made compatible with
// basisDc, or with the screen without one); colours as 0xRRGGBB.
template <class Paint>
Capture PaintedClient(HWND window, HDC basisDc, Paint paint) {
  Capture capture;
  RECT client;
  GetClientRect(window, &client);
  capture.width = client.right;
  capture.height = client.bottom;
  BITMAPINFO info = TopDownRgb32(capture.width, capture.height);
  void* bits = nullptr;
  HDC memoryDc = CreateCompatibleDC(basisDc);
  HBITMAP bitmap = CreateDIBSection(basisDc ? basisDc : memoryDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memoryDc, bitmap);
  paint(memoryDc, capture.width, capture.height);
  GdiFlush();
  const uint32_t* p = static_cast<const uint32_t*>(bits);
  capture.pixels.assign(p, p + size_t(capture.width) * capture.height);
  for (uint32_t& pixel : capture.pixels) pixel &= 0xFFFFFF;
  SelectObject(memoryDc, old);
  DeleteObject(bitmap);
  DeleteDC(memoryDc);
  return capture;
}

// The client area of window as the screen shows it, once it is painted.
inline Capture CaptureClient(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  HDC windowDc = GetDC(window);
  const Capture capture = PaintedClient(window, windowDc, [&](HDC memoryDc, int width, int height) {
    BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
  });
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

// The bar value painted in a capture: the number of leading cells drawn in
// colour when the rest of the bar matches, else -1.
inline int PaintedCells(const Capture& capture, uint32_t colour) {
  for (int cells = 0; cells <= 100; ++cells)
    if (BarMismatch(capture, cells, colour).empty()) return cells;
  return -1;
}

}  // namespace wt
