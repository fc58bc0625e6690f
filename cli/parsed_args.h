// A command's arguments read by the options its row of the table declares
// (cli/command.h): one scanner for every command, so that every command
// takes "--name value", "--name=value" and "--" alike and says the same
// words for the same fault:
//   missing value for --output        (none after it, or an empty one)
//   --lang takes en or ja             (a value that is none of the choices)
//   unknown option '--bogus'          (an option the row does not declare)
//   unexpected argument 'b.avi'       (more operands than the command takes)
// What concerns several options together (split's --every with --size-mb)
// and what the operands must be stay with the command.
//
//   ParsedArgs args;
//   const std::string problem = ScanArgs(self, argc, argv, &args);
//   if (!problem.empty()) return UsageError(self, problem);
//   const bool json = args.Has("--json");
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "cli/command.h"

class ParsedArgs {
 public:
  // The operands in order: everything that is no option, and all after "--".
  std::vector<std::string> operands;
  // The operands before any "--" that look like a one-letter option ("-x"),
  // for a command that takes none to refuse.
  std::vector<std::string> dashOperands;

  // Each of these names an option of the command's row: a name the row
  // lacks is a fault of the program, which stops it (abort).
  bool Has(const char* name) const;
  // The value given last, "" when the option was not given.
  std::string Value(const char* name) const;
  // Every value given, in order (a repeatable option: --keep 0 --keep 2).
  std::vector<std::string> Values(const char* name) const;
  // --lang: 1 for English (the default), 0 for Japanese.
  int EnglishUi() const { return Value("--lang") == "ja" ? 0 : 1; }

 private:
  friend std::string ScanArgs(const Command& command, int argc, char** argv, ParsedArgs* args);
  const Option& Declared(const char* name) const;

  const Command* command_ = nullptr;
  std::vector<std::pair<const Option*, std::string>> given_;  // options in order, value "" for a switch
};

// Reads argv by the command's options into *args: "" when they are all
// known and well formed, else the problem, in the words above.
std::string ScanArgs(const Command& command, int argc, char** argv, ParsedArgs* args);
