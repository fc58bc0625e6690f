// The main window's menus, tab texts and dialog-procedure results (seen from
// inside the process, as menus cannot be read from another one): the File,
// Operate and View items after each page change and after switching twice;
// the overlap field's start text for values no settings file can hold. The
// Operate menu keeps the tools (join, pieces, cut, streams, repair) after the page's item.
// Runs in English and Japanese.
#include "tests/win/lib/inproc.h"

using namespace wt;

namespace {

const MenuItems kSplitFile = Lang(MenuItems{{IDM_REF, L"&Ref"}, {0, L""}, {IDM_EXIT, L"E&xit"}},
                                  MenuItems{{IDM_REF, L"\u53C2\u7167(&R)"}, {0, L""}, {IDM_EXIT, L"\u7D42\u4E86(&X)"}});
const MenuItems kMergeFile = Lang(MenuItems{{IDM_REF1, L"Ref&1"}, {IDM_REF2, L"Ref&2"}, {0, L""}, {IDM_EXIT, L"E&xit"}},
                                  MenuItems{{IDM_REF1, L"\u53C2\u7167\uFF11(&1)"},
                                            {IDM_REF2, L"\u53C2\u7167\uFF12(&2)"},
                                            {0, L""},
                                            {IDM_EXIT, L"\u7D42\u4E86(&X)"}});
const MenuItems kHelp = Lang(
    MenuItems{{IDM_HELP, L"&Help"}, {0, L""}, {IDM_ABOUT, L"&About Tavrin"}},
    MenuItems{{IDM_HELP, L"\u30D8\u30EB\u30D7(&H)"}, {0, L""}, {IDM_ABOUT, L"Tavrin\u306B\u3064\u3044\u3066(&A)"}});
const std::wstring kSplitMergeItem = Lang(L"&Split-Merge", L"\u5206\u89E3-\u7D50\u5408(&S)");
const std::wstring kSplitItem = Lang(L"&Split", L"\u5206\u89E3(&S)");

// The Operate menu: the page's execute item and the preview, then the tools, on both pages.
MenuItems Operate(const std::wstring& execute) {
  return {{IDM_EXECUTE, execute},
          {IDM_PREVIEW, Lang(L"Pre&view...", L"\u30D7\u30EC\u30D3\u30E5\u30FC(&V)...")},
          {0, L""},
          {IDM_JOIN, Lang(L"&Join Files...", L"\u30D5\u30A1\u30A4\u30EB\u306E\u9023\u7D50(&J)...")},
          {IDM_PIECES, Lang(L"Split into &Pieces...", L"\u8907\u6570\u306B\u5206\u89E3(&P)...")},
          {IDM_CUT, Lang(L"&Cut...", L"\u30AB\u30C3\u30C8(&C)...")},
          {IDM_STREAMS, Lang(L"S&treams...", L"\u30B9\u30C8\u30EA\u30FC\u30E0(&T)...")},
          {IDM_REPAIR, Lang(L"&Repair...", L"\u4FEE\u5FA9(&R)...")},
          {IDM_BATCH, Lang(L"&Batch...", L"\u4E00\u62EC\u51E6\u7406(&B)...")}};
}

void CheckSplitMenus(HWND main, const std::wstring& execute) {
  WT_CHECK_EQ(Popup(main, 0), kSplitFile);
  WT_CHECK_EQ(Popup(main, 1), Operate(execute));
  WT_CHECK_EQ(Popup(main, 2), (MenuItems{{IDM_SWITCH_TAB, Lang(L"&Merge Tab", L"\u7D50\u5408\u30BF\u30D6(&M)")}}));
  WT_CHECK_EQ(Popup(main, 3), kHelp);
}

void CheckMergeMenus(HWND main) {
  WT_CHECK_EQ(Popup(main, 0), kMergeFile);
  WT_CHECK_EQ(Popup(main, 1), Operate(Lang(L"&Merge", L"\u7D50\u5408(&M)")));
  WT_CHECK_EQ(Popup(main, 2), (MenuItems{{IDM_SWITCH_TAB, Lang(L"&Split Tab", L"\u5206\u89E3\u30BF\u30D6(&S)")}}));
  WT_CHECK_EQ(Popup(main, 3), kHelp);
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
  if (!Begin(60000)) return Summary();
  const std::string folder = MakeDir("menus");
  InProcess app;

  Case("Split page: menu bar, File with 3 items, Operate and View items; tab texts; icon");
  app.Start(0, folder);
  {
    const MenuItems titles = ItemsOf(GetMenu(app.main));
    WT_CHECK_EQ(titles.size(), size_t(4));
    if (titles.size() == 4) {
      WT_CHECK_EQ(titles[0].second, Lang(L"&File", L"\u30D5\u30A1\u30A4\u30EB(&F)"));
      WT_CHECK_EQ(titles[1].second, Lang(L"&Operate", L"\u64CD\u4F5C(&O)"));
      WT_CHECK_EQ(titles[2].second, Lang(L"&View", L"\u8868\u793A(&V)"));
      WT_CHECK_EQ(titles[3].second, Lang(L"&Help", L"\u30D8\u30EB\u30D7(&H)"));
    }
    CheckSplitMenus(app.main, kSplitMergeItem);
    WT_CHECK_EQ(TabText(app.Item(IDC_TABS), 0), Lang(L"Split", L"\u5206\u89E3"));
    WT_CHECK_EQ(TabText(app.Item(IDC_TABS), 1), Lang(L"Merge", L"\u7D50\u5408"));
    WT_CHECK(GetClassLongPtrA(app.main, GCLP_HICON) != 0);
  }

  Case("View command: Merge layout, back to Split layout, and again");
  for (int round = 0; round < 2; ++round) {
    app.Command(IDM_SWITCH_TAB);
    CheckMergeMenus(app.main);
    app.Command(IDM_SWITCH_TAB);
    CheckSplitMenus(app.main, kSplitMergeItem);
  }

  Case("the Split-Merge box rewrites the Operate item");
  {
    SendMessageA(app.Item(IDC_SPLIT_MERGE), BM_CLICK, 0, 0);
    CheckSplitMenus(app.main, kSplitItem);
    WT_CHECK_EQ(app.ItemText(IDC_EXECUTE), Lang(L"Split", L"\u5206\u89E3"));
    SendMessageA(app.Item(IDC_SPLIT_MERGE), BM_CLICK, 0, 0);
    CheckSplitMenus(app.main, kSplitMergeItem);
  }

  if (Case("ShowTab twice for one page changes nothing; another page number yields 1", kEnglishOnly)) {
    WT_CHECK_EQ(ShowTab(app.main, 1), 0);
    WT_CHECK_EQ(ShowTab(app.main, 1), 0);
    CheckMergeMenus(app.main);
    WT_CHECK_EQ(ShowTab(app.main, 2), 1);
    CheckMergeMenus(app.main);
    WT_CHECK_EQ(ShowTab(app.main, 0), 0);
    WT_CHECK_EQ(ShowTab(app.main, 0), 0);
    CheckSplitMenus(app.main, kSplitMergeItem);
  }

  if (Case("a tab change by the user: TCN_SELCHANGE returns 1 and shows the page; other notifications 0",
           kEnglishOnly)) {
    HWND tab = app.Item(IDC_TABS);
    SendMessageA(tab, TCM_SETCURSEL, 1, 0);
    NMHDR header = {tab, IDC_TABS, UINT(TCN_SELCHANGE)};
    // The procedure's own result, called as the dialog manager would.
    WT_CHECK_EQ(MainDialog(app.main, WM_NOTIFY, IDC_TABS, reinterpret_cast<LPARAM>(&header)), INT_PTR(1));
    CheckMergeMenus(app.main);
    WT_CHECK(IsWindowVisible(app.Item(IDC_MERGE_FILE1)) != 0);
    WT_CHECK_EQ(AppShell().settings.currentTab, 1);
    NMHDR other = {tab, IDC_TABS, UINT(TCN_SELCHANGING)};
    WT_CHECK_EQ(MainDialog(app.main, WM_NOTIFY, IDC_TABS, reinterpret_cast<LPARAM>(&other)), INT_PTR(0));
    SendMessageA(tab, TCM_SETCURSEL, 0, 0);
    SendMessageA(app.main, WM_NOTIFY, IDC_TABS, reinterpret_cast<LPARAM>(&header));
    CheckSplitMenus(app.main, kSplitMergeItem);
    WT_CHECK_EQ(MainDialog(app.main, WM_COMMAND, IDM_SWITCH_TAB, 0), INT_PTR(0));
    WT_CHECK_EQ(MainDialog(app.main, WM_COMMAND, IDM_SWITCH_TAB, 0), INT_PTR(0));
  }
  app.Stop();

  if (Case("opening on the Merge page (TabNo 1): Merge menus; Split-Merge off", kEnglishOnly)) {
    app.Start(1, folder, 0);
    CheckMergeMenus(app.main);
    app.Command(IDM_SWITCH_TAB);
    CheckSplitMenus(app.main, kSplitItem);
    app.Stop();
  }

  if (Case("the overlap field's start text from any stored value: 60, 12.25, 0.1, 75 -> 60, -3 -> 0", kEnglishOnly)) {
    struct Row {
      float seconds;
      const wchar_t* shown;
    } rows[] = {{60.0f, L"60"}, {12.25f, L"12.25"}, {0.1f, L"0.1"}, {75.0f, L"60"}, {-3.0f, L"0"}, {2.5f, L"2.5"}};
    for (const Row& row : rows) {
      app.Start(0, folder, 0, row.seconds);
      WT_CHECK_EQ(app.ItemText(IDC_OVERLAP), std::wstring(row.shown));
      app.Stop();
    }
  }
  return Summary();
}
