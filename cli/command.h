// A command of the command line as its row in the table of commands
// (cli/command_table.cpp) describes it. The usage messages, the help, the
// manual page and the bash completion are all made from these rows.
#pragma once
#include <vector>

// An option as a command's row declares it: what the one scanner of the
// arguments (cli/parsed_args.h) accepts and the completion offers. The
// synopsis and the help show each one (tests/cli/test_options_cli.py
// checks that they show these and no others).
struct Option {
  const char* name;  // "--output"
  // Null for a switch; else the value's word as the synopsis shows it:
  // choices ("en|ja", one of which it must be), a kind of file (PATH,
  // LISTFILE) or a number or time (N, N[,N...], T, RANGE).
  const char* value = nullptr;
  // Given again, it adds a value (--keep 0 --keep 2); else the last one counts.
  bool repeatable = false;
  // An empty value ("--hours=") goes to the job, which judges it as the
  // window judges an empty field; for the others it is a missing value.
  bool emptyKept = false;
};

struct Command {
  const char* name;
  // Runs the command on the arguments after its name, `self` being its own
  // row (for its usage messages); the exit status: 0 success, 1 failure,
  // 2 usage error.
  int (*run)(const Command& self, int argc, char** argv);
  // What it does, in a few words, lower case without a full stop.
  const char* summary;
  // "tavrin NAME ..." lines as the README shows them; a line that goes on is
  // indented under the first one's operands. The words in capitals are
  // operands and option values (cli/synopsis.h: what the completion reads
  // from them).
  const char* synopsis;
  // What --help prints after the usage: the command's description and its
  // options, each option line "  --name VALUE   what it does" with
  // continuation lines indented further.
  const char* help;
  // Its options, in the order the synopsis first shows them.
  std::vector<Option> options;
  // How many operands it takes at the most (-1: any number).
  int maxOperands;
};
