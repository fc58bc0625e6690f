// Whether chunks lie in an input exactly as the writers write them, so that
// a run of them can be carried over as a run of input bytes.
#pragma once
#include <cstdint>

#include "avi/byte_input.h"

// Tells whether a whole chunk, as the writers write it (its header with the
// index's length, its data, a zero pad byte after odd data), is exactly the
// input's bytes [at, end). Real muxers write chunks so, back to back, and
// such chunks are carried over as runs of input bytes. Looking costs a read
// of a few bytes per chunk; a pad byte comes with the next chunk's header.
class StoredChunks {
 public:
  explicit StoredChunks(ByteInput& input) : input_(input) {}

  bool WrittenAsStored(uint64_t at, uint32_t length, uint64_t* end) {
    *end = at + 8 + uint64_t(length) + (length & 1);
    if (*end > input_.Size()) return false;
    if (SizeAt(at) != length) return false;
    if ((length & 1) == 0) return true;
    // The pad byte, and the header of the chunk that probably follows.
    uint8_t b[9];
    const size_t count = *end + 8 <= input_.Size() ? 9 : 1;
    input_.Seek(*end - 1);
    input_.Read(b, count);
    if (*end + 8 <= input_.Size()) Remember(*end, b + 1);
    return b[0] == 0;
  }

 private:
  uint32_t SizeAt(uint64_t at) { return at == knownAt_ ? knownSize_ : input_.U32At(at + 4); }
  void Remember(uint64_t at, const uint8_t header[8]) {
    knownAt_ = at;
    knownSize_ = U32(header + 4);
  }
  static uint32_t U32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
  }

  ByteInput& input_;
  uint64_t knownAt_ = ~0ull;
  uint32_t knownSize_ = 0;
};
