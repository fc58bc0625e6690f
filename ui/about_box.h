// The About box: a painted title line and push button on TEMPDLG; a keyboard
// hook routes Enter to it and swallows every other key while it has the focus.
#pragma once
#include <windows.h>

INT_PTR CALLBACK AboutBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK AboutKeyHook(int code, WPARAM virtualKey, LPARAM keyFlags);

// Opens the box modally over owner; returns when it has been closed.
void RunAboutBox(HINSTANCE instance, HWND owner);
