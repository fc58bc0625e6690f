// The main window of the real Tavrin.exe on a Japanese system: the 34
// controls of MYDLG with their Japanese captions and widths, and the
// captions that the page switch and the Split-Merge box write.
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
  CloseApp(app);
  return Summary();
}
