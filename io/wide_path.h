// Paths are UTF-8 everywhere in the program; the Windows build turns them
// into UTF-16 at each call of the system (CreateFileW, MoveFileExW, ...), so
// a name with any character Windows allows works whatever the system code
// page. Only the Windows build has these functions (wide_path_win32.cpp).
//
//   HANDLE h = CreateFileW(WidePath(path).c_str(), ...);
//   std::string name = Utf8FromWide(buffer);
#pragma once
#ifdef _WIN32
#include <string>

// The UTF-16 form of a UTF-8 text. Bytes that are no valid UTF-8 are taken
// as the system code page's, as names were passed before (and as a library
// or an old settings file may still pass them).
std::wstring WideFromUtf8(const std::string& text);
// The same for a path handed to the file system: a full path of 260
// characters or more gets the "\\?\" prefix (its '/' turned into '\'),
// which lifts the old limit where the system allows longer names.
std::wstring WidePath(const std::string& path);
std::string Utf8FromWide(const wchar_t* text);
std::string Utf8FromWide(const std::wstring& text);
// Text of the system code page (an old settings file, an ANSI caller) to UTF-8.
std::string Utf8FromCodePage(const std::string& text, unsigned codePage);
// UTF-8 to the system code page; false when some character has no form there.
bool CodePageFromUtf8(const std::string& text, std::string* out);
#endif
