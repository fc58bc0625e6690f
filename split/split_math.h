// Number conversions shared by the split planning and writing: time to
// frames and sample counts, cut towards zero as unsigned 32-bit values.
#pragma once
#include <cmath>
#include <cstdint>

// Cuts towards zero into 32 bits; negative values give 0, huge ones wrap
// as a 64-bit integer would.
inline uint32_t TruncU32(double value) {
  if (!(value > 0)) return 0;
  if (value >= 18446744073709551616.0) return 0xFFFFFFFFu;
  return uint32_t(uint64_t(value));
}

// Seconds that `frames` video frames of `frameMicros` each last.
inline double FramesToSeconds(uint32_t frameMicros, uint32_t frames) {
  return double(frameMicros) * double(frames) * 0.000001;
}

// Whole sample blocks of an audio stream played in the time of `frames` video frames.
inline double SamplesForFrames(uint32_t frameMicros, uint32_t frames, double rate) {
  return std::trunc(FramesToSeconds(frameMicros, frames) * rate);
}
