// Stream numbers as the stream commands take them: "1", or a list "0,2"
// (--keep 0,2 --keep 3 adds up). Numbers are those tavrin info shows.
#pragma once
#include <string>
#include <vector>

// Appends the numbers of text to *numbers; false when text is not a list of
// whole numbers.
inline bool ParseStreamNumbers(const std::string& text, std::vector<int>* numbers) {
  size_t at = 0;
  do {
    const size_t end = text.find(',', at) == std::string::npos ? text.size() : text.find(',', at);
    if (end == at || end - at > 2) return false;
    int n = 0;
    for (size_t i = at; i < end; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      n = n * 10 + (text[i] - '0');
    }
    numbers->push_back(n);
    at = end + 1;
  } while (at <= text.size());
  return true;
}
