// The main window of the real Tavrin.exe in English: the 34 controls of
// MYDLGE, page switching by the View command and by a click on the tab, the
// execute button's caption, the radio buttons' effects, execute with an empty field.
#include "wt_main_driver.h"
#include "wt_main_layout.h"

using namespace shelltest;

namespace {

const int kSplitIds[] = {100, 101, 102, 124, 121, 103, 110, 104, 105, 106, 107, 108,
                         109, 111, 112, 113, 114, 115, 116, 117, 118, 119, 120};
const int kMergeIds[] = {150, 151, 152, 156, 153, 154, 155, 157};

void CheckPage(const App& app, bool merge) {
  for (int id : kSplitIds) Check(app.Visible(id) == !merge, "visibility of " + std::to_string(id), __FILE__, __LINE__);
  for (int id : kMergeIds) Check(app.Visible(id) == merge, "visibility of " + std::to_string(id), __FILE__, __LINE__);
  ST_CHECK(app.Visible(122));
  ST_CHECK(app.Visible(123));
  ST_CHECK_EQ(SendMessageA(app.Item(131), 0x1300 + 11 /* TCM_GETCURSEL */, 0, 0), merge ? 1L : 0L);
}

void ClickAt(int x, int y) {
  SetCursorPos(x, y);
  Sleep(50);
  mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
  Sleep(50);
  mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  Sleep(50);
  // Away from the window: a pointer resting over it would take part in the
  // simulated button clicks (BM_CLICK) that follow.
  SetCursorPos(1020, 760);
}

}  // namespace

int main() {
  StartWatchdog(110000);
  const std::string folder = MakeDir("main");
  WriteBytes(folder + "\\Tavrin.ini", "TabNo=0\r\nSplitMerge=TRUE\r\n");
  App app = Launch("", folder);

  Case("MYDLGE: window style, 34 controls in order with classes, styles, places, captions");
  {
    ST_CHECK_EQ(TextW(app.main), std::wstring(L"Tavrin"));
    const DWORD style = DWORD(GetWindowLongA(app.main, GWL_STYLE));
    ST_CHECK((style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX)) == (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));
    ST_CHECK((style & WS_MAXIMIZEBOX) == 0);
    ST_CHECK(GetMenu(app.main) != nullptr);
    ST_CHECK_EQ(SendMessageA(app.Item(131), 0x1300 + 4 /* TCM_GETITEMCOUNT */, 0, 0), 2L);
    CheckLayout(app, false);
    ST_CHECK(SendMessageA(app.main, DM_GETDEFID, 0, 0) == MAKELRESULT(122, DC_HASDEFID));
  }

  Case("the Split page; the View command switches pages and back");
  {
    CheckPage(app, false);
    ST_CHECK_EQ(app.ItemText(122), std::wstring(L"Split-Merge"));
    app.Command(230);
    app.Sync();
    CheckPage(app, true);
    ST_CHECK_EQ(app.ItemText(122), std::wstring(L"Merge"));
    app.Command(230);
    app.Sync();
    CheckPage(app, false);
    ST_CHECK_EQ(app.ItemText(122), std::wstring(L"Split-Merge"));
  }

  Case("the Split-Merge box sets the execute button's caption");
  {
    app.Click(120);
    app.Sync();
    ST_CHECK(!app.Checked(120));
    ST_CHECK_EQ(app.ItemText(122), std::wstring(L"Split"));
    app.Click(120);
    app.Sync();
    ST_CHECK(app.Checked(120));
    ST_CHECK_EQ(app.ItemText(122), std::wstring(L"Split-Merge"));
  }

  Case("Time and File size radios enable their fields");
  {
    ST_CHECK(app.Checked(103));
    ST_CHECK(!app.Enabled(111));
    app.Click(110);
    app.Sync();
    ST_CHECK(app.Checked(110));
    ST_CHECK(!app.Checked(103));
    for (int id : {104, 106, 108}) ST_CHECK(!app.Enabled(id));
    ST_CHECK(app.Enabled(111));
    // The choice survives a page change.
    app.Command(230);
    app.Command(230);
    app.Sync();
    ST_CHECK(app.Checked(110));
    ST_CHECK(app.Enabled(111));
    app.Click(103);
    app.Sync();
    for (int id : {104, 106, 108}) ST_CHECK(app.Enabled(id));
    ST_CHECK(!app.Enabled(111));
  }

  Case("1st file only leaves Split-Merge enabled until the next return to the Split page");
  {
    app.Click(115);
    app.Sync();
    ST_CHECK(app.Checked(115));
    ST_CHECK(!app.Checked(114));
    ST_CHECK(app.Enabled(120));
    app.Command(230);
    app.Command(230);
    app.Sync();
    ST_CHECK(app.Checked(115));
    ST_CHECK(!app.Enabled(120));
    app.Click(114);
    app.Sync();
    ST_CHECK(!app.Enabled(120));
    app.Command(230);
    app.Command(230);
    app.Sync();
    ST_CHECK(app.Enabled(120));
  }

  Case("execute with an empty field does nothing");
  {
    app.SetItemText(101, "");
    app.PostCommand(122);
    ST_CHECK(StaysQuiet(app));
    app.PostCommand(220);
    ST_CHECK(StaysQuiet(app));
    app.Command(230);
    app.SetItemText(151, "");
    app.SetItemText(154, "");
    app.PostCommand(122);
    ST_CHECK(StaysQuiet(app));
    app.SetItemText(151, "C:\\a.avi");
    app.PostCommand(122);
    ST_CHECK(StaysQuiet(app));
    app.SetItemText(151, "");
    app.SetItemText(154, "C:\\b.avi");
    app.PostCommand(220);
    ST_CHECK(StaysQuiet(app));
    ST_CHECK(app.Running());
    app.Command(230);
  }

  Case("a click on the Merge tab shows the Merge page");
  {
    SetForegroundWindow(app.main);
    RECT tab;
    GetWindowRect(app.Item(131), &tab);
    // The second tab sits right of the first one ("Split"): about 60 pixels in.
    ClickAt(tab.left + 70, tab.top + 10);
    WaitUntil([&] { return app.Visible(151); }, 3000);
    CheckPage(app, true);
    ClickAt(tab.left + 20, tab.top + 10);
    WaitUntil([&] { return app.Visible(101); }, 3000);
    CheckPage(app, false);
  }

  CloseApp(app);
  return Summary();
}
