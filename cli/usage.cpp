#include "cli/usage.h"

#include <cstring>

std::string UsageText(const char* synopsis) {
  std::string text = "usage: ";
  for (const char* line = synopsis; *line;) {
    const char* end = std::strchr(line, '\n');
    if (!end) end = line + std::strlen(line);
    if (line != synopsis) text += "       ";
    text.append(line, end).push_back('\n');
    line = *end ? end + 1 : end;
  }
  return text;
}

void PrintUsage(const Command& command, std::FILE* to) { std::fputs(UsageText(command.synopsis).c_str(), to); }

int UsageError(const Command& command, const std::string& problem) {
  std::fprintf(stderr, "tavrin %s: %s\n", command.name, problem.c_str());
  PrintUsage(command, stderr);
  return 2;
}

void PrintCommandHelp(const Command& command, std::FILE* to) {
  PrintUsage(command, to);
  std::fputs(command.help, to);
}
