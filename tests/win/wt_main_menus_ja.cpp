// The Japanese menus (IDM_FORM_MENU) and tab texts, and the items that the
// page change rewrites, read inside the process on a code page 932 system.
#include "wt_main_inproc.h"

using namespace shelltest;

namespace {

const MenuItems kSplitFile = {{200, L"\u53C2\u7167(&R)"}, {0, L""}, {210, L"\u7D42\u4E86(&X)"}};
const MenuItems kMergeFile = {
    {202, L"\u53C2\u7167\uFF11(&1)"}, {204, L"\u53C2\u7167\uFF12(&2)"}, {0, L""}, {210, L"\u7D42\u4E86(&X)"}};
const MenuItems kHelp = {{240, L"\u30D8\u30EB\u30D7(&H)"}, {0, L""}, {250, L"Tavrin\u306B\u3064\u3044\u3066(&A)"}};

}  // namespace

int main() {
  StartWatchdog(60000);
  InProcess app;
  app.Start(0, 0, MakeDir("menus"));

  Case("Japanese menu bar and Split page items");
  {
    const MenuItems titles = ItemsOf(GetMenu(app.main));
    ST_CHECK_EQ(titles.size(), size_t(4));
    if (titles.size() == 4) {
      ST_CHECK_EQ(titles[0].second, std::wstring(L"\u30D5\u30A1\u30A4\u30EB(&F)"));
      ST_CHECK_EQ(titles[1].second, std::wstring(L"\u64CD\u4F5C(&O)"));
      ST_CHECK_EQ(titles[2].second, std::wstring(L"\u8868\u793A(&V)"));
      ST_CHECK_EQ(titles[3].second, std::wstring(L"\u30D8\u30EB\u30D7(&H)"));
    }
    ST_CHECK_EQ(Popup(app.main, 0), kSplitFile);
    ST_CHECK_EQ(Popup(app.main, 1), (MenuItems{{220, L"\u5206\u89E3-\u7D50\u5408(&S)"}}));
    ST_CHECK_EQ(Popup(app.main, 2), (MenuItems{{230, L"\u7D50\u5408\u30BF\u30D6(&M)"}}));
    ST_CHECK_EQ(Popup(app.main, 3), kHelp);
  }

  Case("Japanese Merge page items, then back");
  {
    app.Command(230);
    ST_CHECK_EQ(Popup(app.main, 0), kMergeFile);
    ST_CHECK_EQ(Popup(app.main, 1), (MenuItems{{220, L"\u7D50\u5408(&M)"}}));
    ST_CHECK_EQ(Popup(app.main, 2), (MenuItems{{230, L"\u5206\u89E3\u30BF\u30D6(&S)"}}));
    app.Command(230);
    ST_CHECK_EQ(Popup(app.main, 0), kSplitFile);
    SendMessageA(app.Item(120), BM_CLICK, 0, 0);
    ST_CHECK_EQ(Popup(app.main, 1), (MenuItems{{220, L"\u5206\u89E3(&S)"}}));
  }

  Case("Japanese tab texts");
  {
    wchar_t text[64] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(app.Item(131), TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    ST_CHECK_EQ(std::wstring(text), std::wstring(L"\u5206\u89E3"));
    SendMessageW(app.Item(131), TCM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item));
    ST_CHECK_EQ(std::wstring(text), std::wstring(L"\u7D50\u5408"));
  }
  app.Stop();
  return Summary();
}
