#include "app/plugin_win32.h"

#include <cstdio>
#include <string>

namespace {

constexpr const wchar_t* kPluginFile = L"TavrinD.dll";

using TestFuncEntry = int32_t(__stdcall*)(int32_t, int32_t);

}  // namespace

HMODULE LoadSizeSplitPlugin() {
  // Load the very file seen in the current directory (whatever its folder is
  // named): the bare name would let the loader prefer a TavrinD.dll next to
  // the program over the one in the current directory.
  const DWORD length = GetFullPathNameW(kPluginFile, 0, nullptr, nullptr);
  if (length == 0) return nullptr;
  std::wstring fullPath(length, L'\0');
  fullPath.resize(GetFullPathNameW(kPluginFile, length, &fullPath[0], nullptr));
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
