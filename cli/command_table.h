// Every command of the command line in one table (command_table.cpp): what
// runs it, the line `tavrin help` says of it, its synopsis, the help
// `tavrin COMMAND --help` prints and its options. The usage messages, the
// reading of the arguments (cli/parsed_args.h), the manual page (tavrin
// --man) and the bash completion (tavrin --bash-completion) are made from
// it, so they cannot drift apart: a new command is one row there and its
// cmd_NAME.cpp.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "cli/command.h"

const std::vector<Command>& Commands();
// The command of that name, or null.
const Command* FindCommand(const std::string& name);

// The line for help itself and --version, last in the program's synopsis.
extern const char kHelpSynopsis[];
// What the whole program is, in a few words (the manual page's name line).
extern const char kProgramSummary[];

// Every command's synopsis and the help line: "tavrin" alone, an unknown command.
void PrintProgramUsage(std::FILE* to);
// tavrin help: every command with its summary, then the program's usage.
void PrintProgramHelp(std::FILE* to);
