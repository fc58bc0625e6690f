#include "cli/console.h"

#include <windows.h>

#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "io/wide_path.h"

namespace {

UINT g_previousOutputCodePage = 0;

void RestoreConsole() {
  if (g_previousOutputCodePage != 0) SetConsoleOutputCP(g_previousOutputCodePage);
}

}  // namespace

void PrepareConsole(int* argc, char*** argv) {
  // The arguments as typed, in UTF-8: the ANSI argv would have turned every
  // character outside the system code page into "?".
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide) {
    static std::vector<std::string> texts;
    static std::vector<char*> pointers;
    texts.clear();
    for (int i = 0; i < count; ++i) texts.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    pointers.clear();
    for (std::string& text : texts) pointers.push_back(&text[0]);
    pointers.push_back(nullptr);
    *argc = count;
    *argv = pointers.data();
  }
  // The bytes written are the bytes meant: UTF-8 JSON and messages with "\n"
  // line ends, as on every other system; a console shows them as UTF-8.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  if (GetConsoleOutputCP() != CP_UTF8) {
    const UINT previous = GetConsoleOutputCP();
    if (previous != 0 && SetConsoleOutputCP(CP_UTF8)) {
      g_previousOutputCodePage = previous;
      std::atexit(RestoreConsole);
    }
  }
}

bool ErrorStreamIsTerminal() { return _isatty(_fileno(stderr)) != 0; }
