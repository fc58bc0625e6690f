// For the Windows tests that run the real split and merge jobs through the
// progress dialogs: a log of every progress report as the dialog received it
// (with an optional reaction, such as pressing Cancel at a chosen point), a
// driver that answers every message box, and sample files.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/win/wt_progress_harness.h"

namespace wt {

struct ProgressEvent {
  std::string status;  // the status text the dialog is about to show
  long cells;
};

// Filled on the UI thread by a WH_CALLWNDPROC hook, which sees each
// CMD_PROGRESS just before the dialog procedure does (the worker waits meanwhile).
inline std::vector<ProgressEvent> progressLog;
inline std::function<void(HWND dialog, const ProgressEvent&)> onProgress;
inline HHOOK progressHook = nullptr;

inline LRESULT CALLBACK WatchProgress(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (m->message == WM_COMMAND && LOWORD(m->wParam) == CMD_PROGRESS && m->hwnd == ProgressWindow()) {
      ProgressEvent event{AppJobState().statusText, long(m->lParam)};
      progressLog.push_back(event);
      if (onProgress) onProgress(m->hwnd, event);
    }
  }
  return CallNextHookEx(progressHook, code, wParam, lParam);
}

// Call once, on the thread that opens the progress dialogs.
inline void WatchProgressReports() {
  progressHook = SetWindowsHookExA(WH_CALLWNDPROC, WatchProgress, nullptr, GetCurrentThreadId());
  Check(progressHook != nullptr, "WH_CALLWNDPROC hook installed", __FILE__, __LINE__);
}

// Presses Cancel (a click on the dialog's button) from inside the hook: the
// flag is set before the worker's report returns.
inline void PressCancel(HWND dialog) { SendMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0); }

struct SeenBox {
  bool ownedByDialog = false;  // else by the main window
  std::string text;
  std::wstring textW;
  std::string statusLine;  // the dialog's status line while the box was up
  std::wstring statusLineW;
  Capture dialogPixels;    // the dialog's client area while the box was up
};

struct JobRun {
  INT_PTR result = 0;
  std::vector<SeenBox> boxes;
  std::vector<ProgressEvent> progress;
};

// Runs the real job of the variant under its progress dialog, answering every
// message box (owned by the dialog or by main) with OK.
inline JobRun RunJob(bool split, HWND main) {
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
      WT_CHECK_EQ(TextA(box), std::string("Tavrin"));
      WT_CHECK(IsWindowVisible(dialog));  // the dialog stays open under the box
      seen.text = MessageText(box);
      seen.textW = MessageTextW(box);
      PressOk(box);
      WaitUntil([&] { return !IsWindow(box); }, 5000);
      run.boxes.push_back(seen);
    }
  });
  run.progress = progressLog;
  onProgress = nullptr;
  return run;
}

// The bar value painted in a capture: the number of leading cells drawn in
// colour when the rest of the bar matches, else -1.
inline int PaintedCells(const Capture& capture, uint32_t colour) {
  for (int cells = 0; cells <= 100; ++cells)
    if (BarMismatch(capture, cells, colour).empty()) return cells;
  return -1;
}

inline std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

inline std::string CurrentDirectory() {
  char path[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, path);
  return path;
}

// Copies a sample AVI into the current (scratch) directory, so that outputs
// land there; returns its full path, "" when the sample is missing.
inline std::string CopySample(const std::string& sample, const std::string& as) {
  std::string from = Env("TAVRIN_SAMPLES") + "\\" + sample;
  std::string to = CurrentDirectory() + "\\" + as;
  if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) {
    Check(false, "sample " + from + " copied (was tools/make_samples.sh run?)", __FILE__, __LINE__);
    return "";
  }
  return to;
}

inline long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (long long)data.nFileSizeHigh << 32 | data.nFileSizeLow;
}

inline bool FileExists(const std::string& path) { return FileSize(path) >= 0; }

// The first 12 bytes must be "RIFF", length - 8, "AVI ".
inline bool LooksLikeWholeAvi(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  unsigned char head[12] = {};
  size_t got = std::fread(head, 1, 12, f);
  std::fclose(f);
  uint32_t riffSize = head[4] | head[5] << 8 | head[6] << 16 | uint32_t(head[7]) << 24;
  return got == 12 && std::string(reinterpret_cast<char*>(head), 4) == "RIFF" &&
         std::string(reinterpret_cast<char*>(head) + 8, 4) == "AVI " && riffSize + 8ll == FileSize(path);
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
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
