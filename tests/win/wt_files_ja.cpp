// File choosing and help of the real Tavrin.exe on a Japanese system (code
// page 932): the browse dialog's Japanese title, folder names whose second
// byte is the backslash code (表 = 95 5C, ソ = 83 5C) kept whole in OrgFolder
// and in the start folder, and help opening "Help.htm" or giving its message.
#include "wt_files_browse.h"

using namespace shelltest;

namespace {

const char* kHtmlClass = "TavrinTestHtmlJa";

std::string HelpLog() { return MakeDir("help") + "\\opened.txt"; }

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
  // C:\表 and C:\表\ソ.avi, named in CP932 as the program sees them.
  const std::string hyou = "C:\\\x95\x5C";
  const std::string so = hyou + "\\\x83\x5C.avi";
  ST_CHECK(CreateDirectoryW(L"C:\\\u8868", nullptr) || FileExists(hyou));
  WriteBytes(hyou + "\\clip.avi", "RIFF");
  WriteBytes(so, "RIFF");
  WriteBytes(folder + "\\Tavrin.ini", "OrgFolder=\r\nTabNo=0\r\n");

  App app = Launch("", folder);

  Case("Japanese title of the browse dialog");
  ST_CHECK_EQ(BrowseAndChoose(app, 102, L"C:\\\u8868\\clip.avi"), std::wstring(L"\u30D5\u30A1\u30A4\u30EB\u3092\u53C2\u7167"));
  ST_CHECK_EQ(TextA(app.Item(101)), hyou + "\\clip.avi");

  Case("a field whose folder ends in a two-byte character: the dialog starts in that folder");
  {
    app.SetItemText(101, so);
    BrowseAndChoose(app, 102, L"");
    ST_CHECK_EQ(TextA(app.Item(101)), so);
  }

  Case("OrgFolder keeps the whole two-byte folder name");
  {
    CloseApp(app);
    ST_CHECK_EQ(OrgFolderSaved(folder), hyou);
    // And the next start's dialog begins there for a bare name.
    App again = Launch("", folder);
    again.SetItemText(101, "clip.avi");
    BrowseAndChoose(again, 102, L"");
    ST_CHECK_EQ(TextA(again.Item(101)), hyou + "\\clip.avi");
    CloseApp(again);
  }

  Case("help in Japanese: Help.htm even when HelpE.htm exists; the message when it is missing");
  {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, kHtmlClass, 0);
    RegSetValueA(HKEY_CLASSES_ROOT, (std::string(kHtmlClass) + "\\shell\\open\\command").c_str(), REG_SZ,
                 (std::string("\"") + self + "\" --record \"%1\"").c_str(), 0);
    const std::string helpFolder = MakeDir("helpstart");
    WriteBytes(helpFolder + "\\HelpE.htm", "<html></html>");
    WriteBytes(helpFolder + "\\Help.htm", "<html></html>");
    App help = Launch("", helpFolder);
    help.PostCommand(240);
    ST_CHECK_EQ(WaitForHelpOpened(), helpFolder + "\\Help.htm");
    ST_CHECK(StaysQuiet(help));
    DeleteFileA((helpFolder + "\\Help.htm").c_str());
    help.PostCommand(240);
    ST_CHECK_EQ(AnswerBox(help, help.main),
                std::wstring(L"\u30D8\u30EB\u30D7\u30D5\u30A1\u30A4\u30EB\u306E\u8D77\u52D5\u306B\u5931\u6557\u3057\u307E\u3057\u305F"));
    CloseApp(help);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kHtmlClass);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".htm");
  }
  DeleteFileA((hyou + "\\clip.avi").c_str());
  DeleteFileA(so.c_str());
  RemoveDirectoryW(L"C:\\\u8868");
  return Summary();
}
