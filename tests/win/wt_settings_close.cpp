// The window position read at start and the settings file written at close
// by the real Tavrin.exe: five lines in order from the window's state, by
// every way of closing (the close box, Exit, Esc); the file left alone after
// a Shift-close.
#include "tests/win/lib/app.h"

using namespace wt;

namespace {

// Presses keys as the user would, into the foreground window.
void Key(BYTE key, bool down) { keybd_event(key, 0, down ? 0 : KEYEVENTF_KEYUP, 0); }

// The test prefixes leave windows unmanaged (tests/wine/start.sh); a key
// pressed into such a window never reaches its thread's key state, so this
// sets the mode for the programs started while it lives.
struct ManagedWindows {
  explicit ManagedWindows(const char* mode) { SetMode(mode); }
  ~ManagedWindows() { SetMode("N"); }
  static void SetMode(const char* mode) {
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", "Managed", REG_SZ, mode, 2);
  }
};

bool BringToFront(const App& app) {
  SetForegroundWindow(app.main);
  return WaitUntil([&] { return GetForegroundWindow() == app.main; }, 3000);
}

}  // namespace

int main() {
  if (!Begin(110000)) return Summary();

  Case("close rewrites five lines in order; other lines vanish, the overlap text is kept as typed");
  {
    const std::string folder =
        FolderWith("Position=300 200\r\nMyOwnKey=1\r\nSplitMerge=TRUE\r\nOrgFolder=C:\\videos\r\n");
    App app = Launch("", folder);
    app.Click(IDC_CREATE_FIRST);
    app.Command(IDM_SWITCH_TAB);  // the Merge page
    app.SetItemText(IDC_OVERLAP, "7.5abc");
    app.Sync();
    const RECT r = app.WindowRect();
    CloseApp(app);
    char expected[512];
    std::snprintf(expected, sizeof expected,
                  "Position=%ld %ld\r\nOrgFolder=C:\\videos\r\nTabNo=1\r\nCreateFileN=2\r\nOverLapS=7.5abc\r\n", r.left,
                  r.top);
    WT_CHECK_EQ(ReadBytes(folder + "\\Tavrin.ini"), std::string(expected));
  }

  Case("the Exit menu item and WM_CLOSE save too");
  {
    const std::string folder = FolderWith("TabNo=0\r\n");
    App app = Launch("", folder);
    app.Command(IDM_EXIT);
    WT_CHECK_EQ(app.WaitExit(10000), 0L);
    app.Kill();
    WT_CHECK(ReadBytes(folder + "\\Tavrin.ini").find("OverLapS=0\r\n") != std::string::npos);

    const std::string second = FolderWith("TabNo=0\r\n");
    App closed = Launch("", second);
    PostMessageA(closed.main, WM_CLOSE, 0, 0);
    WT_CHECK_EQ(closed.WaitExit(10000), 0L);
    closed.Kill();
    WT_CHECK(ReadBytes(second + "\\Tavrin.ini").find("OverLapS=0\r\n") != std::string::npos);
  }

  Case("a minimised window saves the place it returns to");
  {
    const std::string folder = FolderWith("Position=150 120\r\n");
    App app = Launch("", folder);
    ShowWindow(app.main, SW_MINIMIZE);
    WaitUntil([&] { return IsIconic(app.main) != 0; }, 3000);
    CloseApp(app);
    WT_CHECK_EQ(ReadBytes(folder + "\\Tavrin.ini").substr(0, 18), std::string("Position=150 120\r\n"));
  }

  Case("Esc closes the window as the close box does: an overlap typed stays for the next start");
  {
    const std::string folder = FolderWith("TabNo=0\nMyOwnKey=1\n");
    App app = Launch("", folder);
    app.SetItemText(IDC_OVERLAP, "4.5");
    app.Sync();
    // The key as the dialog manager sees it in the window's message loop.
    PostMessageA(app.Item(IDC_OVERLAP), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    WT_CHECK_EQ(app.WaitExit(10000), 0L);
    app.Kill();
    WT_CHECK(ReadBytes(folder + "\\Tavrin.ini").find("\r\nOverLapS=4.5\r\n") != std::string::npos);
    App again = Launch("", folder);
    WT_CHECK_EQ(again.ItemText(IDC_OVERLAP), std::wstring(L"4.5"));
    CloseApp(again);
  }

  Case("Enter as IDOK (no default button known) starts the page's split and never closes the window");
  {
    const std::string folder = FolderWith("TabNo=0\r\n");
    const std::string clip = CopySample("ffmpeg_mpeg4_pcm_g12.avi", "enter.avi", folder);
    App app = Launch("", folder);
    FillSplitPage(app, clip, "0", "0", "10", "0", IDC_CREATE_BOTH);
    app.Command(IDOK);
    WT_CHECK(WaitForProgress(app, SplitTitle()) != nullptr);
    WT_CHECK(WaitUntil([&] { return FileExists(folder + "\\enter-2.avi"); }, 15000));
    WT_CHECK(IsWindow(app.main));
    app.Kill();
  }

  Case("closing with Shift held leaves the file as it was");
  {
    const char* content = "TabNo=1\nMyOwnKey=1\n";
    const std::string folder = FolderWith(content);
    ManagedWindows managed("Y");
    App app = Launch("", folder);
    WT_CHECK(BringToFront(app));
    Key(VK_SHIFT, true);
    // The window learns of the key when it takes the key message.
    Sleep(300);
    app.Sync();
    app.Command(IDC_EXIT);
    const long code = app.WaitExit(10000);
    Key(VK_SHIFT, false);
    WT_CHECK_EQ(code, 0L);
    app.Kill();
    WT_CHECK_EQ(ReadBytes(folder + "\\Tavrin.ini"), std::string(content));
  }
  Case("Position: 100 200 moves the window; 100 alone or a leading blank leaves it");
  {
    App plain = Launch("", FolderWith("Position=\r\n"));
    const RECT home = plain.WindowRect();
    CloseApp(plain);

    App moved = Launch("", FolderWith("Position=100 200\r\n"));
    RECT r = moved.WindowRect();
    WT_CHECK_EQ(r.left, 100L);
    WT_CHECK_EQ(r.top, 200L);
    WT_CHECK_EQ(r.right - r.left, home.right - home.left);
    WT_CHECK_EQ(r.bottom - r.top, home.bottom - home.top);
    CloseApp(moved);

    for (const char* content : {"Position=100\r\n", "Position= 100 200\r\n"}) {
      App stays = Launch("", FolderWith(content));
      r = stays.WindowRect();
      WT_CHECK_EQ(r.left, home.left);
      WT_CHECK_EQ(r.top, home.top);
      CloseApp(stays);
    }
  }

  return Summary();
}
