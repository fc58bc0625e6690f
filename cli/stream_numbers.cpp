#include "cli/stream_numbers.h"

std::string ReadStreamNumbers(const ParsedArgs& args, const char* option, std::vector<int>* numbers) {
  for (const std::string& value : args.Values(option))
    if (!ParseStreamNumbers(value, numbers))
      return std::string(option) + " takes stream numbers N[,N...], not '" + value + "'";
  return "";
}

std::string ReadStreamNumber(const ParsedArgs& args, const char* option, int* number) {
  if (!args.Has(option)) return "";
  const std::string value = args.Value(option);
  std::vector<int> numbers;
  if (!ParseStreamNumbers(value, &numbers) || numbers.size() != 1)
    return std::string(option) + " takes a stream number, not '" + value + "'";
  *number = numbers[0];
  return "";
}
