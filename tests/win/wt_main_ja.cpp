// The main window of the real Tavrin.exe on a Japanese system: the 34
// controls of MYDLG with their Japanese captions and widths, the captions
// that the page switch and the Split-Merge box write, the About box's title.
#include "wt_main_driver.h"
#include "wt_main_layout.h"

using namespace shelltest;

int main() {
  StartWatchdog(110000);
  const std::string folder = MakeDir("main");
  WriteBytes(folder + "\\Tavrin.ini", "TabNo=0\r\n");
  App app = Launch("", folder);

  Case("MYDLG: 34 controls in order with classes, styles, places, Japanese captions");
  ST_CHECK_EQ(TextW(app.main), std::wstring(L"Tavrin"));
  CheckLayout(app, true);

  Case("execute button captions in Japanese");
  {
    ST_CHECK_EQ(app.ItemText(122), std::wstring(L"\u5206\u89E3"));  // 分解
    app.Click(120);
    app.Sync();
    ST_CHECK_EQ(app.ItemText(122), std::wstring(L"\u5206\u89E3-\u7D50\u5408"));  // 分解-結合
    app.Command(230);
    app.Sync();
    ST_CHECK_EQ(app.ItemText(122), std::wstring(L"\u7D50\u5408"));  // 結合
    app.Command(230);
    app.Sync();
    ST_CHECK_EQ(app.ItemText(122), std::wstring(L"\u5206\u89E3-\u7D50\u5408"));
  }
  Case("the About box's Japanese title; it closes by its OK command");
  {
    app.PostCommand(250);
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindOf(app.pid(), 2, app.main)) != nullptr; });
    ST_CHECK(box != nullptr);
    ST_CHECK_EQ(TextW(box), std::wstring(L"Tavrin\u306B\u3064\u3044\u3066"));  // Tavrinについて
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ST_CHECK(WaitUntil([&] { return !IsWindow(box); }));
  }
  CloseApp(app);
  return Summary();
}
