// Exact times (avi/exact_time.h).
//
// Every position is a chain  floor or ceil of  n x m1 x m2 ... / (d1 x d2 ...)
// over whole numbers. The product is built in a 256-bit number held as eight
// 32-bit pieces (schoolbook multiplication by 32-bit factors), then divided
// by each 32-bit divisor in turn: floor(floor(x / a) / b) = floor(x / (a b))
// and the same for ceil, so dividing step by step loses nothing. Only 64-bit
// by 32-bit steps are needed, which every compiler has on every target: no
// 128-bit type, no floating point, the same answer on i686 and x86-64.
#include "avi/exact_time.h"

#include <cstdio>

namespace {

constexpr uint32_t kBillion = 1000000000u;  // 10^9: 10^18 = kBillion^2

class Wide128 {
 public:
  static constexpr int kLimbs = 8;

  explicit Wide128(uint64_t v = 0) {
    limb_[0] = uint32_t(v);
    limb_[1] = uint32_t(v >> 32);
  }

  // this x m, remembering when the product no longer fits.
  Wide128& Mul(uint32_t m) {
    uint64_t carry = 0;
    for (uint32_t& l : limb_) {
      const uint64_t p = uint64_t(l) * m + carry;
      l = uint32_t(p);
      carry = p >> 32;
    }
    if (carry) overflow_ = true;
    return *this;
  }
  Wide128& Mul64(uint64_t m) {
    Wide128 high = *this;
    high.Mul(uint32_t(m >> 32));
    Mul(uint32_t(m));
    if (high.limb_[kLimbs - 1]) overflow_ = true;
    for (int i = kLimbs - 1; i > 0; --i) high.limb_[i] = high.limb_[i - 1];
    high.limb_[0] = 0;
    overflow_ |= high.overflow_;
    return Add(high);
  }
  Wide128& Add(const Wide128& b) {
    uint64_t carry = 0;
    for (int i = 0; i < kLimbs; ++i) {
      const uint64_t s = uint64_t(limb_[i]) + b.limb_[i] + carry;
      limb_[i] = uint32_t(s);
      carry = s >> 32;
    }
    if (carry) overflow_ = true;
    overflow_ |= b.overflow_;
    return *this;
  }
  // this - b, for b not above this.
  Wide128& Sub(const Wide128& b) {
    int64_t borrow = 0;
    for (int i = 0; i < kLimbs; ++i) {
      int64_t d = int64_t(limb_[i]) - int64_t(b.limb_[i]) - borrow;
      borrow = d < 0;
      limb_[i] = uint32_t(d + (borrow << 32));
    }
    return *this;
  }
  // floor(this / d) in place; returns the remainder. d must not be 0.
  uint32_t Div(uint32_t d) {
    uint64_t rest = 0;
    for (int i = kLimbs - 1; i >= 0; --i) {
      const uint64_t part = (rest << 32) | limb_[i];
      limb_[i] = uint32_t(part / d);
      rest = part % d;
    }
    return uint32_t(rest);
  }
  // ceil(this / d) in place.
  Wide128& DivUp(uint32_t d) {
    if (Div(d) != 0) Add(Wide128(1));
    return *this;
  }

  bool Overflowed() const { return overflow_; }
  bool IsZero() const {
    for (uint32_t l : limb_)
      if (l) return false;
    return true;
  }
  int Compare(const Wide128& b) const {
    for (int i = kLimbs - 1; i >= 0; --i)
      if (limb_[i] != b.limb_[i]) return limb_[i] < b.limb_[i] ? -1 : 1;
    return 0;
  }
  bool Bit(int n) const { return (limb_[n / 32] >> (n % 32)) & 1; }
  void ShiftInBit(bool bit) {
    for (int i = kLimbs - 1; i > 0; --i) limb_[i] = (limb_[i] << 1) | (limb_[i - 1] >> 31);
    limb_[0] = (limb_[0] << 1) | uint32_t(bit);
  }
  // The value, or UINT64_MAX when it does not fit (or a product overflowed).
  uint64_t Saturated() const {
    if (overflow_) return UINT64_MAX;
    for (int i = 2; i < kLimbs; ++i)
      if (limb_[i]) return UINT64_MAX;
    return uint64_t(limb_[1]) << 32 | limb_[0];
  }

