// The window's own text conversions: file names travel as UTF-8 std::string
// towards the jobs and as UTF-16 towards the W functions of Windows; the
// settings file keeps paths in the system code page.
#pragma once
#include <windows.h>

#include <string>

std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);
std::string Utf8FromAnsi(const std::string& text);  // the system code page
std::string AnsiFromUtf8(const std::string& text);

// A window's text (a field, a list entry's owner) as UTF-8; any length.
std::string WindowTextUtf8(HWND window);
void SetWindowTextUtf8(HWND window, const std::string& text);
