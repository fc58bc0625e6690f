// Start-up, driving the real Tavrin.exe: the system's language chooses the
// window's, the language switch at the very start of the command line, a
// file name after it in the Split tab, the settings file and plug-in beside
// the program whatever the current directory (also a drive root), the
// settings in %APPDATA%\Tavrin when the program's folder cannot take them,
// and a window (and one message) when no settings file can be made.
// Runs in English and Japanese.
#include <tlhelp32.h>

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
    if (language == kJapanese) WT_CHECK_EQ(app.ItemText(IDC_EXIT), std::wstring(L"\u7D42\u4E86"));
    CloseApp(app);
  }
  app.Kill();
  return language;
}

// The text of a tab of the main window's tab control, read through a buffer
// in the program's memory (the control answers TCM_GETITEMW with pointers of its own process).
std::wstring TabText(const App& app, int index) {
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, app.pid());
  if (!process) return L"<no process>";
  constexpr int kChars = 64;
  char* remote = static_cast<char*>(
      VirtualAllocEx(process, nullptr, sizeof(TCITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(TCITEMW));
  item.cchTextMax = kChars;
  wchar_t text[kChars] = L"";
  WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
  if (SendMessageW(app.Item(IDC_TABS), TCM_GETITEMW, index, reinterpret_cast<LPARAM>(remote)))
    ReadProcessMemory(process, remote + sizeof(TCITEMW), text, sizeof text, nullptr);
  text[kChars - 1] = 0;
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return text;
}

// The RT_MANIFEST resource 1 of a program file, or "".
std::string ManifestOf(const std::string& program) {
  HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return "<not loaded>";
  std::string text;
  if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
    HGLOBAL data = LoadResource(module, found);
    if (data) text.assign(static_cast<const char*>(LockResource(data)), SizeofResource(module, found));
  }
  FreeLibrary(module);
  return text;
}

