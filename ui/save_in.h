// The Save in field of the Split page and of the Split into Pieces dialog:
// the folder the outputs go to, empty for beside the input (as always). The
// Split page's is remembered in Tavrin.ini (ToolSettings::saveIn) and is
// the Pieces dialog's to begin with.
#pragma once
#include <windows.h>

#include <string>

// The folder picker, starting in the field's folder; the choice goes into
// the field. False when cancelled.
bool ChooseSaveInFolder(HWND dialog, int field);
