// The tools' settings in Tavrin.ini with the real Tavrin.exe: read at start
// after the main window's keys, shown by the Join, pieces and Cut dialogs, and
// written at close after the main window's five lines, only when they differ
// from their defaults (a file without them stays five lines). The Split
// page's Exact cut box is kept the same way.
#include "tests/win/lib/app.h"
#include "ui/resource_ids.h"
#include "ui/tool_ids.h"

using namespace wt;

namespace {

const char* kOldFile = "Position=30 40\r\nOrgFolder=C:\\v\r\nTabNo=0\r\nCreateFileN=2\r\nOverLapS=3\r\n";

HWND OpenTool(const App& app, int command) {
  app.PostCommand(command);
  HWND dialog = nullptr;
  WaitUntil([&] { return (dialog = FindOf(app.pid(), Kind::OtherDialog, app.main)) != nullptr; });
  Check(dialog != nullptr, "the tool's dialog opens", __FILE__, __LINE__);
  return dialog;
}

void CloseTool(HWND dialog) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  Check(WaitUntil([&] { return !IsWindow(dialog); }), "the tool's dialog closes", __FILE__, __LINE__);
}

// What follows the main window's five lines.
std::string AfterFiveLines(const std::string& content) {
  const size_t overlap = content.find("OverLapS=");
  if (overlap == std::string::npos) return "<no OverLapS line>";
  const size_t end = content.find("\r\n", overlap);
  return end == std::string::npos ? "<no line end>" : content.substr(end + 2);
}

bool Checked(HWND dialog, int id) { return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

}  // namespace

int main() {
  if (!Begin(60000)) return Summary();

  Case("a file of the five lines only: the tools show their defaults, and the file stays five lines");
  {
    const std::string folder = FolderWith(kOldFile);
    App app = Launch("", folder);
    HWND pieces = OpenTool(app, IDM_PIECES);
    WT_CHECK_EQ(TextA(GetDlgItem(pieces, IDC_PIECES_EVERY)), std::string("600"));
    WT_CHECK_EQ(TextA(GetDlgItem(pieces, IDC_PIECES_MB)), std::string("2000"));
    WT_CHECK(Checked(pieces, IDC_PIECES_BY_TIME));
    CloseTool(pieces);
    HWND cut = OpenTool(app, IDM_CUT);
    WT_CHECK(Checked(cut, IDC_CUT_KEEP));
    WT_CHECK(Checked(cut, IDC_CUT_ONE));
    WT_CHECK(!Checked(cut, IDC_CUT_EXACT));
    CloseTool(cut);
    WT_CHECK(!Checked(app.main, IDC_SPLIT_EXACT));
    CloseApp(app);
    WT_CHECK_EQ(AfterFiveLines(ReadBytes(folder + "\\Tavrin.ini")), std::string());
  }

  Case("the tools' keys are read at start and written back after the five lines, with what the dialog shows");
  {
    const std::string folder = FolderWith(
        (std::string(kOldFile) + "JoinDropsOverlaps=1\r\nPiecesBySize=1\r\nPiecesEverySeconds=30\r\nPiecesMegabytes=700\r\n"
                     "CutDropsRanges=1\r\nCutFilePerRange=1\r\nCutExactFrames=1\r\n")
            .c_str());
    App app = Launch("", folder);
    HWND join = OpenTool(app, IDM_JOIN);
    WT_CHECK(Checked(join, IDC_JOIN_DROP_OVERLAPS));
    CloseTool(join);
    HWND pieces = OpenTool(app, IDM_PIECES);
    WT_CHECK(Checked(pieces, IDC_PIECES_BY_SIZE));
    WT_CHECK_EQ(TextA(GetDlgItem(pieces, IDC_PIECES_EVERY)), std::string("30"));
    WT_CHECK_EQ(TextA(GetDlgItem(pieces, IDC_PIECES_MB)), std::string("700"));
    SendMessageA(GetDlgItem(pieces, IDC_PIECES_MB), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("650"));
    CloseTool(pieces);
    HWND cut = OpenTool(app, IDM_CUT);
    WT_CHECK(Checked(cut, IDC_CUT_DROP));
    WT_CHECK(Checked(cut, IDC_CUT_SEPARATE));
    WT_CHECK(Checked(cut, IDC_CUT_EXACT));
    // Unticked, so that the file written back leaves the key out (its default).
    SendMessageA(GetDlgItem(cut, IDC_CUT_EXACT), BM_CLICK, 0, 0);
    CloseTool(cut);
    CloseApp(app);
    const std::string content = ReadBytes(folder + "\\Tavrin.ini");
    WT_CHECK(content.find("TabNo=0\r\nCreateFileN=2\r\nOverLapS=3\r\n") != std::string::npos);
    WT_CHECK_EQ(AfterFiveLines(content),
                std::string("JoinDropsOverlaps=1\r\nPiecesBySize=1\r\nPiecesEverySeconds=30\r\nPiecesMegabytes=650\r\n"
                            "CutDropsRanges=1\r\nCutFilePerRange=1\r\n"));
  }

  Case("the Exact cut box ticked is written at close and shown ticked after a restart");
  {
    const std::string folder = FolderWith(kOldFile);
    {
      App app = Launch("", folder);
      HWND cut = OpenTool(app, IDM_CUT);
      SendMessageA(GetDlgItem(cut, IDC_CUT_EXACT), BM_CLICK, 0, 0);
      CloseTool(cut);
      CloseApp(app);
    }
    WT_CHECK_EQ(AfterFiveLines(ReadBytes(folder + "\\Tavrin.ini")), std::string("CutExactFrames=1\r\n"));
    App app = Launch("", folder);
    HWND cut = OpenTool(app, IDM_CUT);
    WT_CHECK(Checked(cut, IDC_CUT_EXACT));
    WT_CHECK(Checked(cut, IDC_CUT_KEEP));
    CloseTool(cut);
    CloseApp(app);
  }

  Case("the Split page's Exact cut box ticked is written at close and shown ticked after a restart");
  {
    const std::string folder = FolderWith(kOldFile);
    {
      App app = Launch("", folder);
      SendMessageA(GetDlgItem(app.main, IDC_SPLIT_EXACT), BM_CLICK, 0, 0);
      CloseApp(app);
    }
    WT_CHECK_EQ(AfterFiveLines(ReadBytes(folder + "\\Tavrin.ini")), std::string("SplitExactFrames=1\r\n"));
    App app = Launch("", folder);
    WT_CHECK(Checked(app.main, IDC_SPLIT_EXACT));
    // Unticked again: the key is left out, the file reads as before.
    SendMessageA(GetDlgItem(app.main, IDC_SPLIT_EXACT), BM_CLICK, 0, 0);
    CloseApp(app);
    WT_CHECK_EQ(AfterFiveLines(ReadBytes(folder + "\\Tavrin.ini")), std::string());
  }
  return Summary();
}
