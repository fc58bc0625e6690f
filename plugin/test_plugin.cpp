// A stand-in for the size-split plug-in, used by the Windows tests: exports
// only "TestFunc", records each call and returns what the test asked for.
//   TAVRIN_PLUGIN_LOG     file to which each call appends "first second threadId\n"
//   TAVRIN_PLUGIN_RESULT  the value to return (decimal; 0 when unset)
// The environment is read with the Win32 call so that a test process can
// change it between calls with SetEnvironmentVariableA.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The DLL is linked with --kill-at, so the export is "TestFunc", not "TestFunc@8".
extern "C" __declspec(dllexport) int32_t __stdcall TestFunc(int32_t first, int32_t second) {
  char value[MAX_PATH];
  DWORD length = GetEnvironmentVariableA("TAVRIN_PLUGIN_LOG", value, sizeof value);
  if (length > 0 && length < sizeof value) {
    if (std::FILE* log = std::fopen(value, "a")) {
      std::fprintf(log, "%ld %ld %lu\n", long(first), long(second), GetCurrentThreadId());
      std::fclose(log);
    }
  }
  length = GetEnvironmentVariableA("TAVRIN_PLUGIN_RESULT", value, sizeof value);
  if (length > 0 && length < sizeof value) return int32_t(std::strtol(value, nullptr, 10));
  return 0;
}
