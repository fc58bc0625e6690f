// Runs a cut request and reports it as tavrin cut does (the text or the
// JSON line, the exit status): tavrin cut, and tavrin split --exact, which
// is a cut into a file per range.
#pragma once
#include "cut/cut_job.h"

// name: the command for the error stream's lines ("cut", "split").
int RunCutRequest(CutRequest& request, bool json, int englishUi, const char* name);
