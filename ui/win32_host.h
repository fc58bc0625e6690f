// The Windows host of the jobs: the program-wide job state, and the host
// functions that reach the main window, the progress dialog and the plug-in.
#pragma once
#include <windows.h>

#include "app/host.h"

// The one job state of the program.
JobState& AppJobState();

// Connects the job state to the main window (source of the fields and owner
// of its own message boxes), the plug-in library (may be null) and the
// interface language (1 English, 0 Japanese). Call once the main window exists.
void InitWin32Host(HWND mainWindow, HMODULE plugin, int englishUi);

// The progress dialog now running (target of progress reports, owner of the
// jobs' boxes). Set by the progress dialog; keeps the last one after it ends.
void SetProgressWindow(HWND dialog);
HWND ProgressWindow();
