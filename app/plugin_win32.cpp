#include "app/plugin_win32.h"

#include <cstdio>

namespace {

constexpr const char* kPluginFile = "TavrinD.dll";

using TestFuncEntry = int32_t(__stdcall*)(int32_t, int32_t);

}  // namespace

HMODULE LoadSizeSplitPlugin() {
  std::FILE* present = std::fopen(kPluginFile, "rb");
  if (!present) return nullptr;
  std::fclose(present);
  // Load the very file just seen: the bare name would let the loader prefer a
  // TavrinD.dll next to the program over the one in the current directory.
  char fullPath[MAX_PATH];
  DWORD length = GetFullPathNameA(kPluginFile, MAX_PATH, fullPath, nullptr);
  const char* name = length > 0 && length < MAX_PATH ? fullPath : kPluginFile;
  // Loaded once, never freed: the entry is looked up again at every use.
  return LoadLibraryA(name);
}

bool CallTestFunc(HMODULE plugin, int32_t first, int32_t second, int32_t* result) {
  if (!plugin) return false;
  auto entry = reinterpret_cast<TestFuncEntry>(reinterpret_cast<void*>(GetProcAddress(plugin, "TestFunc")));
  if (!entry) return false;
  *result = entry(first, second);
  return true;
}
