// The progress dialog under Wine, Japanese interface (code page 932): the
// THDDLG template, the Japanese titles, a CP932 status line and message box,
// the painted bar in this template, and the box when no worker can start.
#include "tests/win/wt_progress_harness.h"

namespace {

HWND mainWindow = nullptr;

RECT ControlRect(HWND dialog, int id) {
  RECT r;
  GetWindowRect(GetDlgItem(dialog, id), &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

RECT DialogUnits(HWND dialog, int x, int y, int cx, int cy) {
  RECT position = {x, y, cx, cy};
  MapDialogRect(dialog, &position);
  return RECT{position.left, position.top, position.left + position.right, position.top + position.bottom};
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// THDDLG: 150 x 70 units, Cancel "キャンセル" at 53,48 43x14, status at
// 10,10 130x14, 12 pt "ＭＳ Ｐゴシック"; fitted around the bar where the font needs it.
void CheckJapaneseTemplate(HWND dialog) {
  WT_CHECK_EQ(wt::TextW(GetDlgItem(dialog, IDCANCEL)), std::wstring(L"キャンセル"));
  RECT client;
  GetClientRect(dialog, &client);
  RECT templ = DialogUnits(dialog, 0, 0, 150, 70);
  long width = templ.right < 341 ? 341 : templ.right;
  WT_CHECK_EQ(long(client.right), width);
  WT_CHECK_EQ(long(client.bottom), long(templ.bottom));
  RECT cancel = DialogUnits(dialog, 53, 48, 43, 14);
  OffsetRect(&cancel, (width - templ.right) / 2, 0);
  WT_CHECK(SameRect(ControlRect(dialog, IDCANCEL), cancel));
  RECT status = DialogUnits(dialog, 10, 10, 130, 14);
  if (status.bottom > 50) status.bottom = 50;  // ends above the bar's frame
  WT_CHECK(SameRect(ControlRect(dialog, IDC_STATUS), status));
  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
  WT_CHECK_EQ(std::wstring(font.lfFaceName), std::wstring(L"ＭＳ Ｐゴシック"));
  HDC screen = GetDC(nullptr);
  WT_CHECK_EQ(long(font.lfHeight), long(-MulDiv(12, GetDeviceCaps(screen, LOGPIXELSY), 72)));
  ReleaseDC(nullptr, screen);
}

void TestSplitDialog() {
  wt::BeginCase("Japanese split dialog: THDDLG, title, CP932 status line and message box, bar");
  wt::Handshake hs;
  wt::fakeJob = [&](JobState& s) -> int32_t {
    SetStatusText(s, "ファイル解析中");
    ReportProgress(s, 100);
    hs.JobPause();
    ShowMessage(s, "「オーバーラップ」入力値に誤りがあります");
    return -1;
  };
  std::wstring boxText;
  INT_PTR result = wt::RunProgressDialog(true, mainWindow, [&](HWND dialog) {
    if (!wt::Check(hs.DriverAwait(), "job reports progress", __FILE__, __LINE__)) return;
    WT_CHECK_EQ(wt::TextW(dialog), std::wstring(L"Tavrin - 分解"));
    WT_CHECK_EQ(wt::TextW(GetDlgItem(dialog, IDC_STATUS)), std::wstring(L"ファイル解析中"));
    CheckJapaneseTemplate(dialog);
    std::string mismatch = wt::BarMismatch(wt::CaptureClient(dialog), 100, wt::Rgb(200, 170, 130));
    wt::Check(mismatch.empty(), "full bar: " + mismatch, __FILE__, __LINE__);
    hs.DriverRelease();
    HWND box = wt::WaitForMessageBox(dialog);
    if (!wt::Check(box != nullptr, "the job's box over the dialog", __FILE__, __LINE__)) return;
    boxText = wt::MessageTextW(box);
    wt::PressOk(box);
  });
  WT_CHECK_EQ(long(result), -1L);
  WT_CHECK_EQ(boxText, std::wstring(L"「オーバーラップ」入力値に誤りがあります"));
}

void TestMergeDialog() {
  wt::BeginCase("Japanese merge dialog: title and merge colour");
  wt::Handshake hs;
  wt::fakeJob = [&](JobState& s) -> int32_t {
    SetStatusText(s, "ファイル２解析中");
    ReportProgress(s, 5);
    hs.JobPause();
    return 0;
  };
  INT_PTR result = wt::RunProgressDialog(false, mainWindow, [&](HWND dialog) {
    if (!wt::Check(hs.DriverAwait(), "job reports progress", __FILE__, __LINE__)) return;
    WT_CHECK_EQ(wt::TextW(dialog), std::wstring(L"Tavrin - 結合"));
    WT_CHECK_EQ(wt::TextW(GetDlgItem(dialog, IDC_STATUS)), std::wstring(L"ファイル２解析中"));
    std::string mismatch = wt::BarMismatch(wt::CaptureClient(dialog), 5, wt::Rgb(170, 130, 200));
    wt::Check(mismatch.empty(), "bar of 5 cells: " + mismatch, __FILE__, __LINE__);
    hs.DriverRelease();
  });
  WT_CHECK_EQ(long(result), 0L);
}

bool FailToStart(void(__cdecl*)(void*), void*) { return false; }

void TestWorkerNotStarted() {
  wt::BeginCase("Japanese: no worker thread gives the Japanese error box");
  SetWorkerStarter(FailToStart);
  std::wstring text;
  INT_PTR result = wt::RunProgressDialog(true, mainWindow, [&](HWND dialog) {
    HWND box = wt::WaitForMessageBox(dialog);
    if (!wt::Check(box != nullptr, "an error box", __FILE__, __LINE__)) return;
    text = wt::MessageTextW(box);
    wt::PressOk(box);
  });
  SetWorkerStarter(nullptr);
  WT_CHECK_EQ(text, std::wstring(L"エラー"));
  WT_CHECK_EQ(long(result), long(kWorkerNotStarted));
}

}  // namespace

int main() {
  wt::StartWatchdog(90000);
  wt::BeginCase("Japanese code page");
  if (!WT_CHECK_EQ(long(GetACP()), 932L)) return wt::Summary();  // texts below are CP932 bytes
  mainWindow = wt::CreateTestMainWindow();
  InitWin32Host(mainWindow, nullptr, 0);
  SetSplitJobFunction(wt::RunFakeJob);
  SetMergeJobFunction(wt::RunFakeJob);

  TestSplitDialog();
  TestMergeDialog();
  TestWorkerNotStarted();
  return wt::Summary();
}
