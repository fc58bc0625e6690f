// The main window: the Split and Merge pages on one dialog, the menus that
// follow the page, execute with cancel handling and Split-Merge, help, closing.
#pragma once
#include <windows.h>

#include "ui/shell_state.h"

INT_PTR CALLBACK MainDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Shows page 0 (Split) or 1 (Merge) with its button caption and menus;
// returns 0, or 1 (nothing changed) for any other page number.
int ShowTab(HWND window, int tab);

// Opens the main dialog (MYDLG or MYDLGE) modally; returns its end value.
INT_PTR RunMainDialog();
