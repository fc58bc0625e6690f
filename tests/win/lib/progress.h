// The progress dialogs run inside the test program: a stand-in main window
// with the fields the jobs read, fake jobs the worker runs, a driver thread
// that plays the user while the dialog's modal loop runs, and the real split
// and merge jobs with a log of every progress report and every box they show.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "io/wide_path.h"
#include "tests/win/lib/check.h"
#include "tests/win/lib/files.h"
#include "tests/win/lib/ids.h"
#include "tests/win/lib/progress_watch.h"
#include "tests/win/lib/shots.h"
#include "tests/win/lib/ui.h"
#include "ui/progress_dialog.h"
#include "ui/win32_host.h"

namespace wt {

// Fake jobs: the worker runs whatever the current test put here.
inline std::function<int32_t(JobState&)> fakeJob;
inline int32_t RunFakeJob(JobState& state) { return fakeJob(state); }

// Opens a progress dialog (split or merge variant) on this thread, owned by
// owner, while driver runs on a second thread with the dialog's handle.
// Returns what the dialog returned.
inline DWORD WINAPI DriveDialog(void* data) {
  auto* driver = static_cast<std::function<void(HWND)>*>(data);
  HWND dialog = nullptr;
  if (!WaitUntil([&] { return (dialog = ProgressWindow()) != nullptr; })) {
    Check(false, "the progress dialog registers itself as ProgressWindow", __FILE__, __LINE__);
    return 0;
  }
  (*driver)(dialog);
  return 0;
}
inline INT_PTR RunProgressDialog(bool split, HWND owner, std::function<void(HWND)> driver) {
  SetProgressWindow(nullptr);
  HANDLE thread = CreateThread(nullptr, 0, DriveDialog, &driver, 0, nullptr);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  INT_PTR result = split ? RunSplitProgress(instance, owner) : RunMergeProgress(instance, owner);
  WaitForSingleObject(thread, 30000);
  CloseHandle(thread);
  return result;
}

// A handshake between a fake job (worker thread) and the driver: the job
// stops at a point and waits until the driver has looked and lets it go on.
struct Handshake {
  HANDLE jobReached = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE driverDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  void JobPause() { SignalObjectAndWait(jobReached, driverDone, 20000, FALSE); }
  bool DriverAwait() { return WaitForSingleObject(jobReached, 20000) == WAIT_OBJECT_0; }
  void DriverRelease() { SetEvent(driverDone); }
};

// ---- a stand-in main window ------------------------------------------------

inline INT_PTR CALLBACK PassiveDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A dialog carrying the Split page's fields and the Merge page's two, made on
// the calling thread. Time-based, both files, Split-Merge off to begin with.
inline HWND CreateTestMainWindow() {
  alignas(4) static WORD templ[32] = {};
  auto* header = reinterpret_cast<DLGTEMPLATE*>(templ);
  header->style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
  header->cx = 300;
  header->cy = 200;
  // menu, class and title: all empty (the three WORDs after the header are 0)
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND main = CreateDialogIndirectParamA(instance, header, nullptr, PassiveDialog, 0);
  struct Control {
    int id;
    const char* className;
    DWORD style;
  };
  const DWORD field = ES_AUTOHSCROLL | WS_BORDER;
  const Control controls[] = {
      {IDC_SRC_FILE, "EDIT", field},
      {IDC_BY_TIME, "BUTTON", BS_AUTORADIOBUTTON | WS_GROUP},
      {IDC_BY_SIZE, "BUTTON", BS_AUTORADIOBUTTON},
      {IDC_HOURS, "EDIT", field},
      {IDC_MINUTES, "EDIT", field},
      {IDC_SECONDS, "EDIT", field},
      {IDC_SIZE_MB, "EDIT", field},
      {IDC_CREATE_BOTH, "BUTTON", BS_AUTORADIOBUTTON | WS_GROUP},
      {IDC_CREATE_FIRST, "BUTTON", BS_AUTORADIOBUTTON},
      {IDC_CREATE_SECOND, "BUTTON", BS_AUTORADIOBUTTON},
      {IDC_OVERLAP, "EDIT", field | WS_GROUP},
      {IDC_SPLIT_MERGE, "BUTTON", BS_AUTOCHECKBOX | WS_GROUP},
      {IDC_MERGE_FILE1, "EDIT", field},
      {IDC_MERGE_FILE2, "EDIT", field},
  };
  int y = 4;
  for (const Control& c : controls) {
    CreateWindowExA(0, c.className, "", WS_CHILD | WS_VISIBLE | c.style, 4, y, 280, 20, main,
                    reinterpret_cast<HMENU>(INT_PTR(c.id)), instance, nullptr);
    y += 22;
  }
  SendDlgItemMessageA(main, IDC_BY_TIME, BM_SETCHECK, BST_CHECKED, 0);
  SendDlgItemMessageA(main, IDC_CREATE_BOTH, BM_SETCHECK, BST_CHECKED, 0);
  return main;
}

inline void SetField(HWND main, int id, const std::string& text) { SetDlgItemTextA(main, id, text.c_str()); }

// Checks one radio button of a group (unchecking the others) or sets a check box.
inline void SetChecked(HWND main, int id, bool checked = true) {
  const int groups[][3] = {{IDC_BY_TIME, IDC_BY_SIZE, 0}, {IDC_CREATE_BOTH, IDC_CREATE_FIRST, IDC_CREATE_SECOND}};
  for (const auto& group : groups) {
    bool inGroup = false;
    for (int member : group) inGroup |= member == id;
    if (!inGroup) continue;
    for (int member : group)
      if (member) SendDlgItemMessageA(main, member, BM_SETCHECK, member == id ? BST_CHECKED : BST_UNCHECKED, 0);
    return;
  }
  SendDlgItemMessageA(main, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

inline void SetSplitFields(HWND main, const std::string& path, const char* hours, const char* minutes,
                           const char* seconds, const char* overlap) {
  SetField(main, IDC_SRC_FILE, path);
  SetField(main, IDC_HOURS, hours);
  SetField(main, IDC_MINUTES, minutes);
  SetField(main, IDC_SECONDS, seconds);
  SetField(main, IDC_OVERLAP, overlap);
}

// ---- the real jobs under their dialogs -------------------------------------

// The usual start of an in-process job test: the stand-in main window, the
// host in the run's language without a plug-in, progress reports watched.
inline HWND StartJobHost() {
  HWND main = CreateTestMainWindow();
  InitWin32Host(main, nullptr, Japanese() ? 0 : 1);
  WatchProgressReports();
  return main;
}

struct SeenBox {
  bool ownedByDialog = false;  // else by the main window
  std::string text;            // in the system code page (CP932 in Japanese runs)
  std::wstring textW;
  std::string statusLine;  // the dialog's status line while the box was up
  std::wstring statusLineW;
  Capture dialogPixels;  // the dialog's client area while the box was up
  std::string filesWhenUp;  // what RunJob's folder held while the box was up
};

struct JobRun {
  INT_PTR result = 0;
  std::vector<SeenBox> boxes;
  std::vector<ProgressEvent> progress;
};

// Runs the real job of the variant under its progress dialog, answering every
// message box (owned by the dialog or by main) with OK, and the question
// whether to replace existing files with replaceAnswer (IDYES or IDNO).
// shot: the name of a screenshot of the first box (tests/win/lib/shots.h);
// folder: one whose files each box's filesWhenUp lists.
inline JobRun RunJob(bool split, HWND main, int replaceAnswer = IDYES, const std::string& shot = "",
                     const std::string& folder = "") {
  JobRun run;
  progressLog.clear();
  run.result = RunProgressDialog(split, main, [&](HWND dialog) {
    while (IsWindow(dialog)) {
      HWND box = FindMessageBox(dialog);
      bool byDialog = box != nullptr;
      if (!box) box = FindMessageBox(main);
      if (!box) {
        Sleep(10);
        continue;
      }
      SeenBox seen;
      seen.ownedByDialog = byDialog;
      seen.statusLine = TextA(GetDlgItem(dialog, IDC_STATUS));
      seen.statusLineW = TextW(GetDlgItem(dialog, IDC_STATUS));
      seen.dialogPixels = CaptureClient(dialog);
      if (!folder.empty()) seen.filesWhenUp = FilesIn(folder);
      WT_CHECK_EQ(TextA(box), std::string("Tavrin"));
      WT_CHECK(IsWindowVisible(dialog));  // the dialog stays open under the box
      seen.text = MessageText(box);
      seen.textW = MessageTextW(box);
      if (!shot.empty() && run.boxes.empty()) SaveShot(shot + (Japanese() ? "-ja" : "-en"));
      Answer(box, replaceAnswer);
      WaitUntil([&] { return !IsWindow(box); }, 5000);
      run.boxes.push_back(seen);
    }
  });
  run.progress = progressLog;
  onProgress = nullptr;
  return run;
}

// Reports must only move the bar forward within each status text's stage.
inline bool NonDecreasing(const std::vector<ProgressEvent>& events) {
  for (size_t i = 1; i < events.size(); ++i)
    if (events[i].status == events[i - 1].status && events[i].cells < events[i - 1].cells) return false;
  return true;
}

inline std::string Describe(const std::vector<ProgressEvent>& events) {
  std::string out;
  for (const ProgressEvent& e : events) out += "(" + e.status + "," + std::to_string(e.cells) + ")";
  return out;
}

}  // namespace wt
