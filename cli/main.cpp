// tavrin: the command-line front end over the same jobs the Windows program runs.
#include <cstdio>
#include <cstring>

#include "cli/commands.h"

namespace {

void PrintUsage() {
  std::fputs(
      "usage: tavrin info FILE [--json]\n"
      "       tavrin split FILE [--hours T] [--minutes T] [--seconds T] | [--size-mb N]\n"
      "                    [--overlap T] [--create both|first|second] [--lang en|ja] [--json]\n"
      "       tavrin merge FILE1 FILE2 [--write [--output PATH]] [--lang en|ja] [--json]\n",
      stderr);
}

}  // namespace

bool PathUsableWhole(const char* path) { return std::strlen(path) <= 259; }

std::string PathTooLong(const char* path) {
  return "'" + std::string(path) + "' is " + std::to_string(std::strlen(path)) +
         " bytes long; paths of at most 259 bytes can be used";
}

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage();
    return 2;
  }
  const char* command = argv[1];
  if (std::strcmp(command, "info") == 0) return RunInfo(argc - 2, argv + 2);
  if (std::strcmp(command, "split") == 0) return RunSplit(argc - 2, argv + 2);
  if (std::strcmp(command, "merge") == 0) return RunMerge(argc - 2, argv + 2);
  if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
    PrintUsage();
    return 0;
  }
  std::fprintf(stderr, "tavrin: unknown command '%s'\n", command);
  PrintUsage();
  return 2;
}
