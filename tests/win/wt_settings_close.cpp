// The window position read at start and the settings file written at close
// by the real Tavrin.exe: five lines in order from the window's state, by
// every way of closing that saves; the file left alone after Shift-close or Esc.
#include "wt_main_driver.h"

using namespace shelltest;

namespace {

int folderCount = 0;

// A fresh start folder holding a Tavrin.ini with content (none if null).
std::string FolderWith(const char* content) {
  const std::string folder = MakeDir("s" + std::to_string(++folderCount));
  if (content) WriteBytes(folder + "\\Tavrin.ini", content);
  return folder;
}

RECT WindowRect(const App& app) {
  RECT r = {};
  GetWindowRect(app.main, &r);
  return r;
}

// Presses keys as the user would, into the foreground window.
void Key(BYTE key, bool down) { keybd_event(key, 0, down ? 0 : KEYEVENTF_KEYUP, 0); }

bool BringToFront(const App& app) {
  SetForegroundWindow(app.main);
  return WaitUntil([&] { return GetForegroundWindow() == app.main; }, 3000);
}

}  // namespace

int main() {
  StartWatchdog(110000);

  Case("close rewrites five lines in order; other lines vanish, the overlap text is kept as typed");
  {
    const std::string folder =
        FolderWith("Position=300 200\r\nMyOwnKey=1\r\nSplitMerge=TRUE\r\nOrgFolder=C:\\videos\r\n");
    App app = Launch("", folder);
    app.Click(115);
    app.Command(230);  // the Merge page
    app.SetItemText(118, "7.5abc");
    app.Sync();
    const RECT r = WindowRect(app);
    CloseApp(app);
    char expected[512];
    std::snprintf(expected, sizeof expected,
                  "Position=%ld %ld\r\nOrgFolder=C:\\videos\r\nTabNo=1\r\nCreateFileN=2\r\nOverLapS=7.5abc\r\n",
                  r.left, r.top);
    ST_CHECK_EQ(ReadBytes(folder + "\\Tavrin.ini"), std::string(expected));
  }

  Case("the Exit menu item and WM_CLOSE save too");
  {
    const std::string folder = FolderWith("TabNo=0\r\n");
    App app = Launch("", folder);
    app.Command(210);
    ST_CHECK_EQ(app.WaitExit(10000), 0L);
    app.Kill();
    ST_CHECK(ReadBytes(folder + "\\Tavrin.ini").find("OverLapS=0\r\n") != std::string::npos);

    const std::string second = FolderWith("TabNo=0\r\n");
    App closed = Launch("", second);
    PostMessageA(closed.main, WM_CLOSE, 0, 0);
    ST_CHECK_EQ(closed.WaitExit(10000), 0L);
    closed.Kill();
    ST_CHECK(ReadBytes(second + "\\Tavrin.ini").find("OverLapS=0\r\n") != std::string::npos);
  }

  Case("a minimised window saves the place it returns to");
  {
    const std::string folder = FolderWith("Position=150 120\r\n");
    App app = Launch("", folder);
    ShowWindow(app.main, SW_MINIMIZE);
    WaitUntil([&] { return IsIconic(app.main) != 0; }, 3000);
    CloseApp(app);
    ST_CHECK_EQ(ReadBytes(folder + "\\Tavrin.ini").substr(0, 18), std::string("Position=150 120\r\n"));
  }

  Case("Esc ends the window without saving");
  {
    const char* content = "TabNo=1\nMyOwnKey=1\n";
    const std::string folder = FolderWith(content);
    App app = Launch("", folder);
    // The key as the dialog manager sees it in the window's message loop.
    PostMessageA(app.Item(151), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    ST_CHECK_EQ(app.WaitExit(10000), 0L);
    app.Kill();
    ST_CHECK_EQ(ReadBytes(folder + "\\Tavrin.ini"), std::string(content));
  }

  Case("closing with Shift held leaves the file as it was");
  {
    const char* content = "TabNo=1\nMyOwnKey=1\n";
    const std::string folder = FolderWith(content);
    App app = Launch("", folder);
    ST_CHECK(BringToFront(app));
    Key(VK_SHIFT, true);
    // The window learns of the key when it takes the key message.
    Sleep(300);
    app.Sync();
    app.Command(123);
    const long code = app.WaitExit(10000);
    Key(VK_SHIFT, false);
    ST_CHECK_EQ(code, 0L);
    app.Kill();
    ST_CHECK_EQ(ReadBytes(folder + "\\Tavrin.ini"), std::string(content));
  }
  Case("Position: 100 200 moves the window; 100 alone or a leading blank leaves it");
  {
    App plain = Launch("", FolderWith("Position=\r\n"));
    const RECT home = WindowRect(plain);
    CloseApp(plain);

    App moved = Launch("", FolderWith("Position=100 200\r\n"));
    RECT r = WindowRect(moved);
    ST_CHECK_EQ(r.left, 100L);
    ST_CHECK_EQ(r.top, 200L);
    ST_CHECK_EQ(r.right - r.left, home.right - home.left);
    ST_CHECK_EQ(r.bottom - r.top, home.bottom - home.top);
    CloseApp(moved);

    for (const char* content : {"Position=100\r\n", "Position= 100 200\r\n"}) {
      App stays = Launch("", FolderWith(content));
      r = WindowRect(stays);
      ST_CHECK_EQ(r.left, home.left);
      ST_CHECK_EQ(r.top, home.top);
      CloseApp(stays);
    }
  }

  return Summary();
}
