#include "cli/synopsis.h"

#include <cctype>

namespace {

bool Capital(const std::string& word) {
  if (word.empty() || !std::isupper(static_cast<unsigned char>(word[0]))) return false;
  for (char c : word)
    if (!std::isupper(static_cast<unsigned char>(c)) && !std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// The word at `at`, up to a space or a bracket it did not open.
std::string WordAt(const std::string& text, size_t at) {
  int depth = 0;
  size_t end = at;
  for (; end < text.size() && text[end] != ' ' && text[end] != '\n'; ++end) {
    const char c = text[end];
    if (c == '[' || c == '(') ++depth;
    if ((c == ']' || c == ')') && depth-- == 0) break;
  }
  return text.substr(at, end - at);
}

void AddOption(std::vector<SynopsisOption>& options, const SynopsisOption& option) {
  for (const SynopsisOption& known : options)
    if (known.name == option.name) return;
  options.push_back(option);
}

void AddOperand(std::vector<std::string>& operands, std::string word) {
  while (!word.empty() && (word.back() == '.' || std::isdigit(static_cast<unsigned char>(word.back()))))
    word.pop_back();
  if (!Capital(word) || word == "COMMAND") return;
  for (const std::string& known : operands)
    if (known == word) return;
  operands.push_back(word);
}

}  // namespace

SynopsisWords ReadSynopsis(const std::string& synopsis) {
  SynopsisWords words;
  size_t at = 0;
  while (at < synopsis.size()) {
    const char c = synopsis[at];
    if (c == ' ' || c == '\n' || c == '[' || c == ']' || c == '(' || c == ')' || c == '|') {
      ++at;
      continue;
    }
    const std::string word = WordAt(synopsis, at);
    at += word.size();
    if (word.compare(0, 2, "--") != 0) {
      AddOperand(words.operands, word);
      continue;
    }
    SynopsisOption option{word, ""};
    if (at + 1 < synopsis.size() && synopsis[at] == ' ' && std::string("[(|-").find(synopsis[at + 1]) == std::string::npos) {
      option.value = WordAt(synopsis, at + 1);
      at += 1 + option.value.size();
    }
    AddOption(words.options, option);
  }
  return words;
}
