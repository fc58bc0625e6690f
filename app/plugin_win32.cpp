#include "app/plugin_win32.h"

#include <cstdio>
#include <string>

#include "io/wide_path.h"

namespace {

constexpr const char* kPluginFile = "\\TavrinD.dll";

using TestFuncEntry = int32_t(__stdcall*)(int32_t, int32_t);

}  // namespace

HMODULE LoadSizeSplitPlugin(const std::string& folder) {
  // The very file in that folder, by its full path: the bare name would let
  // the loader search elsewhere (the current directory among others).
  if (folder.empty()) return nullptr;
  const std::wstring fullPath = WidePath(folder + kPluginFile);
  std::FILE* present = _wfopen(fullPath.c_str(), L"rb");
  if (!present) return nullptr;
  std::fclose(present);
  // Loaded once, never freed: the entry is looked up again at every use.
  return LoadLibraryW(fullPath.c_str());
}

bool CallTestFunc(HMODULE plugin, int32_t first, int32_t second, int32_t* result) {
  if (!plugin) return false;
  auto entry = reinterpret_cast<TestFuncEntry>(reinterpret_cast<void*>(GetProcAddress(plugin, "TestFunc")));
  if (!entry) return false;
  *result = entry(first, second);
  return true;
}
