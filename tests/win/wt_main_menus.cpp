// The main window's menus, tab texts and dialog-procedure results (seen from
// inside the process, as menus cannot be read from another one): the File,
// Operate and View items after each page change and after switching twice;
// the overlap field's start text for values no settings file can hold.
#include "wt_main_inproc.h"

using namespace shelltest;

namespace {

const MenuItems kSplitFile = {{200, L"&Ref"}, {0, L""}, {210, L"E&xit"}};
const MenuItems kMergeFile = {{202, L"Ref&1"}, {204, L"Ref&2"}, {0, L""}, {210, L"E&xit"}};
const MenuItems kHelp = {{240, L"&Help"}, {0, L""}, {250, L"&About Tavrin"}};

void CheckSplitMenus(HWND main, const wchar_t* execute) {
  ST_CHECK_EQ(Popup(main, 0), kSplitFile);
  ST_CHECK_EQ(Popup(main, 1), (MenuItems{{220, execute}}));
  ST_CHECK_EQ(Popup(main, 2), (MenuItems{{230, L"&Merge Tab"}}));
  ST_CHECK_EQ(Popup(main, 3), kHelp);
}

void CheckMergeMenus(HWND main) {
  ST_CHECK_EQ(Popup(main, 0), kMergeFile);
  ST_CHECK_EQ(Popup(main, 1), (MenuItems{{220, L"&Merge"}}));
  ST_CHECK_EQ(Popup(main, 2), (MenuItems{{230, L"&Split Tab"}}));
  ST_CHECK_EQ(Popup(main, 3), kHelp);
}

std::wstring TabText(HWND tab, int index) {
  wchar_t text[64] = {};
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(tab, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
  return text;
}

}  // namespace

int main() {
  StartWatchdog(60000);
  const std::string folder = MakeDir("menus");
  InProcess app;

  Case("English, Split page: menu bar, File with 3 items, Operate and View items; tab texts; icon");
  app.Start(1, 0, folder);
  {
    HMENU bar = GetMenu(app.main);
    const MenuItems titles = ItemsOf(bar);
    ST_CHECK_EQ(titles.size(), size_t(4));
    if (titles.size() == 4) {
      ST_CHECK_EQ(titles[0].second, std::wstring(L"&File"));
      ST_CHECK_EQ(titles[1].second, std::wstring(L"&Operate"));
      ST_CHECK_EQ(titles[2].second, std::wstring(L"&View"));
      ST_CHECK_EQ(titles[3].second, std::wstring(L"&Help"));
    }
    CheckSplitMenus(app.main, L"&Split-Merge");
    ST_CHECK_EQ(TabText(app.Item(131), 0), std::wstring(L"Split"));
    ST_CHECK_EQ(TabText(app.Item(131), 1), std::wstring(L"Merge"));
    ST_CHECK(GetClassLongPtrA(app.main, GCLP_HICON) != 0);
  }

  Case("View command: Merge layout, back to Split layout, and again");
  for (int round = 0; round < 2; ++round) {
    app.Command(230);
    CheckMergeMenus(app.main);
    app.Command(230);
    CheckSplitMenus(app.main, L"&Split-Merge");
  }

  Case("ShowTab twice for one page changes nothing; another page number yields 1");
  {
    ST_CHECK_EQ(ShowTab(app.main, 1), 0);
    ST_CHECK_EQ(ShowTab(app.main, 1), 0);
    CheckMergeMenus(app.main);
    ST_CHECK_EQ(ShowTab(app.main, 2), 1);
    CheckMergeMenus(app.main);
    ST_CHECK_EQ(ShowTab(app.main, 0), 0);
    ST_CHECK_EQ(ShowTab(app.main, 0), 0);
    CheckSplitMenus(app.main, L"&Split-Merge");
  }

  Case("the Split-Merge box rewrites the Operate item");
  {
    SendMessageA(app.Item(120), BM_CLICK, 0, 0);
    CheckSplitMenus(app.main, L"&Split");
    ST_CHECK_EQ(app.ItemText(122), std::wstring(L"Split"));
    SendMessageA(app.Item(120), BM_CLICK, 0, 0);
    CheckSplitMenus(app.main, L"&Split-Merge");
  }

  Case("a tab change by the user: TCN_SELCHANGE returns 1 and shows the page; other notifications 0");
  {
    HWND tab = app.Item(131);
    SendMessageA(tab, TCM_SETCURSEL, 1, 0);
    NMHDR header = {tab, 131, UINT(TCN_SELCHANGE)};
    // The procedure's own result, called as the dialog manager would.
    ST_CHECK_EQ(MainDialog(app.main, WM_NOTIFY, 131, reinterpret_cast<LPARAM>(&header)), INT_PTR(1));
    CheckMergeMenus(app.main);
    ST_CHECK(IsWindowVisible(app.Item(151)) != 0);
    ST_CHECK_EQ(AppShell().settings.currentTab, 1);
    NMHDR other = {tab, 131, UINT(TCN_SELCHANGING)};
    ST_CHECK_EQ(MainDialog(app.main, WM_NOTIFY, 131, reinterpret_cast<LPARAM>(&other)), INT_PTR(0));
    SendMessageA(tab, TCM_SETCURSEL, 0, 0);
    SendMessageA(app.main, WM_NOTIFY, 131, reinterpret_cast<LPARAM>(&header));
    CheckSplitMenus(app.main, L"&Split-Merge");
    ST_CHECK_EQ(MainDialog(app.main, WM_COMMAND, 230, 0), INT_PTR(0));
    ST_CHECK_EQ(MainDialog(app.main, WM_COMMAND, 230, 0), INT_PTR(0));
  }
  app.Stop();

  Case("opening on the Merge page (TabNo 1): Merge menus; Split-Merge off");
  app.Start(1, 1, folder, 0);
  CheckMergeMenus(app.main);
  app.Command(230);
  CheckSplitMenus(app.main, L"&Split");
  app.Stop();

  Case("the overlap field's start text from any stored value: 60, 12.25, 0.1, 75 -> 60, -3 -> 0");
  {
    struct Row {
      float seconds;
      const wchar_t* shown;
    } rows[] = {{60.0f, L"60"}, {12.25f, L"12.25"}, {0.1f, L"0.1"}, {75.0f, L"60"}, {-3.0f, L"0"}, {2.5f, L"2.5"}};
    for (const Row& row : rows) {
      app.Start(1, 0, folder, 0, row.seconds);
      ST_CHECK_EQ(app.ItemText(118), std::wstring(row.shown));
      app.Stop();
    }
  }
  return Summary();
}
