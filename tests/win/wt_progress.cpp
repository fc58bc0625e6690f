// The progress dialog under Wine: the protocol between the worker and the
// dialog (status line, bar, Cancel, Esc, job end, message boxes over the
// dialog), the template of the run's language (THDDLGE, THDDLG) and the
// painted bar, and a worker that cannot start.
// Runs in English and Japanese.
#include <cstring>

#include "tests/win/lib/progress.h"

namespace {

using wt::kMergeColour;
using wt::kSplitColour;
using wt::Lang;

HWND mainWindow = nullptr;
DWORD uiThread = 0;

// The status line is a job's text: UTF-8, as the jobs hand it over.
void Report(JobState& state, const char* text, int cells) {
  SetStatusText(state, wt::JobFromAnsi(text).c_str());
  ReportProgress(state, cells);
}

// The status line in the system code page (CP932 in Japanese runs, as the literals are).
std::string StatusLine(HWND dialog) { return wt::TextA(GetDlgItem(dialog, IDC_STATUS)); }

// Rectangle of a control in the dialog's client coordinates.
RECT ControlRect(HWND dialog, int id) {
  RECT r;
  GetWindowRect(GetDlgItem(dialog, id), &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Where the dialog manager puts a control: position and size are converted separately.
RECT DialogUnits(HWND dialog, int x, int y, int cx, int cy) {
  RECT position = {x, y, cx, cy};
  MapDialogRect(dialog, &position);
  return RECT{position.left, position.top, position.left + position.right, position.top + position.bottom};
}

void CheckSameRect(const RECT& got, const RECT& want, const char* what) {
  bool same = got.left == want.left && got.top == want.top && got.right == want.right && got.bottom == want.bottom;
  char text[200];
  std::snprintf(text, sizeof text, "%s at (%ld,%ld)-(%ld,%ld), want (%ld,%ld)-(%ld,%ld)", what, got.left, got.top,
                got.right, got.bottom, want.left, want.top, want.right, want.bottom);
  wt::Check(same, text, __FILE__, __LINE__);
}

// THDDLGE: 167 x 70 units, Cancel at 62,48 43x14, status at 10,8 150x14, 9 pt
// font. THDDLG: 150 x 70 units, Cancel "キャンセル" at 53,48 43x14, status at
// 10,10 130x14, 12 pt "ＭＳ Ｐゴシック". Both: popup with caption, no system
// menu; centred; focus on Cancel.
void CheckTemplate(HWND dialog) {
  struct Layout {
    int width, cancelX, statusY, statusWidth, points;
    const wchar_t* cancel;
  };
  const Layout t = Lang(Layout{167, 62, 8, 150, 9, L"Cancel"}, Layout{150, 53, 10, 130, 12, L"キャンセル"});
  LONG style = GetWindowLongA(dialog, GWL_STYLE);
  WT_CHECK((style & WS_CAPTION) == WS_CAPTION);
  WT_CHECK((style & WS_POPUP) != 0);
  WT_CHECK((style & WS_SYSMENU) == 0);
  // The template's size, widened when needed so that the whole bar shows
  // (20 pixels either side of it), with the Cancel button kept in the middle.
  RECT client;
  GetClientRect(dialog, &client);
  RECT templ = DialogUnits(dialog, 0, 0, t.width, 70);
  long width = templ.right < 341 ? 341 : templ.right;
  CheckSameRect(client, RECT{0, 0, width, templ.bottom}, "client area");
  RECT cancel = DialogUnits(dialog, t.cancelX, 48, 43, 14);
  OffsetRect(&cancel, (width - templ.right) / 2, 0);
  CheckSameRect(ControlRect(dialog, IDCANCEL), cancel, "Cancel button");
  RECT status = DialogUnits(dialog, 10, t.statusY, t.statusWidth, 14);
  if (status.bottom > 50) status.bottom = 50;  // ends above the bar's frame
  CheckSameRect(ControlRect(dialog, IDC_STATUS), status, "status line");
  WT_CHECK_EQ(wt::TextW(GetDlgItem(dialog, IDCANCEL)), std::wstring(t.cancel));
  LONG buttonStyle = GetWindowLongA(GetDlgItem(dialog, IDCANCEL), GWL_STYLE);
  WT_CHECK((buttonStyle & 0x0F) == BS_DEFPUSHBUTTON);
  WT_CHECK((buttonStyle & WS_TABSTOP) != 0);

  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
  if (wt::Japanese()) WT_CHECK_EQ(std::wstring(font.lfFaceName), std::wstring(L"ＭＳ Ｐゴシック"));
  HDC screen = GetDC(nullptr);
  WT_CHECK_EQ(long(font.lfHeight), long(-MulDiv(t.points, GetDeviceCaps(screen, LOGPIXELSY), 72)));
  ReleaseDC(nullptr, screen);

  RECT window;
  RECT desktop;
  GetWindowRect(dialog, &window);
  GetWindowRect(GetDesktopWindow(), &desktop);
  WT_CHECK_EQ(long(window.left), long((desktop.right - (window.right - window.left)) / 2));
  WT_CHECK_EQ(long(window.top), long((desktop.bottom - (window.bottom - window.top)) / 2));

  GUITHREADINFO gui = {};
  gui.cbSize = sizeof gui;
  GetGUIThreadInfo(uiThread, &gui);
  WT_CHECK(gui.hwndFocus == GetDlgItem(dialog, IDCANCEL));
}

void CheckBar(HWND dialog, int cells, uint32_t colour) {
  std::string mismatch = wt::BarMismatch(wt::CaptureClient(dialog), cells, colour);
  wt::Check(mismatch.empty(), "bar of " + std::to_string(cells) + " cells: " + mismatch, __FILE__, __LINE__);
}

void ClickCancel(HWND dialog) { SendMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0); }

void TestProtocolAndCancel() {
  wt::Case("split dialog: status line, cells, Cancel twice, end with the job's result");
  JobState& state = AppJobState();
  wt::Handshake hs;
  wt::fakeJob = [&](JobState& s) -> int32_t {
    Report(s, Lang("Analyzing", "ファイル解析中"), 37);
    hs.JobPause();
    Report(s, Lang("File Creating", "ファイル作成中"), 37);  // same cell count, new text
    hs.JobPause();
    wt::WaitUntil([&] { return CancelSet(s); });
    hs.JobPause();
    return 42;
  };
  HWND seen = nullptr;
  INT_PTR result = wt::RunProgressDialog(true, mainWindow, [&](HWND dialog) {
    seen = dialog;
    if (!wt::Check(hs.DriverAwait(), "job reports progress", __FILE__, __LINE__)) return;
    WT_CHECK_EQ(wt::TextW(dialog), Lang(L"Tavrin - Split", L"Tavrin - 分解"));
    WT_CHECK_EQ(StatusLine(dialog), std::string(Lang("Analyzing", "ファイル解析中")));
    CheckBar(dialog, 37, kSplitColour);
    CheckTemplate(dialog);
    WT_CHECK(!IsWindowEnabled(mainWindow));  // modal to the main window
    WT_CHECK_EQ(long(state.cancelRequested.load()), 0L);
    hs.DriverRelease();

    WT_CHECK(hs.DriverAwait());
    WT_CHECK_EQ(StatusLine(dialog), std::string(Lang("File Creating", "ファイル作成中")));
    CheckBar(dialog, 37, kSplitColour);

    ClickCancel(dialog);
    WT_CHECK_EQ(long(state.cancelRequested.load()), -2L);
    ClickCancel(dialog);
    WT_CHECK_EQ(long(state.cancelRequested.load()), -2L);
    hs.DriverRelease();
    WT_CHECK(hs.DriverAwait());         // the job has seen the cancel
    WT_CHECK(IsWindowVisible(dialog));  // Cancel does not close the dialog
    WT_CHECK_EQ(StatusLine(dialog), std::string(Lang("File Creating", "ファイル作成中")));
    hs.DriverRelease();
  });
  WT_CHECK_EQ(long(result), 42L);
  WT_CHECK_EQ(long(state.cancelRequested.load()), -2L);  // kept for the main window
  WT_CHECK(ProgressWindow() == seen);
  WT_CHECK(!IsWindow(seen));
  WT_CHECK(IsWindowEnabled(mainWindow));
}

void TestEscape() {
  wt::Case("merge dialog: cancel flag cleared on opening, Esc acts as Cancel, merge colour");
  JobState& state = AppJobState();
  wt::Handshake hs;
  long cancelAtStart = 99;
  wt::fakeJob = [&](JobState& s) -> int32_t {
    cancelAtStart = s.cancelRequested.load();
    Report(s, Lang("File2 Analyzing", "ファイル２解析中"), 0);
    hs.JobPause();
    Report(s, Lang("File1 Analyzing", "ファイル１解析中"), 100);
    hs.JobPause();
    wt::WaitUntil([&] { return CancelSet(s); });
    return 0;
  };
  INT_PTR result = wt::RunProgressDialog(false, mainWindow, [&](HWND dialog) {
    if (!wt::Check(hs.DriverAwait(), "job reports progress", __FILE__, __LINE__)) return;
    WT_CHECK_EQ(wt::TextW(dialog), Lang(L"Tavrin - Merge", L"Tavrin - 結合"));
    WT_CHECK_EQ(StatusLine(dialog), std::string(Lang("File2 Analyzing", "ファイル２解析中")));
    CheckBar(dialog, 0, kMergeColour);
    hs.DriverRelease();
    WT_CHECK(hs.DriverAwait());
    CheckBar(dialog, 100, kMergeColour);
    // The key goes through the dialog's modal loop, as a real key press does.
    PostMessageA(GetDlgItem(dialog, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(GetDlgItem(dialog, IDCANCEL), WM_KEYUP, VK_ESCAPE, 0xC0010001);
    hs.DriverRelease();
    WT_CHECK(wt::WaitUntil([&] { return state.cancelRequested.load() == -2; }));
  });
  WT_CHECK_EQ(cancelAtStart, 0L);
  WT_CHECK_EQ(long(result), 0L);
  WT_CHECK_EQ(long(state.cancelRequested.load()), -2L);
}

void TestMessageBoxesOverTheDialog() {
  wt::Case("a job that fails at once: its boxes appear over the open dialog");
  wt::fakeJob = [](JobState& s) -> int32_t {
    ShowMessage(s, wt::JobFromAnsi(Lang("[Overlap] bad value", "「オーバーラップ」入力値に誤りがあります")).c_str());
    ShowMessage(s, wt::JobFromAnsi(Lang("Avi File?", "ファイルの解析に失敗しました")).c_str(), MessageOwner::MainWindow);
    return -13;
  };
  INT_PTR result = wt::RunProgressDialog(true, mainWindow, [&](HWND dialog) {
    HWND box = wt::WaitForMessageBox(dialog);
    if (!wt::Check(box != nullptr, "a box owned by the progress dialog", __FILE__, __LINE__)) return;
    WT_CHECK_EQ(wt::TextA(box), std::string("Tavrin"));
    WT_CHECK_EQ(wt::MessageTextW(box), Lang(L"[Overlap] bad value", L"「オーバーラップ」入力値に誤りがあります"));
    WT_CHECK(GetDlgItem(box, IDOK) != nullptr);
    WT_CHECK(GetDlgItem(box, IDCANCEL) == nullptr);  // OK only
    WT_CHECK(IsWindowVisible(dialog));
    WT_CHECK(!IsWindowEnabled(dialog));  // the box is modal to the dialog
    WT_CHECK_EQ(StatusLine(dialog), std::string(""));
    CheckBar(dialog, 0, kSplitColour);
    wt::PressOk(box);

    // The second box belongs to the main window; the dialog stays open meanwhile.
    WT_CHECK_EQ(wt::AnswerMessageBox(mainWindow), Lang(L"Avi File?", L"ファイルの解析に失敗しました"));
  });
  WT_CHECK_EQ(long(result), -13L);
  WT_CHECK(wt::FindMessageBox(mainWindow) == nullptr);
}

void TestPainting() {
  wt::Case("painted bar: empty box, partial, full to x = 319, values outside 0..100");
  wt::Handshake hs;
  const int sent[] = {0, 1, 50, 99, 100, 150, -5, 3};
  const int drawn[] = {0, 1, 50, 99, 100, 100, 0, 3};
  wt::fakeJob = [&](JobState& s) -> int32_t {
    for (int cells : sent) {
      Report(s, "File Creating", cells);
      hs.JobPause();
    }
    return 0;
  };
  INT_PTR result = wt::RunProgressDialog(true, mainWindow, [&](HWND dialog) {
    for (size_t i = 0; i < sizeof sent / sizeof sent[0]; ++i) {
      if (!wt::Check(hs.DriverAwait(), "job reports progress", __FILE__, __LINE__)) return;
      wt::Capture capture = wt::CaptureClient(dialog);
      std::string mismatch = wt::BarMismatch(capture, drawn[i], kSplitColour);
      wt::Check(mismatch.empty(), "after CMD_PROGRESS " + std::to_string(sent[i]) + ": " + mismatch, __FILE__,
                __LINE__);
      // Nothing of the bar colour right of the frame, whatever was sent.
      for (int x = 321; x < capture.width; ++x)
        for (int y = 50; y < 80; ++y)
          if (capture.At(x, y) == kSplitColour) {
            wt::Check(false, "bar colour outside the frame at x = " + std::to_string(x), __FILE__, __LINE__);
            x = capture.width;
            break;
          }
      hs.DriverRelease();
    }
  });
  WT_CHECK_EQ(long(result), 0L);
}

void TestHostReadsMainWindow() {
  if (!wt::Case("the worker reads the main window's fields and buttons through sent messages", wt::kEnglishOnly))
    return;
  wt::SetField(mainWindow, IDC_SRC_FILE, "Z:\\videos\\clip.avi");
  wt::SetField(mainWindow, IDC_OVERLAP, std::string(300, '7'));  // longer than a field read holds
  wt::SetChecked(mainWindow, IDC_CREATE_FIRST);
  wt::SetChecked(mainWindow, IDC_SPLIT_MERGE, true);
  SplitRequest request;
  wt::fakeJob = [&](JobState&) -> int32_t {
    request = ReadSplitRequest();
    return 5;
  };
  INT_PTR result = wt::RunProgressDialog(true, mainWindow, [](HWND) {});
  WT_CHECK_EQ(long(result), 5L);
  WT_CHECK_EQ(request.path, std::string("Z:\\videos\\clip.avi"));
  WT_CHECK_EQ(request.overlap, std::string(kPathBytes - 1, '7'));
  WT_CHECK(request.create == CreateMode::First);
  WT_CHECK(request.thenMerge);
  WT_CHECK(request.by == SplitBy::Time);
  wt::SetChecked(mainWindow, IDC_CREATE_BOTH);
  wt::SetChecked(mainWindow, IDC_SPLIT_MERGE, false);
}

bool FailToStart(void(__cdecl*)(void*), void*) { return false; }

void TestWorkerNotStarted() {
  wt::Case("no worker thread: an error box, then the dialog ends at once");
  bool jobRan = false;
  wt::fakeJob = [&](JobState&) -> int32_t {
    jobRan = true;
    return 0;
  };
  SetWorkerStarter(FailToStart);
  std::wstring text;
  INT_PTR result = wt::RunProgressDialog(false, mainWindow, [&](HWND dialog) { text = wt::AnswerMessageBox(dialog); });
  SetWorkerStarter(nullptr);
  WT_CHECK_EQ(text, Lang(L"Error", L"エラー"));
  WT_CHECK_EQ(long(result), long(kWorkerNotStarted));
  WT_CHECK(!jobRan);
  WT_CHECK_EQ(long(AppJobState().cancelRequested.load()), 0L);

  // The real starter works again afterwards.
  result = wt::RunProgressDialog(false, mainWindow, [](HWND) {});
  WT_CHECK_EQ(long(result), 0L);
  WT_CHECK(jobRan);
}

}  // namespace

int main() {
  if (!wt::Begin(90000)) return wt::Summary();
  uiThread = GetCurrentThreadId();
  mainWindow = wt::CreateTestMainWindow();
  InitWin32Host(mainWindow, nullptr, wt::Japanese() ? 0 : 1);
  SetSplitJobFunction(wt::RunFakeJob);
  SetMergeJobFunction(wt::RunFakeJob);

  TestProtocolAndCancel();
  TestEscape();
  TestMessageBoxesOverTheDialog();
  TestPainting();
  TestHostReadsMainWindow();
  TestWorkerNotStarted();
  return wt::Summary();
}
