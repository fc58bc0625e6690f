// The window's fields as UTF-8: file names travel as UTF-8 std::string
// towards the jobs and as UTF-16 towards the W functions of Windows
// (io/wide_path.h).
#pragma once
#include <windows.h>

#include <string>

#include "io/wide_path.h"

// A window's text (a field, a list entry's owner) as UTF-8; any length.
std::string WindowTextUtf8(HWND window);
void SetWindowTextUtf8(HWND window, const std::string& text);
