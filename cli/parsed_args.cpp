#include "cli/parsed_args.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/arg_scan.h"

namespace {

bool HasChoices(const Option& option) { return option.value && std::strchr(option.value, '|'); }

bool IsChoice(const Option& option, const std::string& value) {
  const std::string choices = std::string("|") + option.value + "|";
  return !value.empty() && choices.find("|" + value + "|") != std::string::npos;
}

// "--create takes both, first or second": a value of none of the choices.
std::string ChoicesFault(const Option& option) {
  std::vector<std::string> choices;
  for (const char* at = option.value;;) {
    const char* bar = std::strchr(at, '|');
    choices.emplace_back(at, bar ? bar - at : std::strlen(at));
    if (!bar) break;
    at = bar + 1;
  }
  std::string text = std::string(option.name) + " takes ";
  for (size_t i = 0; i < choices.size(); ++i)
    text += (i == 0 ? "" : i + 1 == choices.size() ? " or " : ", ") + choices[i];
  return text;
}

}  // namespace

std::string ScanArgs(const Command& command, int argc, char** argv, ParsedArgs* args) {
  args->command_ = &command;
  ArgScan scan(argc, argv);
  while (scan.Next()) {
    if (scan.Operand()) {
      if (command.maxOperands >= 0 && int(args->operands.size()) == command.maxOperands)
        return std::string("unexpected argument '") + scan.Arg() + "'";
      if (scan.ShortOption()) args->dashOperands.push_back(scan.Arg());
      args->operands.push_back(scan.Arg());
      continue;
    }
    const Option* known = nullptr;
    const char* value = nullptr;
    for (const Option& option : command.options) {
      if (option.value ? scan.Takes(option.name, &value) : scan.Is(option.name)) {
        known = &option;
        break;
      }
    }
    if (!known) return std::string("unknown option '") + scan.Arg() + "'";
    if (known->value && !value) return std::string("missing value for ") + known->name;
    if (HasChoices(*known) && !IsChoice(*known, value)) return ChoicesFault(*known);
    if (known->value && !*value && !known->emptyKept) return std::string("missing value for ") + known->name;
    args->given_.emplace_back(known, value ? value : "");
  }
  return "";
}

const Option& ParsedArgs::Declared(const char* name) const {
  for (const Option& option : command_->options)
    if (std::strcmp(option.name, name) == 0) return option;
  std::fprintf(stderr, "tavrin %s: %s is not in the command's table of options\n", command_->name, name);
  std::abort();
}

bool ParsedArgs::Has(const char* name) const {
  const Option* option = &Declared(name);
  for (const auto& given : given_)
    if (given.first == option) return true;
  return false;
}

std::string ParsedArgs::Value(const char* name) const {
  const std::vector<std::string> values = Values(name);
  return values.empty() ? "" : values.back();
}

std::vector<std::string> ParsedArgs::Values(const char* name) const {
  const Option* option = &Declared(name);
  std::vector<std::string> values;
  for (const auto& given : given_)
    if (given.first == option) values.push_back(given.second);
  return values;
}
