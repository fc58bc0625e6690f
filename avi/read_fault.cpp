#include "avi/read_fault.h"

#include <cstdio>
#include <initializer_list>

#include "texts/avi_texts.h"

namespace {

// 104857600 -> "104,857,600".
std::string Grouped(uint64_t n) {
  std::string digits = std::to_string(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

// A size as a person compares two: MB with as many decimals as tell them
// apart (bytes when even 0.01 MB does not).
std::string Size(uint64_t bytes, uint64_t other) {
  const double mb = double(bytes) / 1048576.0, otherMb = double(other) / 1048576.0;
  char text[64];
  for (int decimals : {0, 2}) {
    char a[32], b[32];
    std::snprintf(a, sizeof a, "%.*f", decimals, mb);
    std::snprintf(b, sizeof b, "%.*f", decimals, otherMb);
    if (std::string(a) != b && (decimals || mb >= 10)) {
      std::snprintf(text, sizeof text, "%s MB", a);
      return text;
    }
  }
  return Grouped(bytes) + " bytes";
}

}  // namespace

std::string DescribeReadFault(const ReadFault& fault, int english) {
  switch (fault.kind) {
    case ReadFault::None: return std::string();
    case ReadFault::ReadError:
      return Fill(Pick(texts::kReadFaultError, english), {fault.path, Grouped(fault.at), fault.reason});
    case ReadFault::Changed: {
      const std::string now = Size(fault.nowSize, fault.wasSize), was = Size(fault.wasSize, fault.nowSize);
      return Fill(Pick(texts::kReadFaultChanged, english), {fault.path, now, was});
    }
  }
  return std::string();
}

const ReadFault* FirstReadFault(std::initializer_list<const ReadFault*> faults) {
  for (const ReadFault* f : faults)
    if (f && *f) return f;
  return nullptr;
}
