#include "texts/text_pair.h"

std::string Fill(const char* pattern, std::initializer_list<std::string> values) {
  std::string out;
  for (const char* p = pattern; *p; ++p) {
    const size_t n = size_t(p[1] - '1');
    if (p[0] == '{' && p[1] >= '1' && p[1] <= '9' && p[2] == '}' && n < values.size()) {
      out += values.begin()[n];
      p += 2;
    } else {
      out += *p;
    }
  }
  return out;
}
