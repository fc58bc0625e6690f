#include "streams/stream_numbers.h"

bool ParseStreamNumbers(const std::string& text, std::vector<int>* numbers) {
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
