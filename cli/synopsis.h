// What a command's synopsis says about its words: its options, each with
// the value it takes, and the kinds of its operands, which the completion
// offers files for. (The options themselves come from the command's row:
// tests/cli/test_options_cli.py checks that the synopsis shows those.)
//
// In "tavrin split FILE [--overlap T] [--create both|first|second] [--json]"
// an option is "--" and a name; the word after it (up to a space or a
// closing bracket that it did not open) is its value unless it opens a
// group or names another option. A value is choices ("both|first|second"),
// a file of a kind (PATH: any file) or a number or time (T, N). A word in
// capitals that is not a value is an operand: FILE1, FILE2 and FILE... are
// all of the kind FILE.
#pragma once
#include <string>
#include <vector>

struct SynopsisOption {
  std::string name;   // "--overlap"
  std::string value;  // "T", "both|first|second"; empty for a switch
};

struct SynopsisWords {
  std::vector<SynopsisOption> options;  // in the order first shown, each once
  std::vector<std::string> operands;    // kinds, each once: "FILE"
};

SynopsisWords ReadSynopsis(const std::string& synopsis);
