// Checks what every Windows test relies on from the Wine harness: an
// English user language, the sample folder reachable under its Windows
// path, and a writable scratch folder as the current directory.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

static int failures = 0;

static void Check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
  if (!ok) ++failures;
}

int main() {
  Check(GetUserDefaultLangID() != 1041, "user language is not Japanese under LANG=C.UTF-8");

  const char* samples = std::getenv("TAVRIN_SAMPLES");
  Check(samples && samples[0] == 'Z' && samples[1] == ':', "TAVRIN_SAMPLES is a Z: path");
  if (samples) {
    std::string manifest = std::string(samples) + "\\samples.txt";
    HANDLE h = CreateFileA(manifest.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    Check(h != INVALID_HANDLE_VALUE, "samples.txt opens through the Windows path");
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }

  FILE* f = std::fopen("scratch.txt", "wb");
  Check(f != nullptr, "current directory is writable");
  if (f) std::fclose(f);

  return failures == 0 ? 0 : 1;
}
