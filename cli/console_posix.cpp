#include "cli/console.h"

#include <unistd.h>

void PrepareConsole(int*, char***) {}

bool ErrorStreamIsTerminal() { return isatty(2) != 0; }
