// The optional size-split plug-in "TavrinD.dll": loaded once at start from the
// program's folder and kept for the whole run; its entry "TestFunc" is looked up at each use.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// Loads folder\TavrinD.dll (folder UTF-8: the program's own, ProgramFolder())
// when that file can be opened for reading; returns the kept handle, or null
// when there is no usable library. Start-up calls it once.
HMODULE LoadSizeSplitPlugin(const std::string& folder);

// Looks up "TestFunc" in plugin and calls it with (first, second), standard
// calling convention. False, without a call, when plugin is null or lacks the entry.
bool CallTestFunc(HMODULE plugin, int32_t first, int32_t second, int32_t* result);
