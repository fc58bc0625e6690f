// Packed MPEG-4 Visual chunks (codec/mpeg4_packing.h).
#include "codec/mpeg4_packing.h"

namespace {

// VOP start codes in the chunk, up to two (what the filter tells apart).
int VopsIn(const uint8_t* data, size_t size) {
  int vops = 0;
  for (size_t i = 0; i + 3 < size && vops < 2; ++i)
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == 0xB6) {
      ++vops;
      i += 3;
    }
  return vops;
}

// The filter's own limit for an N_VOP.
constexpr size_t kMaxNvop = 19;

}  // namespace

const uint8_t Mpeg4Packing::kVopStart[4] = {0, 0, 1, 0xB6};

Mpeg4Packing::Send Mpeg4Packing::Judge(const uint8_t* data, size_t size) {
  const int vops = VopsIn(data, size);
  if (vops >= 2) {
    packed_ = true;
    return Send::AsIs;
  }
  if (vops == 1) {
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
