// File choosing and help in the real Tavrin.exe (English): the browse dialog
// fills the field of its button or menu item, keeps OrgFolder (a drive root
// keeps its backslash) and starts there; Cancel changes nothing; help opens
// HelpE.htm, falls back to Help.htm, or says it found none.
#include "wt_files_browse.h"

using namespace shelltest;

namespace {

// .htm files open with this very program, which records the name it got.
const char* kHtmlClass = "TavrinTestHtml";

std::string HelpLog() { return MakeDir("help") + "\\opened.txt"; }

void RegisterHelpRecorder() {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string command = std::string("\"") + self + "\" --record \"%1\"";
  RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, kHtmlClass, 0);
  RegSetValueA(HKEY_CLASSES_ROOT, (std::string(kHtmlClass) + "\\shell\\open\\command").c_str(), REG_SZ,
               command.c_str(), 0);
}

void UnregisterHelpRecorder() {
  RegDeleteTreeA(HKEY_CLASSES_ROOT, kHtmlClass);
  RegDeleteTreeA(HKEY_CLASSES_ROOT, ".htm");
}

std::string WaitForHelpOpened() {
  std::string opened;
  // The recorder creates the file before it writes the name: wait for the name.
  WaitUntil([&] { return (opened = ReadBytes(HelpLog())) != "<missing>" && !opened.empty(); }, 10000);
  DeleteFileA(HelpLog().c_str());
  return opened;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--record") {
    WriteBytes(HelpLog(), argv[2]);
    return 0;
  }
  StartWatchdog(110000);
  const std::string folder = MakeDir("browse");
  const std::string videos = MakeDir("browse\\v");
  WriteBytes("C:\\clip.avi", "RIFF");
  WriteBytes(videos + "\\clip.avi", "RIFF");
  WriteBytes(videos + "\\second.avi", "RIFF");
  // OrgFolder starts as another folder that holds a clip.avi too.
  const std::string org = MakeDir("browse\\org");
  WriteBytes(org + "\\clip.avi", "RIFF");
  WriteBytes(folder + "\\Tavrin.ini", "OrgFolder=" + org + "\r\nTabNo=0\r\n");

  App app = Launch("", folder);

  Case("a field with a bare name: the dialog starts in OrgFolder, English default title");
  {
    app.SetItemText(101, "clip.avi");
    const std::wstring title = BrowseAndChoose(app, 102, L"");
    ST_CHECK(title != std::wstring(L"\u30D5\u30A1\u30A4\u30EB\u3092\u53C2\u7167"));
    ST_CHECK_EQ(TextA(app.Item(101)), org + "\\clip.avi");
    // The chosen field has the focus and all of its text selected.
    DWORD start = 0, end = 0;
    SendMessageA(app.Item(101), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    ST_CHECK_EQ(long(start), 0L);
    ST_CHECK_EQ(long(end), long(TextA(app.Item(101)).size()));
  }

  Case("choosing C:\\clip.avi makes OrgFolder C:\\ (a drive root keeps its backslash)");
  {
    BrowseAndChoose(app, 200, L"C:\\clip.avi");
    ST_CHECK_EQ(TextA(app.Item(101)), std::string("C:\\clip.avi"));
    // A bare name now resolves in C:\, the new OrgFolder.
    app.SetItemText(101, "clip.avi");
    BrowseAndChoose(app, 102, L"");
    ST_CHECK_EQ(TextA(app.Item(101)), std::string("C:\\clip.avi"));
  }

  Case("a field with a folder: the dialog starts there; OrgFolder becomes the chosen file's folder");
  {
    app.SetItemText(101, videos + "\\clip.avi");
    BrowseAndChoose(app, 102, L"second.avi");
    ST_CHECK_EQ(TextA(app.Item(101)), videos + "\\second.avi");
  }

  Case("Cancel leaves the field and OrgFolder as they were");
  {
    app.SetItemText(101, "kept.avi");
    ST_CHECK_EQ(BrowseAndCancel(app, 102), std::wstring(L"kept.avi"));
    ST_CHECK_EQ(TextA(app.Item(101)), std::string("kept.avi"));
  }

  Case("Merge page: Ref1/Ref2 buttons and menu items fill 151 and 154");
  {
    app.Command(230);
    BrowseAndChoose(app, 152, L"C:\\clip.avi");
    ST_CHECK_EQ(TextA(app.Item(151)), std::string("C:\\clip.avi"));
    BrowseAndChoose(app, 155, std::wstring(videos.begin(), videos.end()) + L"\\second.avi");
    ST_CHECK_EQ(TextA(app.Item(154)), videos + "\\second.avi");
    BrowseAndChoose(app, 202, std::wstring(videos.begin(), videos.end()) + L"\\clip.avi");
    ST_CHECK_EQ(TextA(app.Item(151)), videos + "\\clip.avi");
    BrowseAndChoose(app, 204, L"C:\\clip.avi");
    ST_CHECK_EQ(TextA(app.Item(154)), std::string("C:\\clip.avi"));
    app.Command(230);
  }

  Case("OrgFolder is saved at close (last choice C:\\clip.avi)");
  CloseApp(app);
  ST_CHECK_EQ(OrgFolderSaved(folder), std::string("C:\\"));

  Case("OrgFolder D:\\v from D:\\v\\clip.avi");
  {
    // Drive D: for this test: a folder of the scratch area.
    const std::string drive = MakeDir("ddrive");
    if (Check(MapDrive("D:", drive), "drive D: can be mapped", __FILE__, __LINE__)) {
      CreateDirectoryA("D:\\v", nullptr);
      WriteBytes("D:\\v\\clip.avi", "RIFF");
      App second = Launch("", folder);
      BrowseAndChoose(second, 102, L"D:\\v\\clip.avi");
      ST_CHECK_EQ(TextA(second.Item(101)), std::string("D:\\v\\clip.avi"));
      CloseApp(second);
      ST_CHECK_EQ(OrgFolderSaved(folder), std::string("D:\\v"));
      UnmapDrive("D:");
    }
  }

  Case("help: HelpE.htm first, then Help.htm, else a message; found in the start folder");
  {
    RegisterHelpRecorder();
    const std::string helpFolder = MakeDir("helpstart");
    WriteBytes(helpFolder + "\\HelpE.htm", "<html></html>");
    WriteBytes(helpFolder + "\\Help.htm", "<html></html>");
    WriteBytes(helpFolder + "\\Tavrin.ini", "TabNo=0\r\n");
    App help = Launch("", helpFolder);
    // The browse dialog moves the current directory; help still uses the start folder.
    BrowseAndChoose(help, 102, L"C:\\clip.avi");
    help.PostCommand(240);
    ST_CHECK_EQ(WaitForHelpOpened(), helpFolder + "\\HelpE.htm");
    ST_CHECK(StaysQuiet(help));

    DeleteFileA((helpFolder + "\\HelpE.htm").c_str());
    help.PostCommand(240);
    ST_CHECK_EQ(WaitForHelpOpened(), helpFolder + "\\Help.htm");
    ST_CHECK(StaysQuiet(help));

    DeleteFileA((helpFolder + "\\Help.htm").c_str());
    help.PostCommand(240);
    ST_CHECK_EQ(AnswerBox(help, help.main), std::wstring(L"Help File Not Found"));
    CloseApp(help);
    UnregisterHelpRecorder();
  }
  DeleteFileA("C:\\clip.avi");
  return Summary();
}
