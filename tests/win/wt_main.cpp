// The main window of the real Tavrin.exe: the 39 controls of its template
// (MYDLGE in English, MYDLG in Japanese), page switching by the View command
// and by a click on the tab, the execute button's caption, the radio
// buttons' effects, execute with an empty field, the About box's title.
// Runs in English and Japanese.
#include "tests/win/lib/layout.h"

using namespace wt;

namespace {

void CheckPage(const App& app, bool merge) {
  for (const ControlRow& row : kControls) {
    const bool shown = merge ? row.mergePage : row.splitPage;
    Check(app.Visible(row.id) == shown, "visibility of " + std::to_string(row.id), __FILE__, __LINE__);
  }
  WT_CHECK_EQ(SendMessageA(app.Item(IDC_TABS), TCM_GETCURSEL, 0, 0), merge ? 1L : 0L);
}

// The execute button's captions.
std::wstring SplitCaption() { return Lang(L"Split", L"\u5206\u89E3"); }                          // 分解
std::wstring SplitMergeCaption() { return Lang(L"Split-Merge", L"\u5206\u89E3-\u7D50\u5408"); }  // 分解-結合
std::wstring MergeCaption() { return Lang(L"Merge", L"\u7D50\u5408"); }                          // 結合

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
  if (!Begin(110000)) return Summary();
  const std::string folder = MakeDir("main");
  WriteBytes(folder + "\\Tavrin.ini", "TabNo=0\r\nSplitMerge=TRUE\r\n");
  App app = Launch("", folder);

