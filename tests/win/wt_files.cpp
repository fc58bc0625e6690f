// File choosing and help in the real Tavrin.exe: the browse dialog fills
// the field of its button or menu item, keeps OrgFolder (a drive root keeps
// its backslash; on a Japanese system a folder name whose second byte is the
// backslash code, 表 = 95 5C, ソ = 83 5C, stays whole) and starts there;
// Cancel changes nothing; help opens HelpE.htm in English, Help.htm in
// Japanese, or says it found none.
// Runs in English and Japanese.
#include "tests/win/lib/browse.h"
#include "tests/win/lib/help_recorder.h"

using namespace wt;

namespace {

// C:\表 and C:\表\ソ.avi, named in CP932 as the program sees them.
const std::string kHyou = "C:\\\x95\x5C";
const std::string kSo = kHyou + "\\\x83\x5C.avi";

// On a Japanese system: the browse dialog's title, two-byte folder names.
void TestTwoByteFolders() {
  const std::string folder = MakeDir("browse");
  WT_CHECK(CreateDirectoryW(L"C:\\\u8868", nullptr) || FileExists(kHyou));
  WriteBytes(kHyou + "\\clip.avi", "RIFF");
  WriteBytes(kSo, "RIFF");
  WriteBytes(folder + "\\Tavrin.ini", "OrgFolder=\r\nTabNo=0\r\n");
  App app = Launch("", folder);

  Case("Japanese title of the browse dialog");
  WT_CHECK_EQ(BrowseAndChoose(app, IDC_SRC_BROWSE, L"C:\\\u8868\\clip.avi"),
              std::wstring(L"\u30D5\u30A1\u30A4\u30EB\u3092\u53C2\u7167"));
  WT_CHECK_EQ(TextA(app.Item(IDC_SRC_FILE)), kHyou + "\\clip.avi");

  Case("a field whose folder ends in a two-byte character: the dialog starts in that folder");
  app.SetItemText(IDC_SRC_FILE, kSo);
  BrowseAndChoose(app, IDC_SRC_BROWSE, L"");
  WT_CHECK_EQ(TextA(app.Item(IDC_SRC_FILE)), kSo);

  Case("OrgFolder keeps the whole two-byte folder name");
  CloseApp(app);
  WT_CHECK_EQ(OrgFolderSaved(folder), kHyou);
  // And the next start's dialog begins there for a bare name.
  App again = Launch("", folder);
  again.SetItemText(IDC_SRC_FILE, "clip.avi");
  BrowseAndChoose(again, IDC_SRC_BROWSE, L"");
  WT_CHECK_EQ(TextA(again.Item(IDC_SRC_FILE)), kHyou + "\\clip.avi");
  CloseApp(again);
}

// On an English system: OrgFolder, drive roots, Cancel, the Merge page's buttons.
void TestEnglishChoices() {
  const std::string folder = MakeDir("browse");
  const std::string videos = MakeDir("browse\\v");
  WriteBytes(videos + "\\clip.avi", "RIFF");
  WriteBytes(videos + "\\second.avi", "RIFF");
  // OrgFolder starts as another folder that holds a clip.avi too.
  const std::string org = MakeDir("browse\\org");
  WriteBytes(org + "\\clip.avi", "RIFF");
  WriteBytes(folder + "\\Tavrin.ini", "OrgFolder=" + org + "\r\nTabNo=0\r\n");

  App app = Launch("", folder);

  Case("a field with a bare name: the dialog starts in OrgFolder, English default title");
  {
    app.SetItemText(IDC_SRC_FILE, "clip.avi");
    const std::wstring title = BrowseAndChoose(app, IDC_SRC_BROWSE, L"");
    WT_CHECK(title != std::wstring(L"\u30D5\u30A1\u30A4\u30EB\u3092\u53C2\u7167"));
    WT_CHECK_EQ(TextA(app.Item(IDC_SRC_FILE)), org + "\\clip.avi");
    // The chosen field has the focus and all of its text selected.
    DWORD start = 0, end = 0;
    SendMessageA(app.Item(IDC_SRC_FILE), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    WT_CHECK_EQ(long(start), 0L);
    WT_CHECK_EQ(long(end), long(TextA(app.Item(IDC_SRC_FILE)).size()));
  }

  Case("choosing C:\\clip.avi makes OrgFolder C:\\ (a drive root keeps its backslash)");
  {
    BrowseAndChoose(app, IDM_REF, L"C:\\clip.avi");
    WT_CHECK_EQ(TextA(app.Item(IDC_SRC_FILE)), std::string("C:\\clip.avi"));
    // A bare name now resolves in C:\, the new OrgFolder.
    app.SetItemText(IDC_SRC_FILE, "clip.avi");
    BrowseAndChoose(app, IDC_SRC_BROWSE, L"");
    WT_CHECK_EQ(TextA(app.Item(IDC_SRC_FILE)), std::string("C:\\clip.avi"));
  }

  Case("a field with a folder: the dialog starts there; OrgFolder becomes the chosen file's folder");
  {
    app.SetItemText(IDC_SRC_FILE, videos + "\\clip.avi");
    BrowseAndChoose(app, IDC_SRC_BROWSE, L"second.avi");
    WT_CHECK_EQ(TextA(app.Item(IDC_SRC_FILE)), videos + "\\second.avi");
  }

  Case("Cancel leaves the field and OrgFolder as they were");
  {
    app.SetItemText(IDC_SRC_FILE, "kept.avi");
    WT_CHECK_EQ(BrowseAndCancel(app, IDC_SRC_BROWSE), std::wstring(L"kept.avi"));
    WT_CHECK_EQ(TextA(app.Item(IDC_SRC_FILE)), std::string("kept.avi"));
  }

  Case("Merge page: Ref1/Ref2 buttons and menu items fill the two fields");
  {
    app.Command(IDM_SWITCH_TAB);
    BrowseAndChoose(app, IDC_MERGE_BROWSE1, L"C:\\clip.avi");
    WT_CHECK_EQ(TextA(app.Item(IDC_MERGE_FILE1)), std::string("C:\\clip.avi"));
    BrowseAndChoose(app, IDC_MERGE_BROWSE2, std::wstring(videos.begin(), videos.end()) + L"\\second.avi");
    WT_CHECK_EQ(TextA(app.Item(IDC_MERGE_FILE2)), videos + "\\second.avi");
    BrowseAndChoose(app, IDM_REF1, std::wstring(videos.begin(), videos.end()) + L"\\clip.avi");
    WT_CHECK_EQ(TextA(app.Item(IDC_MERGE_FILE1)), videos + "\\clip.avi");
    BrowseAndChoose(app, IDM_REF2, L"C:\\clip.avi");
    WT_CHECK_EQ(TextA(app.Item(IDC_MERGE_FILE2)), std::string("C:\\clip.avi"));
    app.Command(IDM_SWITCH_TAB);
  }

  Case("OrgFolder is saved at close (last choice C:\\clip.avi)");
  CloseApp(app);
  WT_CHECK_EQ(OrgFolderSaved(folder), std::string("C:\\"));

  Case("OrgFolder D:\\v from D:\\v\\clip.avi");
  {
    // Drive D: for this test: a folder of the scratch area.
    const std::string drive = MakeDir("ddrive");
    if (Check(MapDrive("D:", drive), "drive D: can be mapped", __FILE__, __LINE__)) {
      CreateDirectoryA("D:\\v", nullptr);
      WriteBytes("D:\\v\\clip.avi", "RIFF");
      App second = Launch("", folder);
      BrowseAndChoose(second, IDC_SRC_BROWSE, L"D:\\v\\clip.avi");
      WT_CHECK_EQ(TextA(second.Item(IDC_SRC_FILE)), std::string("D:\\v\\clip.avi"));
      CloseApp(second);
      WT_CHECK_EQ(OrgFolderSaved(folder), std::string("D:\\v"));
      UnmapDrive("D:");
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (RecordHelpOpened(argc, argv)) return 0;
  if (!Begin(110000)) return Summary();
  WriteBytes("C:\\clip.avi", "RIFF");
  if (Japanese()) {
    TestTwoByteFolders();
  } else {
    TestEnglishChoices();
  }

  Case("help: HelpE.htm in English, then Help.htm, else a message; found in the start folder");
  {
    RegisterHelpRecorder();
    const std::string helpFolder = MakeDir("helpstart");
    WriteBytes(helpFolder + "\\HelpE.htm", "<html></html>");
    WriteBytes(helpFolder + "\\Help.htm", "<html></html>");
    WriteBytes(helpFolder + "\\Tavrin.ini", "TabNo=0\r\n");
    App help = Launch("", helpFolder);
    // The browse dialog moves the current directory; help still uses the start folder.
    BrowseAndChoose(help, IDC_SRC_BROWSE, Lang(L"C:\\clip.avi", L"C:\\\u8868\\clip.avi"));
    help.PostCommand(IDM_HELP);
    WT_CHECK_EQ(WaitForHelpOpened(), helpFolder + Lang("\\HelpE.htm", "\\Help.htm"));
    WT_CHECK(StaysQuiet(help));

    if (!Japanese()) {
      DeleteFileA((helpFolder + "\\HelpE.htm").c_str());
      help.PostCommand(IDM_HELP);
      WT_CHECK_EQ(WaitForHelpOpened(), helpFolder + "\\Help.htm");
      WT_CHECK(StaysQuiet(help));
    }

    DeleteFileA((helpFolder + "\\Help.htm").c_str());
    help.PostCommand(IDM_HELP);
    WT_CHECK_EQ(
        AnswerMessageBox(help.main),
        Lang(
            L"Help File Not Found",
            L"\u30D8\u30EB\u30D7\u30D5\u30A1\u30A4\u30EB\u306E\u8D77\u52D5\u306B\u5931\u6557\u3057\u307E\u3057\u305F"));
    CloseApp(help);
    UnregisterHelpRecorder();
  }
  DeleteFileA("C:\\clip.avi");
  DeleteFileA((kHyou + "\\clip.avi").c_str());
  DeleteFileA(kSo.c_str());
  RemoveDirectoryW(L"C:\\\u8868");
  return Summary();
}
