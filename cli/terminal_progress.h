// The job's progress as a bar on stderr when it is a terminal; nothing otherwise.
#pragma once
#include "app/native_host.h"

// Shows host's progress reports as a bar on stderr if stderr is a terminal.
void ShowProgressOnTerminal(NativeHost& host);
// Ends the bar's line, if one was drawn.
void EndProgressLine(NativeHost& host);
