// A job's progress dialog watched from its own thread: every report the
// worker sends is logged, and Cancel is pressed at the report a test chooses.
// The worker waits in its report until the dialog's thread has taken it, so a
// Cancel pressed there is seen at the job's next look at the flag, however
// fast or slow the job runs: a test that watched for the dialog from its own
// thread could find it gone already, a short job ended before the press.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "io/wide_path.h"
#include "tests/win/lib/check.h"
#include "tests/win/lib/ui.h"
#include "ui/progress_dialog.h"
#include "ui/win32_host.h"

namespace wt {

struct ProgressEvent {
  std::string status;  // the status text the dialog is about to show, in the system code page
  long cells;
};

// A job's text (UTF-8, texts/) in the system code page, as the test programs'
// literals are (CP932 in Japanese runs).
inline std::string AnsiFromJob(const std::string& text) {
  std::string ansi;
  return CodePageFromUtf8(text, &ansi) ? ansi : text;
}
// The other way: a test's literal handed to the host as a job's text.
inline std::string JobFromAnsi(const char* text) { return Utf8FromCodePage(text, CP_ACP); }

// Filled on the dialog's thread by a WH_CALLWNDPROC hook, which sees each
// CMD_PROGRESS just before the dialog procedure does (the worker waits meanwhile).
inline std::vector<ProgressEvent> progressLog;
inline std::function<void(HWND dialog, const ProgressEvent&)> onProgress;
inline HHOOK progressHook = nullptr;
inline DWORD progressHookThread = 0;

inline LRESULT CALLBACK WatchProgress(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (m->message == WM_COMMAND && LOWORD(m->wParam) == CMD_PROGRESS && m->hwnd == ProgressWindow()) {
      ProgressEvent event{AnsiFromJob(AppJobState().statusText), long(m->lParam)};
      progressLog.push_back(event);
      if (onProgress) onProgress(m->hwnd, event);
    }
  }
  return CallNextHookEx(progressHook, code, wParam, lParam);
}

// Watches the progress dialogs that thread opens (by default this one);
// called for another thread, the watch moves there.
inline void WatchProgressReports(DWORD thread = GetCurrentThreadId()) {
  if (progressHook && progressHookThread == thread) return;
  if (progressHook) UnhookWindowsHookEx(progressHook);
  progressHook = SetWindowsHookExA(WH_CALLWNDPROC, WatchProgress, nullptr, thread);
  progressHookThread = thread;
  Check(progressHook != nullptr, "WH_CALLWNDPROC hook installed", __FILE__, __LINE__);
}

// Presses Cancel (a click on the dialog's button) from inside the hook: the
// flag is set before the worker's report returns.
inline void PressCancel(HWND dialog) { SendMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0); }

// Where the armed Cancel went in, as the dialog was at that moment.
struct CancelPress {
  HWND dialog = nullptr;  // none yet
  HWND owner = nullptr;
  std::wstring title;
  bool visible = false;
  ProgressEvent during;  // the report it came in
};
inline CancelPress cancelPress;

// Arms one Cancel for the next job whose progress dialog the thread of window
// opens: pressed at the first report that when accepts.
inline void CancelAt(HWND window, std::function<bool(const ProgressEvent&)> when) {
  WatchProgressReports(GetWindowThreadProcessId(window, nullptr));
  cancelPress = {};
  onProgress = [when](HWND dialog, const ProgressEvent& event) {
    if (cancelPress.dialog || !when(event)) return;
    cancelPress = {dialog, GetWindow(dialog, GW_OWNER), TextW(dialog), IsWindowVisible(dialog) != 0, event};
    PressCancel(dialog);
  };
}
inline void CancelAtFirstReport(HWND window) {
  CancelAt(window, [](const ProgressEvent&) { return true; });
}

// Checks that the armed Cancel went into the visible progress dialog of owner
// titled title; disarms it.
inline bool CancelWentInto(HWND owner, const std::wstring& title, const char* file, int line) {
  const CancelPress press = cancelPress;
  onProgress = nullptr;
  if (!press.dialog) return Check(false, "Cancel was pressed during a report of the job", file, line);
  return Check(press.owner == owner && press.title == title && press.visible,
               "Cancel went into the visible progress dialog " + Show(title) + " of the expected owner, not " +
                   Show(press.title) + (press.visible ? "" : " (hidden)") +
                   (press.owner == owner ? "" : " of another owner"),
               file, line);
}
#define WT_CHECK_CANCELLED_IN(owner, title) ::wt::CancelWentInto((owner), (title), __FILE__, __LINE__)

}  // namespace wt
