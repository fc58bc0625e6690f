// The Join dialog of the program's own main window, run inside the test:
// files dropped in and added with the open dialog (several at once, sorted by
// name, numbers by value), a name that is no AVI left out with a message,
// Remove and Up/Down, the output name that follows the list until one is
// typed; Join runs the join job under the progress dialog with the list, the
// name and "Drop overlaps"; Cancel gives "Break" and leaves no file; the
// dialog's settings are kept in Tavrin.ini after the main window's lines.
// Runs in English and Japanese.
#include "tests/win/lib/browse.h"
#include "tests/win/lib/drop.h"
#include "tests/win/lib/tools.h"

using namespace wt;

namespace {

const char* kSample = "ffmpeg_mpeg4_pcm_g12.avi";

std::wstring JoinTitle() { return Lang(L"Join Files", L"\u30D5\u30A1\u30A4\u30EB\u306E\u9023\u7D50"); }
std::wstring JoinProgressTitle() { return Lang(L"Tavrin - Join", L"Tavrin - \u9023\u7D50"); }

HWND OpenJoin(const InProcess& app) { return OpenToolDialog(app, IDM_JOIN, JoinTitle(), "the Join dialog"); }

std::vector<std::string> Entries(HWND join) { return ListEntries(GetDlgItem(join, IDC_JOIN_LIST)); }
std::string Output(HWND join) { return TextA(GetDlgItem(join, IDC_JOIN_OUTPUT)); }

void DropOn(HWND join, const std::vector<std::string>& names) {
  PostMessageA(join, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(names, 20, 40)), 0);
  Sleep(100);
  SendMessageA(join, WM_NULL, 0, 0);
}

// Types names into the open dialog that Add opened and presses Open.
void AddWithBrowse(HWND join, const std::wstring& names) {
  Post(join, IDC_JOIN_ADD);
  HWND browse = nullptr;
  WaitUntil([&] { return (browse = FindOf(GetCurrentProcessId(), Kind::OtherDialog, join)) != nullptr; });
  if (!Check(browse != nullptr, "Add opens the open dialog", __FILE__, __LINE__)) return;
  SendMessageW(FileNameBox(browse), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(names.c_str()));
  PostMessageA(browse, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(browse, IDOK)));
  Check(WaitUntil([&] { return !IsWindow(browse); }), "the open dialog closes after Open", __FILE__, __LINE__);
  SendMessageA(join, WM_NULL, 0, 0);
}

}  // namespace

