#include "app/startup.h"

#include <cstdio>
#include <cstring>

int ChooseEnglishUi(const char* commandLine, int userLangId) {
  int englishUi = userLangId == kJapaneseLangId ? 0 : 1;
  if (commandLine && commandLine[0] == '/' && commandLine[1] != 0) {
    const char a = commandLine[1], b = commandLine[2];
    if ((a == 'u' || a == 'U') && (b == 's' || b == 'S')) englishUi = 1;
    if ((a == 'j' || a == 'J') && (b == 'p' || b == 'P')) englishUi = 0;
  }
  return englishUi;
}

void TrimStartDirectory(char* directory) {
  const size_t length = std::strlen(directory);
  if (length > 0 && directory[length - 1] == '\\') directory[length - 1] = 0;
}

bool JoinStartPath(const char* startDirectory, const char* name, char* out, int size) {
  const int written = std::snprintf(out, size, "%s%s", startDirectory, name);
  return written >= 0 && written < size;
}