  Case("the template: window style, 39 controls in order with classes, styles, places, captions");
  {
    WT_CHECK_EQ(TextW(app.main), std::wstring(L"Tavrin"));
    const DWORD style = DWORD(GetWindowLongA(app.main, GWL_STYLE));
    WT_CHECK((style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX)) == (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));
    WT_CHECK((style & WS_MAXIMIZEBOX) == 0);
    WT_CHECK(GetMenu(app.main) != nullptr);
    WT_CHECK_EQ(SendMessageA(app.Item(IDC_TABS), TCM_GETITEMCOUNT, 0, 0), 2L);
    CheckLayout(app, Japanese());
    WT_CHECK(SendMessageA(app.main, DM_GETDEFID, 0, 0) == MAKELRESULT(IDC_EXECUTE, DC_HASDEFID));
  }

  Case("the Split page; the View command switches pages and back");
  {
    CheckPage(app, false);
    WT_CHECK_EQ(app.ItemText(IDC_EXECUTE), SplitMergeCaption());
    app.Command(IDM_SWITCH_TAB);
    app.Sync();
    CheckPage(app, true);
    WT_CHECK_EQ(app.ItemText(IDC_EXECUTE), MergeCaption());
    app.Command(IDM_SWITCH_TAB);
    app.Sync();
    CheckPage(app, false);
    WT_CHECK_EQ(app.ItemText(IDC_EXECUTE), SplitMergeCaption());
  }

  Case("the Split-Merge box sets the execute button's caption");
  {
    app.Click(IDC_SPLIT_MERGE);
    app.Sync();
    WT_CHECK(!app.Checked(IDC_SPLIT_MERGE));
    WT_CHECK_EQ(app.ItemText(IDC_EXECUTE), SplitCaption());
    app.Click(IDC_SPLIT_MERGE);
    app.Sync();
    WT_CHECK(app.Checked(IDC_SPLIT_MERGE));
    WT_CHECK_EQ(app.ItemText(IDC_EXECUTE), SplitMergeCaption());
  }

  if (Case("Time and File size radios enable their fields", kEnglishOnly)) {
    WT_CHECK(app.Checked(IDC_BY_TIME));
    WT_CHECK(!app.Enabled(IDC_SIZE_MB));
    app.Click(IDC_BY_SIZE);
    app.Sync();
    WT_CHECK(app.Checked(IDC_BY_SIZE));
    WT_CHECK(!app.Checked(IDC_BY_TIME));
    for (int id : {IDC_HOURS, IDC_MINUTES, IDC_SECONDS}) WT_CHECK(!app.Enabled(id));
    WT_CHECK(app.Enabled(IDC_SIZE_MB));
    // The choice survives a page change.
    app.Command(IDM_SWITCH_TAB);
    app.Command(IDM_SWITCH_TAB);
    app.Sync();
    WT_CHECK(app.Checked(IDC_BY_SIZE));
    WT_CHECK(app.Enabled(IDC_SIZE_MB));
    app.Click(IDC_BY_TIME);
    app.Sync();
    for (int id : {IDC_HOURS, IDC_MINUTES, IDC_SECONDS}) WT_CHECK(app.Enabled(id));
    WT_CHECK(!app.Enabled(IDC_SIZE_MB));
  }

  if (Case("1st file only leaves Split-Merge enabled until the next return to the Split page", kEnglishOnly)) {
    app.Click(IDC_CREATE_FIRST);
    app.Sync();
    WT_CHECK(app.Checked(IDC_CREATE_FIRST));
    WT_CHECK(!app.Checked(IDC_CREATE_BOTH));
    WT_CHECK(app.Enabled(IDC_SPLIT_MERGE));
    app.Command(IDM_SWITCH_TAB);
    app.Command(IDM_SWITCH_TAB);
    app.Sync();
    WT_CHECK(app.Checked(IDC_CREATE_FIRST));
    WT_CHECK(!app.Enabled(IDC_SPLIT_MERGE));
    app.Click(IDC_CREATE_BOTH);
    app.Sync();
    WT_CHECK(!app.Enabled(IDC_SPLIT_MERGE));
    app.Command(IDM_SWITCH_TAB);
    app.Command(IDM_SWITCH_TAB);
    app.Sync();
    WT_CHECK(app.Enabled(IDC_SPLIT_MERGE));
  }

  if (Case("execute with an empty field does nothing", kEnglishOnly)) {
    app.SetItemText(IDC_SRC_FILE, "");
    app.PostCommand(IDC_EXECUTE);
    WT_CHECK(StaysQuiet(app));
    app.PostCommand(IDM_EXECUTE);
    WT_CHECK(StaysQuiet(app));
    app.Command(IDM_SWITCH_TAB);
    app.SetItemText(IDC_MERGE_FILE1, "");
    app.SetItemText(IDC_MERGE_FILE2, "");
    app.PostCommand(IDC_EXECUTE);
    WT_CHECK(StaysQuiet(app));
    app.SetItemText(IDC_MERGE_FILE1, "C:\\a.avi");
    app.PostCommand(IDC_EXECUTE);
    WT_CHECK(StaysQuiet(app));
    app.SetItemText(IDC_MERGE_FILE1, "");
    app.SetItemText(IDC_MERGE_FILE2, "C:\\b.avi");
    app.PostCommand(IDM_EXECUTE);
    WT_CHECK(StaysQuiet(app));
    WT_CHECK(app.Running());
    app.Command(IDM_SWITCH_TAB);
  }

  if (Case("a click on the Merge tab shows the Merge page", kEnglishOnly)) {
    SetForegroundWindow(app.main);
    RECT tab;
    GetWindowRect(app.Item(IDC_TABS), &tab);
    // The second tab sits right of the first one ("Split"): about 60 pixels in.
    ClickAt(tab.left + 70, tab.top + 10);
    WaitUntil([&] { return app.Visible(IDC_MERGE_FILE1); }, 3000);
    CheckPage(app, true);
    ClickAt(tab.left + 20, tab.top + 10);
    WaitUntil([&] { return app.Visible(IDC_SRC_FILE); }, 3000);
    CheckPage(app, false);
  }

  Case("the About box's title; it closes by its OK command");
  {
    app.PostCommand(IDM_ABOUT);
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindOf(app.pid(), Kind::OtherDialog, app.main)) != nullptr; });
    WT_CHECK(box != nullptr);
    WT_CHECK_EQ(TextW(box), Lang(L"About Tavrin", L"Tavrin\u306B\u3064\u3044\u3066"));  // Tavrinについて
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    WT_CHECK(WaitUntil([&] { return !IsWindow(box); }));
  }
  CloseApp(app);
  return Summary();
}
