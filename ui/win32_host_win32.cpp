// The Windows host: the jobs' progress reports, message boxes, field reads and
// plug-in calls, done with sent messages that the UI thread's modal loop answers.
#include "ui/win32_host.h"

#include <atomic>

#include "app/plugin_win32.h"
#include "ui/progress_dialog.h"

namespace {

struct Win32Host {
  HWND mainWindow;
  HMODULE plugin;
};

Win32Host host = {nullptr, nullptr};
// Set on the UI thread, read by the worker (and by test drivers on theirs).
std::atomic<HWND> progressWindow{nullptr};

void Progress(void*, const char* statusText, int cells) {
  JobState& state = AppJobState();
  if (statusText != state.statusText) SetStatusText(state, statusText);
  // Returns after the dialog has taken the text and the bar value.
  SendMessageA(progressWindow.load(), WM_COMMAND, CMD_PROGRESS, cells);
}

void ShowMessage(void* context, const char* text, MessageOwner owner) {
  const Win32Host& h = *static_cast<Win32Host*>(context);
  HWND ownerWindow = owner == MessageOwner::ProgressWindow ? progressWindow.load() : h.mainWindow;
  MessageBoxA(ownerWindow, text, "Tavrin", MB_OK | MB_SETFOREGROUND);
}

void ReadField(void* context, int controlId, char* buffer) {
  const Win32Host& h = *static_cast<Win32Host*>(context);
  buffer[0] = 0;  // a missing control reads as the empty text
  HWND control = GetDlgItem(h.mainWindow, controlId);
  // From the worker thread this is a sent WM_GETTEXT.
  if (control) GetWindowTextA(control, buffer, kPathBytes);
}

bool IsChecked(void* context, int controlId) {
  const Win32Host& h = *static_cast<Win32Host*>(context);
  return (SendMessageA(GetDlgItem(h.mainWindow, controlId), BM_GETSTATE, 0, 0) & 1) != 0;
}

bool CallPlugin(void* context, int32_t first, int32_t second, int32_t* result) {
  const Win32Host& h = *static_cast<Win32Host*>(context);
  return CallTestFunc(h.plugin, first, second, result);
}

}  // namespace

JobState& AppJobState() {
  static JobState state;
  return state;
}

void InitWin32Host(HWND mainWindow, HMODULE plugin, int englishUi) {
  host.mainWindow = mainWindow;
  host.plugin = plugin;
  JobState& state = AppJobState();
  state.englishUi = englishUi;
  state.host.context = &host;
  state.host.progress = Progress;
  state.host.messageBox = ShowMessage;
  state.host.readField = ReadField;
  state.host.isChecked = IsChecked;
  state.host.callPlugin = CallPlugin;
}

void SetProgressWindow(HWND dialog) { progressWindow.store(dialog); }
HWND ProgressWindow() { return progressWindow.load(); }
