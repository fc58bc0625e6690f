// Start-up on an English system, driving the real Tavrin.exe: the language
// switch at the very start of the command line, a file name after it
// ignored, the settings file in the start folder (also a drive root), and
// the exit code when no settings file can be made.
#include "wt_main_driver.h"

using namespace shelltest;

namespace {

// On a system whose code page is not 932 the Japanese captions cannot be read
// back as text; the templates differ in layout too: the "sec" label (109) is
// 12 dialog units wide in MYDLGE and 29 in MYDLG, the "hr" label (105) 21 in both.
const std::string kEnglish = "English";
const std::string kJapanese = "Japanese";

std::string TemplateOf(const App& app) {
  RECT hr, sec;
  GetWindowRect(app.Item(105), &hr);
  GetWindowRect(app.Item(109), &sec);
  return sec.right - sec.left > hr.right - hr.left ? kJapanese : kEnglish;
}

std::string LanguageWith(const std::string& arguments, const std::string& folder) {
  App app = Launch(arguments, folder);
  std::string language = app.main ? TemplateOf(app) : "<no window>";
  if (app.main) {
    ST_CHECK_EQ(TextW(app.main), std::wstring(L"Tavrin"));
    if (language == kEnglish) ST_CHECK_EQ(app.ItemText(123), std::wstring(L"Exit"));
    CloseApp(app);
  }
  app.Kill();
  return language;
}

}  // namespace

int main() {
  StartWatchdog(110000);
  const std::string folder = MakeDir("start");

  Case("system language English: English window");
  {
    App app = Launch("", folder);
    ST_CHECK_EQ(TemplateOf(app), kEnglish);
    ST_CHECK_EQ(app.ItemText(123), std::wstring(L"Exit"));
    ST_CHECK_EQ(app.ItemText(100), std::wstring(L"File"));
    ST_CHECK_EQ(app.ItemText(124), std::wstring(L"(You can drag AVI file)"));
    CloseApp(app);
  }

  Case("/JP and /jp switch to Japanese, /us stays English");
  ST_CHECK_EQ(LanguageWith("/JP", folder), kJapanese);
  ST_CHECK_EQ(LanguageWith("/jp", folder), kJapanese);
  ST_CHECK_EQ(LanguageWith("/jP", folder), kJapanese);
  ST_CHECK_EQ(LanguageWith("/us", folder), kEnglish);

  Case("the switch needs no blank after it");
  ST_CHECK_EQ(LanguageWith("/jpX", folder), kJapanese);

  Case("a switch that does not stand first is not recognised");
  ST_CHECK_EQ(LanguageWith("clip.avi /jp", folder), kEnglish);
  ST_CHECK_EQ(LanguageWith("-/jp", folder), kEnglish);

  Case("a file name after the switch fills no field");
  {
    const std::string clip = folder + "\\clip.avi";
    WriteBytes(clip, "RIFF");
    App app = Launch("/us " + clip, folder);
    ST_CHECK_EQ(TemplateOf(app), kEnglish);
    ST_CHECK_EQ(app.ItemText(101), std::wstring());
    ST_CHECK_EQ(app.ItemText(151), std::wstring());
    ST_CHECK_EQ(app.ItemText(154), std::wstring());
    CloseApp(app);
  }

  Case("the settings file lives in the start folder, not beside the program");
  {
    const std::string other = MakeDir("elsewhere");
    App app = Launch("", other);
    ST_CHECK(FileExists(other + "\\Tavrin.ini"));
    CloseApp(app);
  }

  Case("started in a drive root: C:\\Tavrin.ini, no doubled backslash");
  {
    DeleteFileA("C:\\Tavrin.ini");
    App app = Launch("", "C:\\");
    ST_CHECK_EQ(ReadBytes("C:\\Tavrin.ini"),
                std::string("Position=\r\nOrgFolder=\r\nTabNo=0\r\nCreateFileN=1\r\nOverLapS=0\r\n"));
    CloseApp(app);
    const std::string saved = ReadBytes("C:\\Tavrin.ini");
    ST_CHECK(saved.find("\r\nOrgFolder=C:\\\r\n") != std::string::npos);
    DeleteFileA("C:\\Tavrin.ini");
  }

  Case("no settings file and none can be made: exit code 1, no window");
  {
    const std::string blocked = MakeDir("blocked");
    // A folder of that name: the file can neither be read nor created.
    CreateDirectoryA((blocked + "\\Tavrin.ini").c_str(), nullptr);
    App app = Launch("", blocked, false);
    ST_CHECK_EQ(app.WaitExit(15000), 1L);
    ST_CHECK(FindOf(app.pid(), 0) == nullptr);
    app.Kill();
  }
  return Summary();
}
