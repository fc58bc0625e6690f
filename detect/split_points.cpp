// Where a video stream splits into stretches that decode alone
// (detect/split_points.h).
#include "detect/split_points.h"

namespace {
// How far to look past chunks without a VOP (dropped frames) for the
// neighbouring pictures.
constexpr uint32_t kLookAround = 8;
}  // namespace

std::vector<int> VopTypes(const uint8_t* data, size_t size) {
  std::vector<int> types;
  for (size_t i = 0; i + 4 < size; ++i)
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == 0xB6) {
      types.push_back(data[i + 4] >> 6);
      i += 3;
    }
  return types;
}

bool Mpeg4StartsAlone(uint32_t frame, uint32_t frames, const VopTypesOf& chunk) {
  const std::vector<int> own = chunk(frame);
  if (own.size() != 1 || own[0] != 0) return false;
  for (uint32_t n = frame; n > 0 && frame - n < kLookAround; --n) {
    const std::vector<int> before = chunk(n - 1);
    if (before.empty()) continue;
    if (before.size() > 1) return false;
    break;
  }
  for (uint32_t n = frame + 1; n < frames && n - frame <= kLookAround; ++n) {
    const std::vector<int> after = chunk(n);
    if (!after.empty()) return after[0] != 2;
  }
  return false;
}

std::vector<uint32_t> ChooseSplits(uint32_t frames, int count, const std::function<bool(uint32_t)>& startsAlone) {
  std::vector<uint32_t> starts{0};
  for (int p = 1; p < count; ++p) {
    const uint32_t from = uint32_t(uint64_t(frames) * uint32_t(p) / uint32_t(count));
    const uint32_t to = uint32_t(uint64_t(frames) * uint32_t(p + 1) / uint32_t(count));
    for (uint32_t f = from > starts.back() ? from : starts.back() + 1; f < to; ++f)
      if (startsAlone(f)) {
        starts.push_back(f);
        break;
      }
  }
  return starts;
}
