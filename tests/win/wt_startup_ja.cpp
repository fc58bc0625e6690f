// Start-up on a Japanese system (language 1041, code page 932), driving the
// real Tavrin.exe: Japanese by default, "/us" (any case) switches to English.
#include "wt_main_driver.h"

using namespace shelltest;

namespace {

std::wstring ExitCaptionWith(const std::string& arguments, const std::string& folder) {
  App app = Launch(arguments, folder);
  std::wstring caption = app.main ? app.ItemText(123) : L"<no window>";
  if (app.main) CloseApp(app);
  app.Kill();
  return caption;
}

}  // namespace

int main() {
  StartWatchdog(110000);
  const std::string folder = MakeDir("start");

  Case("system language Japanese: Japanese window");
  {
    App app = Launch("", folder);
    ST_CHECK_EQ(app.ItemText(123), std::wstring(L"\u7D42\u4E86"));                          // 終了
    ST_CHECK_EQ(app.ItemText(100), std::wstring(L"\u5206\u89E3\u5143\u30D5\u30A1\u30A4\u30EB"));  // 分解元ファイル
    ST_CHECK_EQ(app.ItemText(120),
                std::wstring(L"\u5206\u89E3\u5F8C\u3001\u7D50\u5408\u3082\u884C\u3046\uFF08\u78BA\u8A8D\u7528\uFF09"));
    // First start: Split-Merge is on, so the button reads 分解-結合.
    ST_CHECK_EQ(app.ItemText(122), std::wstring(L"\u5206\u89E3-\u7D50\u5408"));
    CloseApp(app);
  }

  Case("/us and /US switch to English");
  ST_CHECK_EQ(ExitCaptionWith("/us", folder), std::wstring(L"Exit"));
  ST_CHECK_EQ(ExitCaptionWith("/US", folder), std::wstring(L"Exit"));
  ST_CHECK_EQ(ExitCaptionWith("/jp", folder), std::wstring(L"\u7D42\u4E86"));
  return Summary();
}
