#include "cli/interrupt.h"

#include <windows.h>

#include <cstdio>

namespace {
std::atomic<int32_t>* g_cancelFlag = nullptr;
// Set once the command has cleaned up and printed its last line.
HANDLE g_finished = nullptr;
std::atomic<bool> g_interruptSeen{false};
int g_depth = 0;  // objects alive: the outermost one holds the handler

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (g_cancelFlag) g_cancelFlag->store(-2);
  g_interruptSeen = true;
  // For the console's closing, logoff and shutdown the process ends when the
  // handler returns: give the job the few seconds the system allows to
  // remove its temporary files first.
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && g_finished) WaitForSingleObject(g_finished, 4000);
  return TRUE;
}
}  // namespace

InterruptAsCancel::InterruptAsCancel(NativeSink& sink) : outerFlag_(g_cancelFlag) {
  g_cancelFlag = &sink.cancelRequested;
  if (g_depth++ > 0) return;
  g_finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

InterruptAsCancel::~InterruptAsCancel() {
  std::fflush(stdout);
  g_cancelFlag = outerFlag_;
  if (--g_depth > 0) return;
  if (g_finished) SetEvent(g_finished);
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

bool InterruptSeen() { return g_interruptSeen; }
