// Walks both names side by side. A run of digits against a run of digits is
// compared by value: leading zeros skipped, then the longer run is larger,
// then digit by digit. Anything else is compared character by character,
// ASCII letters folded to lower case (other bytes, such as UTF-8 sequences,
// compare by value). Names equal this way fall back to the plain byte order
// of the whole paths, so the order is total and stable.
#include "ui/natural_order.h"

#include <algorithm>

namespace {

std::string FileName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
unsigned char Folded(char c) {
  return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

// <0, 0, >0 for the digit runs starting at a[i] and b[j]; advances both past them.
int CompareNumbers(const std::string& a, size_t& i, const std::string& b, size_t& j) {
  while (i < a.size() && a[i] == '0' && i + 1 < a.size() && IsDigit(a[i + 1])) ++i;
  while (j < b.size() && b[j] == '0' && j + 1 < b.size() && IsDigit(b[j + 1])) ++j;
  size_t endA = i, endB = j;
  while (endA < a.size() && IsDigit(a[endA])) ++endA;
  while (endB < b.size() && IsDigit(b[endB])) ++endB;
  int order = int(endA - i) - int(endB - j);
  for (size_t k = 0; order == 0 && k < endA - i; ++k) order = a[i + k] - b[j + k];
  i = endA;
  j = endB;
  return order;
}

int CompareNames(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      const int order = CompareNumbers(a, i, b, j);
      if (order != 0) return order;
      continue;
    }
    if (Folded(a[i]) != Folded(b[j])) return int(Folded(a[i])) - int(Folded(b[j]));
    ++i;
    ++j;
  }
  return int(a.size() - i) - int(b.size() - j);
}

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
  const int order = CompareNames(FileName(a), FileName(b));
  return order != 0 ? order < 0 : a < b;
}

void SortByName(std::vector<std::string>& paths) { std::stable_sort(paths.begin(), paths.end(), NaturalLess); }
