// Packed MPEG-4 Visual chunks (codec/mpeg4_packing.h).
#include "codec/mpeg4_packing.h"

#include <cstring>

namespace {

// The start codes the filter acts on: 00 00 01 B6 (a VOP) and 00 00 01 B2
// (user data, where a DivX "p" marks a packed stream and the filter
// rewrites it).
constexpr uint8_t kVopCode = 0xB6;
constexpr uint8_t kUserDataCode = 0xB2;

struct StartCodes {
  int vops = 0;  // up to two (what the filter tells apart)
  bool userData = false;
};

// Finds the 01 of each 00 00 01 with memchr: compressed data holds few
// 01 bytes, and memchr passes over the rest many bytes at a time. The
// scan stops at the second VOP, which settles what the filter does.
StartCodes ScanStartCodes(const uint8_t* data, size_t size) {
  StartCodes found;
  if (size < 4) return found;
  const uint8_t* const last = data + size - 1;  // a start code's fourth byte lies before it
  for (const uint8_t* p = data + 2; p < last;) {
    p = static_cast<const uint8_t*>(std::memchr(p, 1, size_t(last - p)));
    if (p == nullptr) break;
    if (p[-1] == 0 && p[-2] == 0) {
      if (p[1] == kVopCode && ++found.vops == 2) break;
      if (p[1] == kUserDataCode) found.userData = true;
    }
    ++p;
  }
  return found;
}

// The filter's own limit for an N_VOP.
constexpr size_t kMaxNvop = 19;

}  // namespace

const uint8_t Mpeg4Packing::kVopStart[4] = {0, 0, 1, 0xB6};

Mpeg4Packing::Send Mpeg4Packing::Judge(const uint8_t* data, size_t size) {
  const StartCodes codes = ScanStartCodes(data, size);
  // The filter passes a chunk on untouched unless it holds a B frame, the
  // chunk brings one (two VOPs) or has user data it may rewrite.
  throughFilter_ = packed_ || codes.vops >= 2 || codes.userData;
  if (codes.vops >= 2) {
    packed_ = true;
    return Send::AsIs;
  }
  if (codes.vops == 1) {
    if (size <= kMaxNvop) packed_ = false;  // the N_VOP the filter replaces
    return Send::AsIs;
  }
  if (packed_) {
    packed_ = false;
    return Send::StandIn;
  }
  // No VOP: a dropped frame, unless it holds the stream's headers alone
  // (a VOL before the first picture).
  return size == 0 || size < 8 ? Send::Nothing : Send::AsIs;
}
