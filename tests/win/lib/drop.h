// Files dropped onto a window as the shell hands them over (WM_DROPFILES).
#pragma once
#include <windows.h>

#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace wt {

// A drop as the shell hands it over: DROPFILES, then the names, then an empty one.
inline HDROP MakeDrop(const std::vector<std::string>& names, int x, int y) {
  size_t bytes = sizeof(DROPFILES) + 1;
  for (const std::string& name : names) bytes += name.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, bytes);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->pt.x = x;
  drop->pt.y = y;
  drop->fNC = FALSE;
  drop->fWide = FALSE;
  char* text = reinterpret_cast<char*>(drop) + sizeof(DROPFILES);
  for (const std::string& name : names) {
    std::memcpy(text, name.c_str(), name.size() + 1);
    text += name.size() + 1;
  }
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

}  // namespace wt
