// Start-up, driving the real Tavrin.exe: the system's language chooses the
// window's, the language switch at the very start of the command line, a
// file name after it in the Split tab, the settings file in the start folder (also a
// drive root), and the exit code when no settings file can be made.
// Runs in English and Japanese.
#include <vector>

#include "tests/win/lib/app.h"

using namespace wt;

namespace {

// Where the code page is not 932 the Japanese captions cannot be read back
// as text; the templates differ in layout too: the "sec" label is 12 dialog
// units wide in MYDLGE and 29 in MYDLG, the "hr" label 21 in both.
const std::string kEnglish = "English";
const std::string kJapanese = "Japanese";

std::string TemplateOf(const App& app) {
  RECT hr, sec;
  GetWindowRect(app.Item(IDC_HOURS_LABEL), &hr);
  GetWindowRect(app.Item(IDC_SECONDS_LABEL), &sec);
  return sec.right - sec.left > hr.right - hr.left ? kJapanese : kEnglish;
}

std::string LanguageWith(const std::string& arguments, const std::string& folder) {
  App app = Launch(arguments, folder);
  std::string language = app.main ? TemplateOf(app) : "<no window>";
  if (app.main) {
    WT_CHECK_EQ(TextW(app.main), std::wstring(L"Tavrin"));
    if (language == kEnglish) WT_CHECK_EQ(app.ItemText(IDC_EXIT), std::wstring(L"Exit"));
    if (language == kJapanese && Japanese()) WT_CHECK_EQ(app.ItemText(IDC_EXIT), std::wstring(L"\u7D42\u4E86"));
    CloseApp(app);
  }
  app.Kill();
  return language;
}

}  // namespace

int main() {
  if (!Begin(110000)) return Summary();
  const std::string folder = MakeDir("start");

  Case("the system's language gives the window's; first start: Split-Merge on");
  {
    App app = Launch("", folder);
    WT_CHECK_EQ(TemplateOf(app), Lang(kEnglish, kJapanese));
    WT_CHECK_EQ(app.ItemText(IDC_EXIT), Lang(L"Exit", L"\u7D42\u4E86"));  // 終了
    WT_CHECK_EQ(app.ItemText(IDC_SRC_LABEL), Lang(L"File", L"\u5206\u89E3\u5143\u30D5\u30A1\u30A4\u30EB"));
    WT_CHECK_EQ(app.ItemText(IDC_SRC_HINT),
                Lang(L"(You can drag AVI file)",
                     L"\uFF08\u30C9\u30E9\u30C3\u30B0\u3067\u30D5\u30A1\u30A4\u30EB\u540D\u5165\u529B\u53EF\uFF09"));
    WT_CHECK_EQ(
        app.ItemText(IDC_SPLIT_MERGE),
        Lang(L"Split-Merge", L"\u5206\u89E3\u5F8C\u3001\u7D50\u5408\u3082\u884C\u3046\uFF08\u78BA\u8A8D\u7528\uFF09"));
    WT_CHECK_EQ(app.ItemText(IDC_EXECUTE), Lang(L"Split-Merge", L"\u5206\u89E3-\u7D50\u5408"));  // 分解-結合
    CloseApp(app);
  }

  Case("/jp in any case switches to Japanese, /us in any case to English");
  {
    struct Row {
      const char* arguments;
      std::string language;
    };
    const std::vector<Row> rows =
        Japanese() ? std::vector<Row>{{"/us", kEnglish}, {"/US", kEnglish}, {"/jp", kJapanese}}
                   : std::vector<Row>{{"/JP", kJapanese}, {"/jp", kJapanese}, {"/jP", kJapanese}, {"/us", kEnglish}};
    for (const Row& row : rows) WT_CHECK_EQ(LanguageWith(row.arguments, folder), row.language);
  }

  if (Case("the switch needs no blank after it", kEnglishOnly)) WT_CHECK_EQ(LanguageWith("/jpX", folder), kJapanese);

  if (Case("a switch that does not stand first is not recognised", kEnglishOnly)) {
    WT_CHECK_EQ(LanguageWith("clip.avi /jp", folder), kEnglish);
    WT_CHECK_EQ(LanguageWith("-/jp", folder), kEnglish);
  }

  if (Case("a file name after the switch goes into the Split tab's field", kEnglishOnly)) {
    const std::string clip = folder + "\\clip.avi";
    WriteBytes(clip, "RIFF");
    App app = Launch("/us " + clip, folder);
    WT_CHECK_EQ(TemplateOf(app), kEnglish);
    WT_CHECK_EQ(app.ItemText(IDC_SRC_FILE), std::wstring(clip.begin(), clip.end()));
    WT_CHECK_EQ(app.ItemText(IDC_MERGE_FILE1), std::wstring());
    WT_CHECK_EQ(app.ItemText(IDC_MERGE_FILE2), std::wstring());
    CloseApp(app);
  }

  if (Case("the settings file lives in the start folder, not beside the program", kEnglishOnly)) {
    const std::string other = MakeDir("elsewhere");
    App app = Launch("", other);
    WT_CHECK(FileExists(other + "\\Tavrin.ini"));
    CloseApp(app);
  }

  if (Case("started in a drive root: C:\\Tavrin.ini, no doubled backslash", kEnglishOnly)) {
    DeleteFileA("C:\\Tavrin.ini");
    App app = Launch("", "C:\\");
    WT_CHECK_EQ(ReadBytes("C:\\Tavrin.ini"),
                std::string("Position=\r\nOrgFolder=\r\nTabNo=0\r\nCreateFileN=1\r\nOverLapS=0\r\n"));
    CloseApp(app);
    const std::string saved = ReadBytes("C:\\Tavrin.ini");
    WT_CHECK(saved.find("\r\nOrgFolder=C:\\\r\n") != std::string::npos);
    DeleteFileA("C:\\Tavrin.ini");
  }

  if (Case("no settings file and none can be made: exit code 1, no window", kEnglishOnly)) {
    const std::string blocked = MakeDir("blocked");
    // A folder of that name: the file can neither be read nor created.
    CreateDirectoryA((blocked + "\\Tavrin.ini").c_str(), nullptr);
    App app = Launch("", blocked, false);
    WT_CHECK_EQ(app.WaitExit(15000), 1L);
    WT_CHECK(FindOf(app.pid(), Kind::MainWindow) == nullptr);
    app.Kill();
  }
  return Summary();
}
