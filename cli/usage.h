// A command's usage message and help, from its row of the table.
#pragma once
#include <cstdio>
#include <string>

#include "cli/command.h"

// "usage: " before the synopsis's first line, the others moved under it.
std::string UsageText(const char* synopsis);
void PrintUsage(const Command& command, std::FILE* to);
// "tavrin COMMAND: PROBLEM" and the command's usage on stderr; returns 2,
// the exit status of a usage error.
int UsageError(const Command& command, const std::string& problem);
// tavrin COMMAND --help: the usage and the help text.
void PrintCommandHelp(const Command& command, std::FILE* to);
