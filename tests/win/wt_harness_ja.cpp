// Checks that a program named *_ja runs with the Japanese user language and
// ANSI code page 932, as the Japanese UI tests expect.
#include <windows.h>

#include <cstdio>

int main() {
  LANGID lang = GetUserDefaultLangID();
  UINT acp = GetACP();
  std::printf("user language %u, ANSI code page %u\n", unsigned(lang), acp);
  return lang == 1041 && acp == 932 ? 0 : 1;
}
