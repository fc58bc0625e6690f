// A command of the command line as its row in the table of commands
// (cli/command_table.cpp) describes it. The usage messages, the help, the
// manual page and the bash completion are all made from these rows.
#pragma once

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
  // operands and option values (cli/synopsis.h: what the manual page and
  // the completion read from them).
  const char* synopsis;
  // What --help prints after the usage: the command's description and its
  // options, each option line "  --name VALUE   what it does" with
  // continuation lines indented further.
  const char* help;
};
