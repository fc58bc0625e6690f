// Find breaks (the Cut dialog): the detection of detect/break_finder.h
// (black pictures and silence of 0.5 s or more, and scene changes for the
// preview) run on a recording under the progress dialog (status line, bar,
// Cancel), in one read of the file.
#pragma once
#include <windows.h>

#include <string>

#include "detect/break_finder.h"

struct FoundBreaks {
  BreakStatus status = BreakStatus::Failed;
  Breaks breaks;
  std::string why;  // Failed: the reason (the core's words, English)
};

// path is UTF-8. Cancelled when the user pressed Cancel.
FoundBreaks RunFindBreaksProgress(HWND owner, const std::string& path);
