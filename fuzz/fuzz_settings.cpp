// Fuzz target: the settings file reader and the values it hands the window.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!file) return 0;
  Settings s;
  InitSettings(s);
  ReadSettings(file, s, "C:\\start");
  std::fclose(file);
  if (std::strlen(s.windowPosition) >= sizeof s.windowPosition) std::abort();
  if (std::strlen(s.orgFolder) >= sizeof s.orgFolder) std::abort();
  if (s.currentTab != 0 && s.currentTab != 1) std::abort();
  if (s.createFileChoice < 1 || s.createFileChoice > 3) std::abort();
  int left = 0, top = 0;
  ParseWindowPosition(s.windowPosition, left, top);
  char text[64];
  FormatOverlap(s.overlapSeconds, text, sizeof text);
  std::string asText(reinterpret_cast<const char*>(data), size);
  ParseSettingsInt(asText.c_str());
  return 0;
}
