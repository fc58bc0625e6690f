// The Windows host of the jobs: the program-wide job state, and the host
// functions that reach the main window, the progress dialog and the plug-in.
#pragma once
#include <windows.h>

#include "app/host.h"

// The one job state of the program.
JobState& AppJobState();

// Connects the job state to the main window (source of the fields), the
// plug-in library (may be null) and the interface language.
void InitWin32Host(HWND mainWindow, HMODULE plugin, int englishUi);

// The progress dialog now running (target of progress reports, owner of the jobs' boxes).
void SetProgressWindow(HWND dialog);
HWND ProgressWindow();
