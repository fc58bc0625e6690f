// File choosing for the main window: the open-file dialog of the Ref buttons
// and menu items (keeps OrgFolder), and files dropped onto the window.
#pragma once
#include <windows.h>

#include <shellapi.h>

// Lets the user choose an AVI file for field: 0 when chosen (field, output
// and OrgFolder updated), 1 when the dialog was cancelled.
int BrowseForAvi(HWND window, int field, char* output, int length);

// Puts a dropped ".avi" file's name into the field of the page (on the Merge
// page by the drop point); always ends with DragFinish.
void HandleDroppedFiles(HWND window, HDROP drop);
