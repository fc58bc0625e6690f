// Moving a sound against the picture by a signed time T (positive: the
// sound starts later), without decoding:
//   PCM             by whole samples, round(|T| x sample rate): silence put
//                   in front (T > 0, method "silence") or samples taken off
//                   the front (T < 0, "trim");
//   other sound     T < 0: whole frames (pieces) taken off the front, as many
//                   as bring the time taken off nearest to |T| ("frames");
//                   T > 0: the stream's start, strh dwStart, set to
//                   round(T x rate / scale) units ("dwStart").
// The plan says the method, the count (samples, frames or units) and the
// offset reached exactly, in seconds (as a double, for the figures only).
#pragma once
#include <cstdint>
#include <string>

#include "avi/exact_time.h"
#include "sound/sound_source.h"

struct SoundOffset {
  bool negative = false;
  ExactTime magnitude;
  bool IsZero() const { return magnitude.IsZero(); }
  double Seconds() const { return negative ? -ToSeconds(magnitude) : ToSeconds(magnitude); }
};

// "0.120", "-1.5", "+2", "-0:01.5": a sign, then a time as ParseClockTime reads it.
bool ParseSoundOffset(const char* text, SoundOffset* offset, TimeTextProblem* problem);

enum class OffsetMethod { None, Silence, Trim, Frames, Start };

struct OffsetPlan {
  OffsetMethod method = OffsetMethod::None;
  uint64_t count = 0;  // samples (silence, trim), frames (frames) or units (dwStart)
  uint64_t units = 0;  // the units of the stream put in front or taken off, or dwStart
  double reached = 0;  // seconds, signed as asked
  // "silence", "trim", "frames", "dwStart" ("" for None).
  const char* MethodName() const;
  // "samples", "frames", "units".
  const char* CountName() const;
};

// The byte the silence put in front of PCM is made of: 0x80 for unsigned
// 8-bit samples, 0 for every other PCM.
uint8_t PcmSilenceByte(const SoundFormat& format);

// The plan for source; false when it would take off all the sound (*plan
// then says how much it would have taken).
bool PlanSoundOffset(const SoundOffset& offset, const SoundSource& source, OffsetPlan* plan);
