#include "batch/job_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "io/file_system.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// True when text is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    uint32_t code = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (size_t k = 1; k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next >> 6) != 0x2) return false;
      code = (code << 6) | (next & 0x3F);
    }
    static const uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

bool NeedsQuotes(const std::string& word) {
  if (word.empty() || word[0] == '#') return true;
  for (char c : word)
    if (IsBlank(c) || c == '"') return true;
  return false;
}

}  // namespace

std::string SplitJobLine(const std::string& line, std::vector<std::string>* words) {
  words->clear();
  if (!IsUtf8(line)) return "not UTF-8 text";
  size_t i = 0;
  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size() || line[i] == '#') return "";
    std::string word;
    bool quoted = false;
    for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
      if (line[i] != '"') {
        word += line[i];
      } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
        word += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
    }
    if (quoted) return "a quote is not closed";
    words->push_back(word);
  }
}

std::string ReadJobFile(const std::string& path, std::vector<JobLine>* jobs, int* faultLine) {
  jobs->clear();
  *faultLine = 0;
  std::FILE* file = filesys::OpenStdio(path, "rb");
  if (!file) return std::strerror(errno);
  std::string fault;
  std::string line;
  int number = 0;
  bool more = true;
  while (more && fault.empty()) {
    line.clear();
    int c;
    while ((c = std::getc(file)) != EOF && c != '\n') line += char(c);
    more = c != EOF;
    if (std::ferror(file)) {
      fault = std::strerror(errno);
      break;
    }
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();  // a file written on Windows
    if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    JobLine job;
    job.number = number;
    fault = SplitJobLine(line, &job.words);
    if (fault.empty() && !job.words.empty()) jobs->push_back(job);
    if (!fault.empty()) *faultLine = number;
  }
  std::fclose(file);
  return fault;
}

std::string JobLineText(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) {
    if (!text.empty()) text += ' ';
    if (!NeedsQuotes(word)) {
      text += word;
      continue;
    }
    text += '"';
    for (char c : word) text += c == '"' ? std::string("\"\"") : std::string(1, c);
    text += '"';
  }
  return text;
}
