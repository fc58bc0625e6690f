#include "sound/sound_offset.h"

namespace {

// round(t x rate / scale), halves rounded up.
uint64_t RoundAtRate(const ExactTime& t, uint32_t rate, uint32_t scale) {
  if (rate >= 0x80000000u) return FrameFloorAtRate(t, rate, scale);
  const uint64_t twice = FrameFloorAtRate(t, 2 * rate, scale);
  return twice == UINT64_MAX ? twice : (twice + 1) / 2;
}

}  // namespace

bool ParseSoundOffset(const char* text, SoundOffset* offset, TimeTextProblem* problem) {
  while (*text == ' ' || *text == '\t') ++text;
  offset->negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  return ParseClockTime(text, &offset->magnitude, problem);
}

const char* OffsetPlan::MethodName() const {
  switch (method) {
    case OffsetMethod::Silence: return "silence";
    case OffsetMethod::Trim: return "trim";
    case OffsetMethod::Frames: return "frames";
    case OffsetMethod::Start: return "dwStart";
    default: return "";
  }
}

const char* OffsetPlan::CountName() const {
  return method == OffsetMethod::Frames ? "frames" : method == OffsetMethod::Start ? "units" : "samples";
}

uint8_t PcmSilenceByte(const SoundFormat& f) {
  // Samples of 1 to 8 bits are stored unsigned, resting at 0x80 (0x00 is the
  // loudest negative sample); decoders take any width up to 8 bits as 8.
  // WAVE_FORMAT_EXTENSIBLE says PCM in its subformat's first two bytes.
  auto u16 = [&](size_t at) { return f.strf.size() >= at + 2 ? unsigned(f.strf[at] | f.strf[at + 1] << 8) : 0u; };
  const unsigned tag = f.formatTag == 0xFFFE ? u16(24) : f.formatTag;
  const unsigned bits = u16(14);
  return tag == 1 && bits >= 1 && bits <= 8 ? 0x80 : 0;
}

bool PlanSoundOffset(const SoundOffset& offset, const SoundSource& source, OffsetPlan* plan) {
  const SoundFormat& f = source.Format();
  *plan = OffsetPlan();
  if (offset.IsZero()) return true;
  const double sign = offset.negative ? -1.0 : 1.0;
  if (f.pcm) {
    plan->method = offset.negative ? OffsetMethod::Trim : OffsetMethod::Silence;
    plan->count = RoundAtRate(offset.magnitude, f.sampleRate, 1);
    plan->units = plan->count;
    plan->reached = sign * double(plan->count) / f.sampleRate;
    return !offset.negative || plan->count < f.units;
  }
  const uint64_t target = RoundAtRate(offset.magnitude, f.rate, f.scale);
  if (!offset.negative) {
    plan->method = OffsetMethod::Start;
    plan->count = plan->units = target;
    plan->reached = double(target) * f.scale / f.rate;
    return true;
  }
  // Whole pieces off while the time taken off comes nearer to |T|.
  plan->method = OffsetMethod::Frames;
  auto cursor = source.Begin();
  SoundPiece p;
  while (cursor->Next(&p) && 2 * (plan->units + p.units) <= 2 * target + p.units) {
    plan->units += p.units;
    plan->count++;
  }
  plan->reached = -double(plan->units) * f.scale / f.rate;
  return plan->units < f.units;
}
