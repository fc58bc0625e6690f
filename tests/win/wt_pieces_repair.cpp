// Split into Pieces and Repair from the program's own main window, run inside
// the test: the pieces dialog starts from the Split page's file and overlap
// and the kept choice, and hands the job what it shows (every N seconds or at
// most N MB); Repair takes the Split page's file or asks for one; a split
// refused for want of an index is followed by a Yes/No box that repairs that
// very file, and other refusals are not.
// Runs in English and Japanese.
#include <cstring>

#include "tests/win/lib/browse.h"
#include "tests/win/lib/tools.h"

using namespace wt;

namespace {

const char* kSample = "ffmpeg_mpeg4_pcm_g12.avi";

std::wstring PiecesTitle() { return Lang(L"Split into Pieces", L"\u8907\u6570\u306B\u5206\u89E3"); }
std::wstring PiecesProgressTitle() { return Lang(L"Tavrin - Split into Pieces", L"Tavrin - \u8907\u6570\u306B\u5206\u89E3"); }
std::wstring RepairProgressTitle() { return Lang(L"Tavrin - Repair", L"Tavrin - \u4FEE\u5FA9"); }

HWND OpenPieces(const InProcess& app) { return OpenToolDialog(app, IDM_PIECES, PiecesTitle(), "the pieces dialog"); }

std::string Field(HWND dialog, int id) { return TextA(GetDlgItem(dialog, id)); }

// After a pieces run: the pieces the job names are whole AVIs beside the
// input, or (the job refused) no file was added.
void CheckPiecesWritten(const std::string& folder, const std::string& before) {
  const PiecesOutcome& outcome = piecesRuns.outcomes.back();
  if (outcome.Number() != 0) {
    WT_CHECK_EQ(FilesIn(folder), before);
    return;
  }
  WT_CHECK(outcome.pieces.size() >= 2);
  for (const PieceFigures& piece : outcome.pieces) WT_CHECK(LooksLikeWholeAvi(piece.name));
}

// A copy of the sample whose index is renamed away: a recording without idx1.
std::string WithoutIndex(const std::string& folder) {
  std::string bytes = ReadBytes(Env("TAVRIN_SAMPLES") + "\\" + kSample);
  const size_t index = bytes.rfind("idx1");
  Check(index != std::string::npos, "the sample has an idx1 index", __FILE__, __LINE__);
  if (index != std::string::npos) std::memcpy(&bytes[index], "JUNK", 4);
  const std::string path = folder + "\\noindex.avi";
  WriteBytes(path, bytes);
  return path;
}

// Starts a split of the Split page's file (1 s in, both files) from the execute button.
void StartSplit(const InProcess& app, const std::string& input) {
  SetDlgItemTextA(app.main, IDC_SRC_FILE, input.c_str());
  SetDlgItemTextA(app.main, IDC_HOURS, "0");
  SetDlgItemTextA(app.main, IDC_MINUTES, "0");
  SetDlgItemTextA(app.main, IDC_SECONDS, "1");
  SetDlgItemTextA(app.main, IDC_OVERLAP, "0");
  PostMessageA(app.main, WM_COMMAND, MAKEWPARAM(IDC_EXECUTE, BN_CLICKED), 0);
}

}  // namespace

