// Names outside the system code page, end to end through Tavrin.exe: started
// in a folder whose name the code page cannot hold (settings file, OrgFolder),
// it splits a file named so from the Split page and merges the parts from the
// Merge page; the settings file keeps OrgFolder so that it comes back exactly.
// A name longer than 259 characters splits too. The names mix Japanese,
// Korean, accents and a character beyond 16 bits, so that neither code page
// of the run (1252 in English, 932 in Japanese) holds them.
// Runs in English and Japanese.
#include "tests/win/lib/app.h"

using namespace wt;

namespace {

const std::wstring kFolder = L"Vid\u00e9os \u52d5\u753b \ud55c\uad6d \U0001F3AC";      // Vidéos 動画 한국 🎬
const std::wstring kClip = L"caf\u00e9 \u65e5\u672c \ud55c\uad6d\uc5b4 \U0001F600";  // café 日本 한국어 😀

bool StartsWith(const std::wstring& text, const std::wstring& start) { return text.rfind(start, 0) == 0; }

std::wstring Wide(const std::string& text) {
  std::wstring out(text.size() + 1, L'\0');
  out.resize(size_t(MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &out[0], int(out.size()))) - 1);
  return out;
}

std::string Utf8(const std::wstring& text) {
  std::string out(text.size() * 4 + 1, '\0');
  out.resize(size_t(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], int(out.size()), nullptr, nullptr)) -
             1);
  return out;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void SetText(const App& app, int id, const std::wstring& text) {
  SendMessageW(app.Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Tavrin.exe started from folder (a link to the built one there, so that
// its settings file is folder's too), folder its current directory.
App LaunchIn(const std::wstring& folder) {
  App app;
  const std::string exe = TavrinExe();
  const std::string built = exe.substr(0, exe.find_last_of('\\') + 1);
  auto linkInto = [&](const std::string& name) {
    const std::wstring to = folder + L"\\" + Wide(name);
    if (GetFileAttributesW(to.c_str()) == INVALID_FILE_ATTRIBUTES &&
        !CreateHardLinkW(to.c_str(), Wide(built + name).c_str(), nullptr))
      CopyFileW(Wide(built + name).c_str(), to.c_str(), TRUE);
  };
  linkInto("Tavrin.exe");
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((built + "*.dll").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (IsFfmpegDll(entry.cFileName)) linkInto(entry.cFileName);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  const std::wstring program = folder + L"\\Tavrin.exe";
  std::wstring line = L"\"" + program + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (!Check(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                            &app.process) != 0,
             "Tavrin.exe starts in the folder", __FILE__, __LINE__))
    return app;
  WaitUntil([&] { return (app.main = FindOf(app.pid(), Kind::MainWindow)) != nullptr || !app.Running(); }, 20000);
  Check(app.main != nullptr, "the main window appears", __FILE__, __LINE__);
  if (app.main) app.Sync();
  return app;
}

std::wstring RunJob(const App& app, const std::wstring& title) {
  app.PostCommand(IDC_EXECUTE);
  HWND progress = WaitForProgress(app, title, 30000);
  if (!WT_CHECK(progress != nullptr)) return std::wstring();
  const std::wstring text = AnswerMessageBox(progress, 60000);
  WT_CHECK(JobEnded(app, progress));
  return text;
}

std::string SettingsLine(const std::wstring& folder, const std::string& key) {
  std::FILE* f = _wfopen((folder + L"\\Tavrin.ini").c_str(), L"rb");
  if (!f) return "<no file>";
  std::string content;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) content.append(buffer, n);
  std::fclose(f);
  const size_t at = content.find(key);
  if (at == std::string::npos) return "<no " + key + ">";
  return content.substr(at + key.size(), content.find_first_of("\r\n", at) - at - key.size());
}

}  // namespace

int main() {
  if (!Begin(170000)) return Summary();
  const std::wstring folder = Wide(MakeDir("names")) + L"\\" + kFolder;
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring clip = folder + L"\\" + kClip + L".avi";
  const std::wstring stem = folder + L"\\" + kClip;
  CopyFileW(Wide(CopySample("ffmpeg_mpeg4_pcm_g12.avi", "names.avi")).c_str(), clip.c_str(), FALSE);
  App app = LaunchIn(folder);

  Case("split a file the code page cannot name, from the Split page");
  {
    app.Command(IDC_CREATE_BOTH);
    app.Click(IDC_CREATE_BOTH);
    SetText(app, IDC_SRC_FILE, clip);
    app.SetItemText(IDC_HOURS, "0");
    app.SetItemText(IDC_MINUTES, "0");
    app.SetItemText(IDC_SECONDS, "10");
    app.SetItemText(IDC_OVERLAP, "2");
    if (app.Checked(IDC_SPLIT_MERGE)) app.Click(IDC_SPLIT_MERGE);
    const std::wstring text = RunJob(app, SplitTitle());
    Check(StartsWith(text, Lang(L"Completed\n\n", L"\u64CD\u4F5C\u5B8C\u4E86\n\n")), "Completed: " + Show(text),
          __FILE__, __LINE__);
    WT_CHECK(Exists(stem + L"-1.avi"));
    WT_CHECK(Exists(stem + L"-2.avi"));
    WT_CHECK(Exists(clip));
  }

  Case("merge the two parts from the Merge page");
  {
    app.Command(IDM_SWITCH_TAB);
    SetText(app, IDC_MERGE_FILE1, stem + L"-1.avi");
    SetText(app, IDC_MERGE_FILE2, stem + L"-2.avi");
    const std::wstring text = RunJob(app, MergeTitle());
    Check(StartsWith(text, Lang(L"Merge O.K.\n\n", L"\u7D50\u5408\u53EF\u80FD\n\n")) ||
              StartsWith(text, Lang(L"Completed", L"\u64CD\u4F5C\u5B8C\u4E86")),
          "merge summary: " + Show(text), __FILE__, __LINE__);
    WT_CHECK_EQ(app.ItemText(IDC_MERGE_FILE1), stem + L"-1.avi");
    app.Command(IDM_SWITCH_TAB);
  }

  if (Case("a name longer than 259 characters splits as well", kEnglishOnly)) {
    std::wstring deep = folder;
    for (int i = 0; deep.size() < 300; ++i) {
      deep += L"\\" + std::wstring(60, wchar_t(L'a' + i)) + L"\u00e9";
      CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr);
    }
    const std::wstring longClip = deep + L"\\" + kClip + L".avi";
    WT_CHECK(CopyFileW(clip.c_str(), (L"\\\\?\\" + longClip).c_str(), FALSE) != 0);
    SetText(app, IDC_SRC_FILE, longClip);
    const std::wstring text = RunJob(app, SplitTitle());
    Check(StartsWith(text, L"Completed\n\n"), "Completed: " + Show(text), __FILE__, __LINE__);
    WT_CHECK(Exists(L"\\\\?\\" + deep + L"\\" + kClip + L"-1.avi"));
    WT_CHECK(Exists(L"\\\\?\\" + deep + L"\\" + kClip + L"-2.avi"));
  }

  Case("closing saves OrgFolder; its UTF-8 line brings the folder back exactly");
  {
    CloseApp(app);
    WT_CHECK(Exists(folder + L"\\Tavrin.ini"));
    const std::string line = SettingsLine(folder, "OrgFolderUTF8=");
    WT_CHECK_EQ(line, Utf8(folder));
    // A second run reads it back and writes the same folder again.
    App again = LaunchIn(folder);
    CloseApp(again);
    WT_CHECK_EQ(SettingsLine(folder, "OrgFolderUTF8="), Utf8(folder));
  }
  return Summary();
}
