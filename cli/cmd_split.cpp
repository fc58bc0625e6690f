#include <cstdio>

#include "cli/commands.h"

int RunSplit(int, char**) {
  std::fputs("tavrin split: not available yet\n", stderr);
  return 2;
}