int main() {
  if (!Begin(110000)) return Summary();
  const std::string folder = MakeDir("join");
  const std::string c1 = CopySample(kSample, "clip1.avi", folder);
  const std::string c2 = CopySample(kSample, "clip2.avi", folder);
  const std::string c10 = CopySample(kSample, "clip10.avi", folder);
  const std::string a = CopySample(kSample, "a.avi", folder);
  const std::string b = CopySample(kSample, "b.avi", folder);
  WriteBytes(folder + "\\notes.txt", "not a video");
  const std::string filesBefore = FilesIn(folder);
  RecordToolJobs();
  InProcess app;
  app.Start(0, folder);
  AppToolSettings().joinFolder = folder;

  Case("Operate > Join Files: an empty list, Join, Remove, Up and Down disabled");
  HWND join = OpenJoin(app);
  WT_CHECK(Entries(join).empty());
  WT_CHECK(!Enabled(join, IDOK));
  WT_CHECK(!Enabled(join, IDC_JOIN_REMOVE));
  WT_CHECK(!Enabled(join, IDC_JOIN_UP));
  WT_CHECK(!Enabled(join, IDC_JOIN_DOWN));
  WT_CHECK_EQ(Output(join), std::string());

  Case("files dropped together join in the order of their names; a name that is no AVI is left out, said so");
  {
    DropOn(join, {c10, folder + "\\notes.txt", c2, c1});
    const std::wstring said = AnswerMessageBox(join);
    WT_CHECK(said.find(L"notes.txt") != std::wstring::npos);
    WT_CHECK_EQ(Entries(join), (std::vector<std::string>{c1, c2, c10}));
    WT_CHECK_EQ(Output(join), DefaultJoinedName({c1, c2, c10}));
    WT_CHECK(Enabled(join, IDOK));
  }

  Case("Add: several files from the open dialog, sorted, after the list; the folder is kept");
  {
    AppToolSettings().joinFolder.clear();
    SetCurrentDirectoryA(folder.c_str());  // the dialog starts here; the names are typed without a folder
    AddWithBrowse(join, L"\"b.avi\" \"a.avi\"");
    WT_CHECK_EQ(Entries(join), (std::vector<std::string>{c1, c2, c10, a, b}));
    WT_CHECK_EQ(AppToolSettings().joinFolder, folder);
  }

  Case("Remove and Up/Down reorder the list; the output name follows it until one is typed");
  {
    SelectEntry(join, IDC_JOIN_LIST, 4);
    WT_CHECK(!Enabled(join, IDC_JOIN_DOWN));
    Click(join, IDC_JOIN_REMOVE);
    Click(join, IDC_JOIN_REMOVE);  // the selection moved to the entry before: a.avi
    WT_CHECK_EQ(Entries(join), (std::vector<std::string>{c1, c2, c10}));
    SelectEntry(join, IDC_JOIN_LIST, 2);
    Click(join, IDC_JOIN_UP);
    Click(join, IDC_JOIN_UP);
    WT_CHECK_EQ(Entries(join), (std::vector<std::string>{c10, c1, c2}));
    WT_CHECK(!Enabled(join, IDC_JOIN_UP));
    WT_CHECK_EQ(Output(join), DefaultJoinedName({c10, c1, c2}));
    Click(join, IDC_JOIN_DOWN);
    WT_CHECK_EQ(Entries(join), (std::vector<std::string>{c1, c10, c2}));
    WT_CHECK_EQ(Output(join), DefaultJoinedName({c1, c10, c2}));
    SetDlgItemTextA(join, IDC_JOIN_OUTPUT, (folder + "\\whole.avi").c_str());
    SelectEntry(join, IDC_JOIN_LIST, 1);
    Click(join, IDC_JOIN_UP);
    WT_CHECK_EQ(Entries(join), (std::vector<std::string>{c10, c1, c2}));
    WT_CHECK_EQ(Output(join), folder + "\\whole.avi");
  }

  Case("Cancel during the join: Break, no file left behind, the list stays for another try");
  {
    CancelAtFirstReport(join);
    Post(join, IDOK);
    WT_CHECK_EQ(AnswerMessageBox(join), BreakText());
    WT_CHECK_CANCELLED_IN(join, JoinProgressTitle());
    WT_CHECK_EQ(FilesIn(folder), filesBefore);
    WT_CHECK(IsWindow(join));
    WT_CHECK_EQ(Entries(join), (std::vector<std::string>{c10, c1, c2}));
    WT_CHECK_EQ(joins.requests.size(), size_t(1));
  }

  Case("Join: the job gets the list in order, the typed name and Drop overlaps; the file it writes is whole");
  {
    Click(join, IDC_JOIN_DROP_OVERLAPS);
    WT_CHECK_EQ(AppToolSettings().joinDropOverlaps, 1);
    Post(join, IDOK);
    const std::vector<std::wstring> boxes = FollowJob(join, JoinProgressTitle());
    WT_CHECK_EQ(boxes.size(), size_t(1));  // the job's own message
    if (WT_CHECK_EQ(joins.requests.size(), size_t(2))) {
      const JoinJobRequest& request = joins.requests.back();
      WT_CHECK_EQ(request.inputs, (std::vector<std::string>{c10, c1, c2}));
      WT_CHECK_EQ(request.output, folder + "\\whole.avi");
      WT_CHECK(request.dropOverlaps);
      if (joins.outcomes.back().Number() == 0) {
        WT_CHECK(LooksLikeWholeAvi(folder + "\\whole.avi"));
        WT_CHECK(WaitUntil([&] { return !IsWindow(join); }));  // done: the dialog closes
      } else {
        WT_CHECK_EQ(FilesIn(folder), filesBefore);
        WT_CHECK(IsWindow(join));
      }
    }
    if (IsWindow(join)) Post(join, IDCANCEL);
    WT_CHECK(WaitUntil([&] { return !IsWindow(join); }));
  }

  Case("the name filled in for the user goes to the job as no name: the job's own default");
  {
    join = OpenJoin(app);
    WT_CHECK(IsDlgButtonChecked(join, IDC_JOIN_DROP_OVERLAPS) == BST_CHECKED);  // kept from before
    DropOn(join, {c2, c1});
    WT_CHECK_EQ(Output(join), DefaultJoinedName({c1, c2}));
    Click(join, IDC_JOIN_DROP_OVERLAPS);
    Post(join, IDOK);
    FollowJob(join, JoinProgressTitle());
    if (WT_CHECK_EQ(joins.requests.size(), size_t(3))) {
      WT_CHECK_EQ(joins.requests.back().output, std::string());
      WT_CHECK(!joins.requests.back().dropOverlaps);
      if (joins.outcomes.back().Number() == 0) WT_CHECK(LooksLikeWholeAvi(joins.outcomes.back().written));
    }
    if (IsWindow(join)) Post(join, IDCANCEL);
    WT_CHECK(WaitUntil([&] { return !IsWindow(join); }));
  }

  Case("closing keeps the join folder in Tavrin.ini after the main window's five lines; an old file reads as before");
  {
    AppToolSettings().joinFolder = folder;
    AppToolSettings().joinDropOverlaps = 1;
    AppShell().settingsPath = folder + "\\Tavrin.ini";  // the settings file beside the program
    SendMessageA(app.main, WM_CLOSE, 0, 0);
    app.Stop();
    const std::string ini = ReadBytes(folder + "\\Tavrin.ini");
    const size_t tools = ini.find("OverLapS=0\r\nJoinFolder=" + folder + "\r\nJoinDropsOverlaps=1\r\n");
    WT_CHECK(ini.compare(0, 9, "Position=") == 0);
    WT_CHECK(tools != std::string::npos);
    WT_CHECK(ini.find("TabNo=0\r\nCreateFileN=1\r\nOverLapS=0\r\n") != std::string::npos);
    ToolSettings read;
    LoadToolSettings((folder + "\\Tavrin.ini").c_str(), read);
    WT_CHECK_EQ(read.joinFolder, folder);
    WT_CHECK_EQ(read.joinDropOverlaps, 1);

    WriteBytes(folder + "\\old.ini", "Position=10 10\r\nOrgFolder=C:\\v\r\nTabNo=1\r\nCreateFileN=2\r\nOverLapS=3\r\n");
    ToolSettings old;
    LoadToolSettings((folder + "\\old.ini").c_str(), old);
    const ToolSettings defaults;
    WT_CHECK_EQ(old.joinFolder, defaults.joinFolder);
    WT_CHECK_EQ(old.piecesEvery, defaults.piecesEvery);
    WT_CHECK_EQ(old.piecesMegabytes, defaults.piecesMegabytes);
  }
  return Summary();
}
