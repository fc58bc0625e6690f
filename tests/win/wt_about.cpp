// The About box of the real Tavrin.exe: opened by its menu command, centred at
// (412, 323) on the 1024 x 768 screen, its painted button read back from the
// screen in its focused and pressed looks; press and drag off keeps it open,
// a release on the button closes it; Enter (also held down) closes it on
// release; Esc, Tab and Alt+F4 do nothing.
#include "tests/win/lib/app.h"

using namespace wt;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kDarkGrey = RGB(0x7F, 0x7F, 0x7F);
constexpr COLORREF kBlack = RGB(0, 0, 0);

HWND OpenAbout(const App& app) {
  app.PostCommand(IDM_ABOUT);
  HWND box = nullptr;
  WaitUntil(
      [&] {
        return (box = FindOf(app.pid(), Kind::OtherDialog, app.main)) != nullptr && TextW(box) == L"About Tavrin";
      },
      10000);
  if (box) {
    SetForegroundWindow(box);
    WaitUntil([&] { return GetForegroundWindow() == box; }, 2000);
    Sleep(300);  // let it paint
  }
  return box;
}

COLORREF PixelAt(HWND box, int x, int y) {
  POINT p = {x, y};
  ClientToScreen(box, &p);
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, p.x, p.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

// The two looks of the painted button, told apart by its left edges.
bool LooksFocused(HWND box) {
  return PixelAt(box, 11, 70) == kWhite && PixelAt(box, 12, 70) == kWhite && PixelAt(box, 87, 70) == kDarkGrey &&
         PixelAt(box, 88, 70) == kBlack && PixelAt(box, 10, 70) == kBlack;
}
bool LooksPressed(HWND box) {
  return PixelAt(box, 10, 70) == kBlack && PixelAt(box, 11, 70) == kDarkGrey && PixelAt(box, 88, 70) == kDarkGrey &&
         PixelAt(box, 12, 70) != kWhite;
}

void MouseTo(HWND box, int x, int y) {
  POINT p = {x, y};
  ClientToScreen(box, &p);
  SetCursorPos(p.x, p.y);
  Sleep(80);
}
void Mouse(DWORD what) {
  mouse_event(what, 0, 0, 0, 0);
  Sleep(150);
}
void Key(BYTE key, bool down) {
  keybd_event(key, 0, down ? 0 : KEYEVENTF_KEYUP, 0);
  Sleep(150);
}

}  // namespace

int main() {
  if (!Begin(110000)) return Summary();
  App app = Launch("", MakeDir("about"));

  Case("opened by the About command: title, size 199 x 121, centred at (412, 323), button focused");
  HWND box = OpenAbout(app);
  if (!Check(box != nullptr, "the About box opens", __FILE__, __LINE__)) return Summary();
  {
    WT_CHECK_EQ(TextW(box), std::wstring(L"About Tavrin"));
    RECT r;
    GetWindowRect(box, &r);
    WT_CHECK_EQ(r.right - r.left, 199L);
    WT_CHECK_EQ(r.bottom - r.top, 121L);
    WT_CHECK_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    WT_CHECK_EQ(r.left, 412L);
    WT_CHECK_EQ(r.top, 323L);
    WT_CHECK((GetWindowLongA(box, GWL_STYLE) & WS_SYSMENU) == 0);
    WT_CHECK(LooksFocused(box));
  }

  Case("press on the button, drag off and release: still open, focused again");
  {
    MouseTo(box, 50, 72);
    Mouse(MOUSEEVENTF_LEFTDOWN);
    WT_CHECK(WaitUntil([&] { return LooksPressed(box); }, 2000));
    // Off the button, still over the box (the box does not capture the mouse).
    MouseTo(box, 150, 40);
    Mouse(MOUSEEVENTF_LEFTUP);
    WT_CHECK(IsWindow(box) && IsWindowVisible(box));
    WT_CHECK(WaitUntil([&] { return LooksFocused(box); }, 2000));
    // A release on the button without a press there does nothing either.
    MouseTo(box, 50, 72);
    Mouse(MOUSEEVENTF_LEFTUP);
    WT_CHECK(IsWindow(box));
  }

  Case("Esc, Tab, an arrow key and Alt+F4 have no effect");
  {
    Key(VK_ESCAPE, true);
    Key(VK_ESCAPE, false);
    Key(VK_TAB, true);
    Key(VK_TAB, false);
    Key(VK_RIGHT, true);
    Key(VK_RIGHT, false);
    Key(VK_MENU, true);
    Key(VK_F4, true);
    Key(VK_F4, false);
    Key(VK_MENU, false);
    app.Sync();
    WT_CHECK(IsWindow(box) && IsWindowVisible(box));
    WT_CHECK(LooksFocused(box));
  }

  Case("a click on the button closes the box; the main window goes on");
  {
    MouseTo(box, 50, 72);
    Mouse(MOUSEEVENTF_LEFTDOWN);
    Mouse(MOUSEEVENTF_LEFTUP);
    WT_CHECK(WaitUntil([&] { return !IsWindow(box); }, 3000));
    SetCursorPos(1020, 760);
  }

  Case("Enter held down: pressed look while held (auto-repeat ignored), closes on release");
  {
    box = OpenAbout(app);
    if (Check(box != nullptr, "the About box opens again", __FILE__, __LINE__)) {
      Key(VK_RETURN, true);
      WT_CHECK(WaitUntil([&] { return LooksPressed(box); }, 2000));
      Key(VK_RETURN, true);  // repeats
      Key(VK_RETURN, true);
      WT_CHECK(IsWindow(box));
      WT_CHECK(LooksPressed(box));
      Key(VK_RETURN, false);
      WT_CHECK(WaitUntil([&] { return !IsWindow(box); }, 3000));
    }
  }

  Case("the box opens and closes by Enter a second time (the Enter latch is ready again)");
  {
    box = OpenAbout(app);
    if (Check(box != nullptr, "the About box opens a third time", __FILE__, __LINE__)) {
      WT_CHECK(LooksFocused(box));
      Key(VK_RETURN, true);
      Key(VK_RETURN, false);
      WT_CHECK(WaitUntil([&] { return !IsWindow(box); }, 3000));
    }
  }

  Case("after the box, keys reach the main window again (the hook is gone)");
  {
    SetForegroundWindow(app.main);
    Sleep(200);
    SetFocus(app.Item(IDC_OVERLAP));
    app.SetItemText(IDC_OVERLAP, "");
    PostMessageA(app.Item(IDC_OVERLAP), WM_CHAR, '7', 0);
    app.Sync();
    Sleep(200);
    WT_CHECK_EQ(app.ItemText(IDC_OVERLAP), std::wstring(L"7"));
  }
  CloseApp(app);
  return Summary();
}
