#include "avi/clone_layout.h"

#include "avi/fourcc.h"
#include "io/output_stream.h"

uint32_t CloneAligner::PadBefore(int input, uint64_t at, uint64_t outAt, uint64_t bytes) {
  if (block_ == 0) return 0;
  if (input == kWritten) {
    input_ = kWritten;
    settled_ = true;
    return 0;
  }
  if (input != input_ || at != runEnd_) {  // a new run
    input_ = input;
    runBytes_ = 0;
    settled_ = at % block_ == outAt % block_;
  }
  runEnd_ = at + bytes;
  uint32_t junk = 0;
  if (!settled_ && runBytes_ >= kLeadBlocks * block_) {
    settled_ = true;
    const uint64_t gap = (at % block_ + block_ - outAt % block_) % block_;
    // Chunks lie at even positions; an input whose chunks lie at odd ones
    // (a damaged file) cannot be lined up by a whole chunk.
    if (gap % 2 == 0) junk = uint32_t(gap >= 8 ? gap : gap + block_);
  }
  runBytes_ += bytes;
  return junk;
}

bool WriteJunk(OutputStream& out, uint32_t bytes) {
  static const uint8_t kZeros[4096] = {};
  if (!out.WriteU32(kJunk) || !out.WriteU32(bytes - 8)) return false;
  for (uint32_t left = bytes - 8; left > 0;) {
    const uint32_t take = left < sizeof kZeros ? left : uint32_t(sizeof kZeros);
    if (!out.Write(kZeros, take)) return false;
    left -= take;
  }
  return true;
}