int main() {
  if (!Begin(110000)) return Summary();
  const std::string folder = MakeDir("pieces");
  InProcess app;
  const std::string clip = StartWithClip(app, folder, kSample);
  SetDlgItemTextA(app.main, IDC_OVERLAP, "0.5");
  AppToolSettings().piecesEvery = "2";
  AppToolSettings().piecesMegabytes = "1";

  Case("Split into Pieces starts from the Split page's file and overlap and the kept choice");
  HWND pieces = OpenPieces(app);
  WT_CHECK_EQ(Field(pieces, IDC_PIECES_FILE), clip);
  WT_CHECK_EQ(Field(pieces, IDC_PIECES_OVERLAP), std::string("0.5"));
  WT_CHECK_EQ(Field(pieces, IDC_PIECES_EVERY), std::string("2"));
  WT_CHECK_EQ(Field(pieces, IDC_PIECES_MB), std::string("1"));
  WT_CHECK(IsDlgButtonChecked(pieces, IDC_PIECES_BY_TIME) == BST_CHECKED);
  WT_CHECK(Enabled(pieces, IDC_PIECES_EVERY));
  WT_CHECK(!Enabled(pieces, IDC_PIECES_MB));

  Case("a piece every N seconds: the job gets the dialog's fields and runs under the progress dialog");
  {
    const std::string before = FilesIn(folder);
    Post(pieces, IDOK);
    FollowJob(pieces, PiecesProgressTitle());
    if (WT_CHECK_EQ(piecesRuns.requests.size(), size_t(1))) {
      const PiecesRequest& request = piecesRuns.requests.back();
      WT_CHECK_EQ(request.path, clip);
      WT_CHECK(request.by == PiecesBy::Every);
      WT_CHECK_EQ(request.everySeconds, std::string("2"));
      WT_CHECK_EQ(request.overlap, std::string("0.5"));
      CheckPiecesWritten(folder, before);
    }
    // A pieces job that succeeded ends the dialog (it may still be closing
    // now): wait for it to go, then open it again.
    if (!piecesRuns.outcomes.empty() && piecesRuns.outcomes.back().Number() == 0) {
      WT_CHECK(WaitUntil([&] { return !IsWindow(pieces); }));
      pieces = OpenPieces(app);
    }
  }

  Case("each piece at most N MB: the choice switches the fields, the job gets the size, the choice is kept");
  {
    Click(pieces, IDC_PIECES_BY_SIZE);
    WT_CHECK(!Enabled(pieces, IDC_PIECES_EVERY));
    WT_CHECK(Enabled(pieces, IDC_PIECES_MB));
    SetDlgItemTextA(pieces, IDC_PIECES_MB, "0.2");
    const std::string before = FilesIn(folder);
    Post(pieces, IDOK);
    FollowJob(pieces, PiecesProgressTitle());
    if (WT_CHECK_EQ(piecesRuns.requests.size(), size_t(2))) {
      WT_CHECK(piecesRuns.requests.back().by == PiecesBy::Size);
      WT_CHECK_EQ(piecesRuns.requests.back().sizeMegabytes, std::string("0.2"));
      CheckPiecesWritten(folder, before);
    }
    if (IsWindow(pieces)) Post(pieces, IDCANCEL);
    WT_CHECK(WaitUntil([&] { return !IsWindow(pieces); }));
    WT_CHECK_EQ(AppToolSettings().piecesBySize, 1);
    WT_CHECK_EQ(AppToolSettings().piecesMegabytes, std::string("0.2"));
  }

  Case("Cancel in the pieces job: Break, no file left behind");
  {
    pieces = OpenPieces(app);
    WT_CHECK(IsDlgButtonChecked(pieces, IDC_PIECES_BY_SIZE) == BST_CHECKED);
    const std::string before = FilesIn(folder);
    CancelAtFirstReport(pieces);
    Post(pieces, IDOK);
    WT_CHECK_EQ(AnswerMessageBox(pieces), BreakText());
    WT_CHECK_CANCELLED_IN(pieces, PiecesProgressTitle());
    WT_CHECK_EQ(FilesIn(folder), before);
    Post(pieces, IDCANCEL);
    WT_CHECK(WaitUntil([&] { return !IsWindow(pieces); }));
  }

  Case("Repair repairs the Split page's file");
  {
    SetDlgItemTextA(app.main, IDC_SRC_FILE, clip.c_str());
    PostMessageA(app.main, WM_COMMAND, MAKEWPARAM(IDM_REPAIR, 0), 0);
    FollowJob(app.main, RepairProgressTitle());
    if (WT_CHECK_EQ(repairs.requests.size(), size_t(1))) {
      WT_CHECK_EQ(repairs.requests.back().path, clip);
      WT_CHECK_EQ(repairs.requests.back().output, std::string());
      // An intact file: nothing to repair, nothing written, the field as it was.
      if (repairs.outcomes.back().Number() == 0) WT_CHECK(repairs.outcomes.back().nothingToRepair);
    }
    SendMessageA(app.main, WM_NULL, 0, 0);
    WT_CHECK_EQ(TextA(app.Item(IDC_SRC_FILE)), clip);
  }

  Case("Repair with an empty field asks for the file first");
  {
    SetDlgItemTextA(app.main, IDC_SRC_FILE, "");
    PostMessageA(app.main, WM_COMMAND, MAKEWPARAM(IDM_REPAIR, 0), 0);
    HWND browse = nullptr;
    WaitUntil([&] { return (browse = FindOf(GetCurrentProcessId(), Kind::OtherDialog, app.main)) != nullptr; });
    if (WT_CHECK(browse != nullptr)) {
      const std::wstring name(clip.begin(), clip.end());
      SendMessageW(FileNameBox(browse), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
      PostMessageA(browse, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(browse, IDOK)));
      FollowJob(app.main, RepairProgressTitle());
      if (WT_CHECK_EQ(repairs.requests.size(), size_t(2))) WT_CHECK_EQ(repairs.requests.back().path, clip);
    }
  }

  Case("a split refused for want of an index: its message, then Yes/No; No repairs nothing, Yes repairs that file");
  {
    const std::string damaged = WithoutIndex(folder);
    for (const bool yes : {false, true}) {
      StartSplit(app, damaged);
      const std::vector<std::wstring> boxes = FollowJob(app.main, SplitTitle());
      WT_CHECK_EQ(boxes.size(), size_t(1));  // the split's own refusal, as before
      HWND offer = WaitForMessageBox(app.main);
      if (!WT_CHECK(offer != nullptr)) continue;
      WT_CHECK(MessageTextW(offer).find(std::wstring(damaged.begin(), damaged.end())) != std::wstring::npos);
      WT_CHECK(GetDlgItem(offer, IDYES) != nullptr && GetDlgItem(offer, IDNO) != nullptr);
      PressButton(offer, yes ? IDYES : IDNO);
      if (yes) {
        FollowJob(app.main, RepairProgressTitle());
        if (WT_CHECK_EQ(repairs.requests.size(), size_t(3))) WT_CHECK_EQ(repairs.requests.back().path, damaged);
        const RepairOutcome& outcome = repairs.outcomes.back();
        SendMessageA(app.main, WM_NULL, 0, 0);
        // A repaired copy takes the file's place in the field, ready to split.
        if (outcome.Number() == 0 && !outcome.written.empty()) {
          WT_CHECK(LooksLikeWholeAvi(outcome.written));
          WT_CHECK_EQ(TextA(app.Item(IDC_SRC_FILE)), outcome.written);
        }
      } else {
        WT_CHECK(StaysQuiet(app.AsApp(), 500));
        WT_CHECK_EQ(repairs.requests.size(), size_t(2));
      }
    }
  }

  if (Case("a refusal of another kind (no such file) offers no repair", kEnglishOnly)) {
    StartSplit(app, folder + "\\missing.avi");
    WT_CHECK_EQ(FollowJob(app.main, SplitTitle()).size(), size_t(1));
    WT_CHECK(StaysQuiet(app.AsApp(), 700));
  }
  app.Stop();
  return Summary();
}
