// tavrin: the command-line front end over the same jobs the Windows program
// runs. The commands, their usage and help: cli/command_table.cpp.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/version.h"
#include "cli/command_table.h"
#include "cli/completion_script.h"
#include "cli/console.h"
#include "cli/manual_page.h"
#include "cli/usage.h"

namespace {

bool AsksForHelp(const char* word) {
  return std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0 || std::strcmp(word, "help") == 0;
}

}  // namespace

int main(int argc, char** argv) {
  PrepareConsole(&argc, &argv);
  if (argc < 2) {
    PrintProgramUsage(stderr);
    return 2;
  }
  const char* word = argv[1];
  if (std::strcmp(word, "--version") == 0 || std::strcmp(word, "version") == 0) {
    std::printf("tavrin %s\n", TAVRIN_VERSION_TEXT);
    return 0;
  }
  // For the build, which installs what they print.
  if (std::strcmp(word, "--man") == 0) return std::fputs(ManualPage().c_str(), stdout), 0;
  if (std::strcmp(word, "--bash-completion") == 0) return std::fputs(BashCompletion().c_str(), stdout), 0;
  if (AsksForHelp(word)) {
    if (argc < 3) return PrintProgramHelp(stdout), 0;
    const Command* command = FindCommand(argv[2]);
    if (!command) return PrintProgramUsage(stderr), 2;
    return PrintCommandHelp(*command, stdout), 0;
  }
  const Command* command = FindCommand(word);
  if (!command) {
    std::fprintf(stderr, "tavrin: unknown command '%s'\n", word);
    PrintProgramUsage(stderr);
    return 2;
  }
  if (argc >= 3 && (std::strcmp(argv[2], "--help") == 0 || std::strcmp(argv[2], "-h") == 0))
    return PrintCommandHelp(*command, stdout), 0;
  return command->run(*command, argc - 2, argv + 2);
}