 private:
  uint32_t limb_[kLimbs] = {};
  bool overflow_ = false;
};

// A time in units of 10^-18 s.
Wide128 Units(const ExactTime& t) { return Wide128(t.whole).Mul(kBillion).Mul(kBillion).Add(Wide128(t.fraction)); }

// Units back to a time, saturating.
ExactTime FromUnits(Wide128 units) {
  const uint32_t low = units.Div(kBillion);
  const uint32_t high = units.Div(kBillion);
  ExactTime t;
  const uint64_t whole = units.Saturated();
  if (whole > ExactTime::kMaxWholeSeconds) {
    t.whole = ExactTime::kMaxWholeSeconds;
    return t;
  }
  t.whole = whole;
  t.fraction = uint64_t(high) * kBillion + low;
  return t;
}

// floor or ceil of t x multiplier / divisor; the 10^18 of t's units is
// divided out last.
uint64_t Scale(const ExactTime& t, uint32_t multiplier, uint32_t divisor, bool up) {
  if (divisor == 0) return UINT64_MAX;
  Wide128 n = Units(t).Mul(multiplier);
  if (up) {
    n.DivUp(divisor).DivUp(kBillion).DivUp(kBillion);
  } else {
    n.Div(divisor);
    n.Div(kBillion);
    n.Div(kBillion);
  }
  return n.Saturated();
}

uint64_t Pow10(uint32_t n) {
  uint64_t p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads digits from *p into a whole number (saturating at kMaxWholeSeconds).
uint64_t ReadWhole(const char*& p) {
  uint64_t v = 0;
  for (; IsDigit(*p); ++p) {
    v = v * 10 + uint64_t(*p - '0');
    if (v > ExactTime::kMaxWholeSeconds) v = ExactTime::kMaxWholeSeconds + 1;  // stays above the cap
  }
  return v;
}

// Reads the digits after a "." from *p as 10^-18 units (the 19th digit on
// is passed over).
uint64_t ReadFraction(const char*& p) {
  uint64_t v = 0;
  uint64_t place = ExactTime::kUnitsPerSecond / 10;
  for (; IsDigit(*p); ++p) {
    v += uint64_t(*p - '0') * place;
    place /= 10;
  }
  return v;
}

ExactTime Seconds(uint64_t whole, uint64_t fraction) {
  ExactTime t(whole);  // clamped
  if (t.whole == whole) t.fraction = fraction;
  return t;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

ExactTime ExactTime::Decimal(uint64_t numerator, uint32_t decimals) {
  if (decimals > 18) decimals = 18;  // (the caller's digits past the 18th would be dropped)
  const uint64_t scale = Pow10(decimals);
  return Seconds(numerator / scale, numerator % scale * (kUnitsPerSecond / scale));
}

ExactTime ExactTime::Micros(uint64_t micros) { return Seconds(micros / 1000000, micros % 1000000 * 1000000000000ull); }

ExactTime operator+(const ExactTime& a, const ExactTime& b) { return FromUnits(Units(a).Add(Units(b))); }

ExactTime operator*(const ExactTime& a, uint64_t times) { return FromUnits(Units(a).Mul64(times)); }

ExactTime operator-(const ExactTime& a, const ExactTime& b) {
  if (!(b < a)) return ExactTime();
  return FromUnits(Units(a).Sub(Units(b)));
}

uint64_t WholeStepsIn(const ExactTime& span, const ExactTime& step) {
  const Wide128 d = Units(step);
  if (d.IsZero()) return UINT64_MAX;
  const Wide128 n = Units(span);
  // Long division bit by bit: the quotient is only needed now and then.
  Wide128 q, rest;
  for (int bit = Wide128::kLimbs * 32 - 1; bit >= 0; --bit) {
    rest.ShiftInBit(n.Bit(bit));
    q.ShiftInBit(false);
    if (rest.Compare(d) >= 0) {
      rest.Sub(d);
      q.Add(Wide128(1));
    }
  }
  return q.Saturated();
}

double ToSeconds(const ExactTime& t) { return double(t.whole) + double(t.fraction) / double(ExactTime::kUnitsPerSecond); }

std::string ToText(const ExactTime& t) {
  char text[48];
  std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(t.whole));
  std::string out = text;
  if (t.fraction == 0) return out;
  std::snprintf(text, sizeof text, "%018llu", static_cast<unsigned long long>(t.fraction));
  std::string digits = text;
  digits.erase(digits.find_last_not_of('0') + 1);
  return out + "." + digits;
}

ExactTime LeadingDecimal(const char* text) {
  const char* p = text;
  while (*p == ' ') ++p;
  // A number needs a digit before or after its point: "." alone is none.
  if (!IsDigit(*p) && !(*p == '.' && IsDigit(p[1]))) return ExactTime();
  const uint64_t whole = ReadWhole(p);
  const uint64_t fraction = *p == '.' ? ReadFraction(++p) : 0;
  return Seconds(whole, fraction);
}

bool ParseClockTime(const char* text, ExactTime* time, TimeTextProblem* problem) {
  TimeTextProblem none;
  TimeTextProblem& why = problem ? *problem : none;
  why = TimeTextProblem::kNone;
  const char* p = text;
  while (IsBlank(*p)) ++p;
  const char* end = p;
  for (const char* q = p; *q; ++q)
    if (!IsBlank(*q)) end = q + 1;
  if (p == end) {
    why = TimeTextProblem::kEmpty;
    return false;
  }
  // Up to three fields split by ":" (hours, minutes, seconds, the last
  // ones given); only the last may have a fraction, and only the first may
  // lack digits before it (".5").
  uint64_t fields[3] = {};
  int count = 0;
  long lastDigits = 0;
  for (;;) {
    const char* from = p;
    fields[count++] = ReadWhole(p);
    lastDigits = p - from;
    if (lastDigits == 0 && (count > 1 || *p != '.')) break;
    if (*p != ':' || count == 3) break;
    ++p;
  }
  uint64_t fraction = 0;
  bool number = lastDigits > 0;
  if (*p == '.') {
    const char* from = ++p;
    fraction = ReadFraction(p);
    number = p > from || (lastDigits > 0 && count == 1);  // "5." is 5, "1:02." is no time
  }
  if (!number || p != end) {
    why = TimeTextProblem::kNotANumber;
    return false;
  }
  if (count > 1 && lastDigits != 2) {
    why = TimeTextProblem::kSecondsNotTwoDigits;
    return false;
  }
  if (count > 1 && fields[count - 1] > 59) {
    why = TimeTextProblem::kSecondsOver59;
    return false;
  }
  if (count == 3 && fields[1] > 59) {
    why = TimeTextProblem::kMinutesOver59;
    return false;
  }
  // Minutes and hours may be long: the sum saturates as every time does.
  ExactTime t = Seconds(fields[count - 1], fraction);
  if (count >= 2) t = t + ExactTime(fields[count - 2]) * 60;
  if (count == 3) t = t + ExactTime(fields[0]) * 3600;
  *time = t;
  return true;
}

ExactTime FramesTime(uint32_t frameMicros, uint64_t frames) {
  return FromUnits(Wide128(frames).Mul(frameMicros).Mul(1000000000u).Mul(1000u));  // microseconds x 10^12
}

uint64_t FrameAtOrAfter(const ExactTime& t, uint32_t frameMicros) { return Scale(t, 1000000u, frameMicros, true); }

uint64_t FrameAtOrBefore(const ExactTime& t, uint32_t frameMicros) { return Scale(t, 1000000u, frameMicros, false); }

uint64_t FrameCeilAtRate(const ExactTime& t, uint32_t rate, uint32_t scale) { return Scale(t, rate, scale, true); }

uint64_t FrameFloorAtRate(const ExactTime& t, uint32_t rate, uint32_t scale) { return Scale(t, rate, scale, false); }

uint64_t SamplesInFrames(uint32_t frameMicros, uint64_t frames, uint32_t samplesPerSecond) {
  Wide128 n = Wide128(frames).Mul(frameMicros).Mul(samplesPerSecond);
  n.Div(1000000u);
  return n.Saturated();
}

uint64_t SamplePosition(uint64_t frame, uint32_t videoRate, uint32_t videoScale, uint32_t audioRate,
                        uint32_t audioScale) {
  if (videoRate == 0 || audioScale == 0) return UINT64_MAX;
  Wide128 n = Wide128(frame).Mul(videoScale).Mul(audioRate);
  n.Div(videoRate);
  n.Div(audioScale);
  return n.Saturated();
}
