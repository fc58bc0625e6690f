// Times held exactly, and the frame and sample positions computed from them
// without rounding.
//
// A time is a decimal number of seconds as the user typed it (a number
// field, a time on the command line, a cut list's "1:02:03.5"), kept as the
// rational  whole + fraction / 10^18  seconds: every typed time with up to 18
// decimals is held exactly (digits after the 18th are dropped; no one types
// attoseconds). Whole seconds stop at kMaxWholeSeconds, far beyond the
// longest AVI (2^64 microseconds, 1.8e13 s), so a larger time still compares
// as too long.
//
// Positions are floors and ceilings of products and quotients of such times
// with the files' whole numbers (dwMicroSecPerFrame, dwRate, dwScale, frame
// counts). They are computed on whole numbers wide enough never to wrap (up
// to 256 bits, in 32-bit pieces and without any 128-bit type), so a time
// that is an exact multiple of a frame lands on that frame, and the i686
// build, the x86-64 build and the native one give the same answer for every
// input: no floating point takes part.
//
//   ExactTime t = LeadingDecimal("0.2");      // the number fields' reading
//   FrameAtOrAfter(t, 40000)                  // ceil(0.2 x 10^6 / 40000) = 5
//   FramesTime(40000, 5) == t                 // true
//   SamplesInFrames(40000, 5, 48000)          // floor(40000 x 5 x 48000 / 10^6) = 9600
#pragma once
#include <cstdint>
#include <string>
#include <type_traits>

#include "texts/text_pair.h"

struct ExactTime {
  static constexpr uint64_t kUnitsPerSecond = 1000000000000000000ull;  // 10^18
  static constexpr uint64_t kMaxWholeSeconds = 1000000000000000ull;    // 10^15

  uint64_t whole = 0;     // seconds, at most kMaxWholeSeconds
  uint64_t fraction = 0;  // 10^-18 s, below kUnitsPerSecond

  ExactTime() = default;
  // Whole seconds (a negative number counts as 0).
  template <typename Integer, typename = typename std::enable_if<std::is_integral<Integer>::value>::type>
  ExactTime(Integer seconds) : whole(seconds > 0 ? Clamp(uint64_t(seconds)) : 0) {}
  // A floating-point number is no exact time: say which decimal is meant.
  ExactTime(double) = delete;
  ExactTime(float) = delete;
  ExactTime(long double) = delete;

  // numerator / 10^decimals seconds (decimals up to 18).
  static ExactTime Decimal(uint64_t numerator, uint32_t decimals);
  // A whole number of microseconds (saturating at kMaxWholeSeconds).
  static ExactTime Micros(uint64_t micros);

  bool IsZero() const { return whole == 0 && fraction == 0; }

 private:
  static uint64_t Clamp(uint64_t s) { return s > kMaxWholeSeconds ? kMaxWholeSeconds : s; }
};

inline bool operator==(const ExactTime& a, const ExactTime& b) {
  return a.whole == b.whole && a.fraction == b.fraction;
}
inline bool operator!=(const ExactTime& a, const ExactTime& b) { return !(a == b); }
inline bool operator<(const ExactTime& a, const ExactTime& b) {
  return a.whole != b.whole ? a.whole < b.whole : a.fraction < b.fraction;
}
inline bool operator>(const ExactTime& a, const ExactTime& b) { return b < a; }
inline bool operator<=(const ExactTime& a, const ExactTime& b) { return !(b < a); }
inline bool operator>=(const ExactTime& a, const ExactTime& b) { return !(a < b); }

// Sum and whole multiple, saturating at kMaxWholeSeconds.
ExactTime operator+(const ExactTime& a, const ExactTime& b);
ExactTime operator*(const ExactTime& a, uint64_t times);
// a - b; 0 when b is not smaller than a.
ExactTime operator-(const ExactTime& a, const ExactTime& b);
// How many whole times `step` fits into `span`: floor(span / step), up to
// UINT64_MAX (also for a step of 0).
uint64_t WholeStepsIn(const ExactTime& span, const ExactTime& step);

// For figures and messages only, never for positions: the nearest double,
// and the shortest decimal text ("95.5", "0.2", "60").
double ToSeconds(const ExactTime& t);
std::string ToText(const ExactTime& t);

// ---- Reading typed times ----

// The number fields' reading of a text: leading blanks skipped, then the
// longest decimal number (digits, at most one ".", at least one digit); the
// rest is ignored ("1 2" is 1, "1.5.3" is 1.5); no number at all is 0.
ExactTime LeadingDecimal(const char* text);

// Why a time text is not one.
enum class TimeTextProblem {
  kNone,
  kEmpty,          // nothing but blanks
  kNotANumber,     // a character that no time holds, or a misplaced ":" or "."
  kSecondsNotTwoDigits,  // "1:5": the seconds after a ":" take two digits
  kSecondsOver59,  // "1:75"
  kMinutesOver59,  // "1:75:00": minutes after hours
  kCount
};

// A whole text as a time: seconds ("95", "95.5", ".5") or [H:]M:SS[.fff]
// ("1:02:03.5", "58:00", "0:07.25"); blanks around it are allowed. Hours and
// minutes without hours take any number of digits. False and *problem (when
// given) when the text is no such time.
bool ParseClockTime(const char* text, ExactTime* time, TimeTextProblem* problem = nullptr);

// What is wrong, in both languages ("" for kNone).
const TextPair& TimeTextProblemText(TimeTextProblem problem);

// ---- Frames and samples ----

// The time of `frames` frames of frameMicros microseconds each: exact.
ExactTime FramesTime(uint32_t frameMicros, uint64_t frames);

// The frame of a time at frameMicros microseconds a frame: the first frame
// that starts at or after it, ceil(t x 10^6 / frameMicros), and the one it
// falls in, floor(...). UINT64_MAX for a frame time of 0.
uint64_t FrameAtOrAfter(const ExactTime& t, uint32_t frameMicros);
uint64_t FrameAtOrBefore(const ExactTime& t, uint32_t frameMicros);

// The same at a frame rate of rate / scale frames a second (a stream's
// dwRate and dwScale): ceil(t x rate / scale) and floor(t x rate / scale).
// UINT64_MAX for a scale of 0.
uint64_t FrameCeilAtRate(const ExactTime& t, uint32_t rate, uint32_t scale);
uint64_t FrameFloorAtRate(const ExactTime& t, uint32_t rate, uint32_t scale);

// Whole samples of samplesPerSecond a second played in the time of `frames`
// frames of frameMicros microseconds: floor(frameMicros x frames x
// samplesPerSecond / 10^6). Never more than UINT64_MAX.
uint64_t SamplesInFrames(uint32_t frameMicros, uint64_t frames, uint32_t samplesPerSecond);

// The sound sample at which video frame `frame` begins, video at
// videoRate / videoScale frames and sound at audioRate / audioScale samples
// a second: floor(frame x videoScale x audioRate / (videoRate x audioScale)).
// UINT64_MAX when videoRate or audioScale is 0.
uint64_t SamplePosition(uint64_t frame, uint32_t videoRate, uint32_t videoScale, uint32_t audioRate,
                        uint32_t audioScale);
