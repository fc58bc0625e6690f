// Reads a command's arguments, for every command: options ("--name",
// "--name value", "--name=value"; the value is the next argument whatever it
// looks like, "-1" too) and operands in any order, everything after "--" an
// operand. The scanner of every command's options (cli/parsed_args.h) is
// built on it and says what is wrong.
//
//   ArgScan args(argc, argv);
//   const char* value = nullptr;
//   while (args.Next()) {
//     if (args.Operand()) files.push_back(args.Arg());
//     else if (args.Is("--json")) json = true;
//     else if (args.Takes("--output", &value)) output = value;   // null: missing
//     else return Unknown(args.Arg());
//   }
#pragma once
#include <cstring>

class ArgScan {
 public:
  ArgScan(int argc, char** argv) : argc_(argc), argv_(argv) {}

  // Moves to the next argument (passing over the first "--"); false after the last.
  bool Next() {
    if (++i_ < argc_ && !optionsEnded_ && std::strcmp(argv_[i_], "--") == 0) {
      optionsEnded_ = true;
      ++i_;
    }
    return i_ < argc_;
  }
  const char* Arg() const { return argv_[i_]; }
  bool Operand() const { return optionsEnded_ || std::strncmp(Arg(), "--", 2) != 0; }
  // An operand that looks like a one-letter option ("-x", not "-" alone)
  // before any "--": for a command that takes none, a mistake.
  bool ShortOption() const { return !optionsEnded_ && Arg()[0] == '-' && Arg()[1] != 0; }
  // The argument is the option `name` itself.
  bool Is(const char* name) const { return !Operand() && std::strcmp(Arg(), name) == 0; }
  // The argument names the option `name`, which takes a value: *value is
  // what follows "=" or the next argument (null when there is none).
  bool Takes(const char* name, const char** value) {
    const size_t n = std::strlen(name);
    if (Operand() || std::strncmp(Arg(), name, n) != 0 || (Arg()[n] != 0 && Arg()[n] != '=')) return false;
    *value = Arg()[n] == '=' ? Arg() + n + 1 : (i_ + 1 < argc_ ? argv_[++i_] : nullptr);
    return true;
  }

 private:
  int argc_;
  char** argv_;
  int i_ = -1;
  bool optionsEnded_ = false;
};
