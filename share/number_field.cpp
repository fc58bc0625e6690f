#include "share/number_field.h"

#include <cmath>
#include <cstdlib>

namespace {

bool OnlyNumberCharacters(const char* text) {
  for (const char* p = text; *p; ++p) {
    const char c = *p;
    if (!((c >= '0' && c <= '9') || c == '.' || c == ' ')) return false;
  }
  return true;
}

}  // namespace

bool ParseNumberField(const char* text, ExactTime* value) {
  if (!OnlyNumberCharacters(text)) return false;
  *value = LeadingDecimal(text);  // "1 2" gives 1 and "1.5.3" 1.5, as strtod reads them
  return true;
}

bool ParseNumberField(const char* text, double* value) {
  if (!OnlyNumberCharacters(text)) return false;
  // Only digits, points and blanks remain, so strtod cannot meet an exponent,
  // a sign or a locale-specific character; "1 2" gives 1 and "1.5.3" 1.5.
  *value = std::strtod(text, nullptr);
  return true;
}

uint64_t SizeLimitBytes(double megabytes) {
  if (!(megabytes > 0)) return 0;
  const double bytes = std::floor(megabytes * kBytesPerMegabyte);
  return bytes >= 18446744073709551615.0 ? UINT64_MAX : uint64_t(bytes);
}
