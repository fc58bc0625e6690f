// Sequential and nearby-random access to the idx1 entries of one input,
// read in blocks through the checked reader (one read per block, not per field).
#pragma once
#include <cstdint>

class ByteInput;

struct IdxEntry {
  uint32_t ckid;
  uint32_t flags;
  uint32_t offset;  // dwChunkOffset
  uint32_t length;  // dwChunkLength
};

class IndexCursor {
 public:
  // Entry i lies at idx1Offset + 8 + 16 i, for i below total.
  IndexCursor(ByteInput& input, uint32_t idx1Offset, uint32_t total);
  uint32_t Total() const { return total_; }
  // Entry i (i < Total()). Reads a new block only when i lies outside the current one.
  IdxEntry At(uint32_t i);

 private:
  static constexpr uint32_t kBlockEntries = 1024;  // 16 KB per block

  ByteInput& input_;
  uint64_t entriesStart_;
  uint32_t total_;
  uint32_t blockFirst_ = 0;
  uint32_t blockCount_ = 0;
  uint8_t block_[kBlockEntries * 16];
};
