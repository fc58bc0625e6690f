// Number conversions shared by the split planning and writing. Positions
// (frames, samples, entries) are exact whole-number arithmetic
// (avi/exact_time.h): a time that is a multiple of the frame time lands on
// that frame on every build. Seconds as doubles are for figures only.
#pragma once
#include <cstdint>

#include "avi/avi_analysis.h"
#include "avi/exact_time.h"

// A position as a 32-bit count; larger ones stop at 0xFFFFFFFF.
inline uint32_t ClampU32(uint64_t value) { return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(value); }

// Seconds that `frames` video frames of `frameMicros` each last, for
// figures and messages.
inline double FramesToSeconds(uint32_t frameMicros, uint32_t frames) {
  return double(frameMicros) * double(frames) * 0.000001;
}

// Whole sample blocks of an audio stream played in the time of `frames`
// video frames: floor(frameMicros x frames x samples a second / 10^6).
inline uint64_t SamplesForFrames(uint32_t frameMicros, uint32_t frames, const StreamEntry& s) {
  return SamplesInFrames(frameMicros, frames, SamplesPerSecond(s));
}

// The bytes of `samples` blocks of blockBytes each (at most UINT64_MAX).
inline uint64_t SampleBytes(uint64_t samples, uint32_t blockBytes) {
  return blockBytes != 0 && samples > UINT64_MAX / blockBytes ? UINT64_MAX : samples * blockBytes;
}

// floor(count x part / whole), whole not 0: a stream's share in proportion
// to another's.
inline uint32_t ProportionOf(uint32_t count, uint32_t part, uint32_t whole) {
  return ClampU32(uint64_t(count) * part / whole);
}
