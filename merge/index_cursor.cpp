#include "merge/index_cursor.h"

#include "avi/byte_input.h"

namespace {

uint32_t LoadU32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

}  // namespace

IndexCursor::IndexCursor(ByteInput& input, uint32_t idx1Offset, uint32_t total)
    : input_(input), entriesStart_(uint64_t(idx1Offset) + 8), total_(total) {}

IdxEntry IndexCursor::At(uint32_t i) {
  if (i < blockFirst_ || i >= blockFirst_ + blockCount_) {
    // Start the block a little before i so that short backward steps stay in it.
    blockFirst_ = i >= 16 ? i - 16 : 0;
    uint32_t left = total_ - blockFirst_;
    blockCount_ = left < kBlockEntries ? left : kBlockEntries;
    input_.Seek(entriesStart_ + 16ull * blockFirst_);
    input_.Read(block_, size_t(blockCount_) * 16);  // missing bytes read as 0xFF
  }
  const uint8_t* p = block_ + size_t(i - blockFirst_) * 16;
  return IdxEntry{LoadU32(p), LoadU32(p + 4), LoadU32(p + 8), LoadU32(p + 12)};
}
