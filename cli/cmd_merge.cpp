#include <cstdio>

#include "cli/commands.h"

int RunMerge(int, char**) {
  std::fputs("tavrin merge: not available yet\n", stderr);
  return 2;
}