// The full path of the module of that name loaded in the program, or "".
std::string ModuleOf(const App& app, const char* name) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, app.pid());
  if (snapshot == INVALID_HANDLE_VALUE) return "<no snapshot>";
  MODULEENTRY32 module = {};
  module.dwSize = sizeof module;
  std::string found;
  for (BOOL more = Module32First(snapshot, &module); more && found.empty(); more = Module32Next(snapshot, &module))
    if (lstrcmpiA(module.szModule, name) == 0) found = module.szExePath;
  CloseHandle(snapshot);
  return found;
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

  if (Case("/jp on an English code page: labels, tabs, button and title read back as UTF-16", kEnglishOnly)) {
    App app = Launch("/jp", folder);
    WT_CHECK_EQ(TextW(app.main), std::wstring(L"Tavrin"));
    // From the template (resources/main_dialog.rc) and from the program's texts (ui/shell_texts.h).
    WT_CHECK_EQ(app.ItemText(IDC_SRC_LABEL), std::wstring(L"\u5206\u89E3\u5143\u30D5\u30A1\u30A4\u30EB"));
    WT_CHECK_EQ(app.ItemText(IDC_SPLIT_MERGE),
                std::wstring(L"\u5206\u89E3\u5F8C\u3001\u7D50\u5408\u3082\u884C\u3046\uFF08\u78BA\u8A8D\u7528\uFF09"));
    WT_CHECK_EQ(app.ItemText(IDC_EXECUTE), app.Checked(IDC_SPLIT_MERGE) ? std::wstring(L"\u5206\u89E3-\u7D50\u5408")
                                                                         : std::wstring(L"\u5206\u89E3"));
    WT_CHECK_EQ(TabText(app, 0), std::wstring(L"\u5206\u89E3"));                     // 分解
    WT_CHECK_EQ(TabText(app, 1), std::wstring(L"\u7D50\u5408"));                     // 結合
    app.Command(IDM_SWITCH_TAB);
    WT_CHECK_EQ(app.ItemText(IDC_EXECUTE), std::wstring(L"\u7D50\u5408"));
    CloseApp(app);
  }

  if (Case("the program carries its manifest: Common Controls 6, per-monitor DPI awareness", kEnglishOnly)) {
    const std::string manifest = ManifestOf(TavrinExe());
    WT_CHECK(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"") != std::string::npos);
    WT_CHECK(manifest.find(">true/pm</dpiAware>") != std::string::npos);
    WT_CHECK(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>") != std::string::npos);
  }

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

  if (Case("the program in a drive root: C:\\Tavrin.ini, no doubled backslash", kEnglishOnly)) {
    DeleteFileA("C:\\Tavrin.ini");
    App app = Launch("", "C:\\");
    WT_CHECK_EQ(ReadBytes("C:\\Tavrin.ini"),
                std::string("Position=\r\nOrgFolder=\r\nTabNo=0\r\nCreateFileN=1\r\nOverLapS=0\r\n"));
    CloseApp(app);
    const std::string saved = ReadBytes("C:\\Tavrin.ini");
    WT_CHECK(saved.find("\r\nOrgFolder=C:\\\r\n") != std::string::npos);
    DeleteFileA("C:\\Tavrin.ini");
  }

  if (Case("started with a file from the video's folder: settings and plug-in from the program's folder")) {
    const std::string program = MakeDir("program");
    const std::string videos = MakeDir("videos");
    WriteBytes(program + "\\Tavrin.ini", "OverLapS=7\r\n");
    WT_CHECK(CopyFileA(Env("TAVRIN_PLUGIN").c_str(), (program + "\\TavrinD.dll").c_str(), FALSE));
    WriteBytes(videos + "\\TavrinD.dll", "not a library\n");  // would fail to load, were it taken
    const std::string clip = videos + "\\clip.avi";
    WriteBytes(clip, "RIFF");
    App app = LaunchProgram(ProgramIn(program), "\"" + clip + "\"", videos);
    WT_CHECK_EQ(app.ItemText(IDC_SRC_FILE), std::wstring(clip.begin(), clip.end()));
    WT_CHECK_EQ(app.ItemText(IDC_OVERLAP), std::wstring(L"7"));
    WT_CHECK_EQ(ModuleOf(app, "TavrinD.dll"), program + "\\TavrinD.dll");
    WT_CHECK(StaysQuiet(app, 500));
    CloseApp(app);
    WT_CHECK_EQ(FilesIn(videos), std::string("TavrinD.dll clip.avi"));  // nothing written among the videos
    WT_CHECK(ReadBytes(program + "\\Tavrin.ini").find("\r\nOverLapS=7\r\n") != std::string::npos);
  }

  if (Case("started from a folder where nothing can be written: the window opens, no message", kEnglishOnly)) {
    const std::string program = MakeDir("program2");
    const std::string blocked = MakeDir("blocked");
    // A folder of that name: no Tavrin.ini can be read or made there.
    CreateDirectoryA((blocked + "\\Tavrin.ini").c_str(), nullptr);
    App app = LaunchProgram(ProgramIn(program), "", blocked);
    WT_CHECK(app.main != nullptr);
    WT_CHECK(StaysQuiet(app, 1000));
    CloseApp(app);
    WT_CHECK(ReadBytes(program + "\\Tavrin.ini").find("Position=") == 0);
  }

  // The user's application data folder of these cases is the test's own.
  const std::string appData = MakeDir("appdata");
  const std::string systemAppData = Env("APPDATA");
  SetEnvironmentVariableA("APPDATA", appData.c_str());

  if (Case("the program's folder cannot be written: settings in %APPDATA%\\Tavrin, read from there next time",
           kEnglishOnly)) {
    const std::string program = MakeDir("readonly");
    CreateDirectoryA((program + "\\Tavrin.ini").c_str(), nullptr);
    App app = Launch("", program);
    WT_CHECK(StaysQuiet(app, 1000));
    app.SetItemText(IDC_OVERLAP, "12");
    CloseApp(app);
    const std::string saved = ReadBytes(appData + "\\Tavrin\\Tavrin.ini");
    WT_CHECK(saved.find("\r\nOverLapS=12\r\n") != std::string::npos);
    App again = Launch("", program);
    WT_CHECK_EQ(again.ItemText(IDC_OVERLAP), std::wstring(L"12"));
    CloseApp(again);
  }

  if (Case("no settings file can be written anywhere: the window opens and says so once")) {
    const std::string program = MakeDir("nowhere");
    CreateDirectoryA((program + "\\Tavrin.ini").c_str(), nullptr);
    const std::string noAppData = MakeDir("noappdata");
    WriteBytes(noAppData + "\\Tavrin", "a file where the folder would go\n");
    SetEnvironmentVariableA("APPDATA", noAppData.c_str());
    // The other language than the system's: the box reads right either way.
    App app = Launch(Japanese() ? "/us" : "/jp", program);
    WT_CHECK(app.main != nullptr);
    const std::wstring text = AnswerMessageBox(app.main);
    const std::wstring expected = Lang(L"\u8A2D\u5B9A\u3092\u4FDD\u5B58\u3067\u304D\u307E\u305B\u3093",  // 設定を保存できません
                                       L"The settings cannot be saved: Tavrin cannot write\n");
    WT_CHECK_EQ(text.substr(0, expected.size()), expected);
    WT_CHECK(text.find(std::wstring(program.begin(), program.end()) + L"\\Tavrin.ini") != std::wstring::npos);
    WT_CHECK(StaysQuiet(app, 1000));
    CloseApp(app);
    WT_CHECK(!FileExists(noAppData + "\\Tavrin\\Tavrin.ini"));
  }
  SetEnvironmentVariableA("APPDATA", systemAppData.empty() ? nullptr : systemAppData.c_str());
  return Summary();
}
