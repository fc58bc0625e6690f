#include "split/number_field.h"

#include <cstdlib>

bool ParseNumberField(const char* text, double* value) {
  for (const char* p = text; *p; ++p) {
    const char c = *p;
    if (!((c >= '0' && c <= '9') || c == '.' || c == ' ')) return false;
  }
  // Only digits, points and blanks remain, so strtod cannot meet an exponent,
  // a sign or a locale-specific character; "1 2" gives 1 and "1.5.3" 1.5.
  *value = std::strtod(text, nullptr);
  return true;
}
