// Reads idx1 entries in batches through the checked input reader, so that
// walking the index costs one read per batch rather than one per field.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "avi/little_endian.h"

class ByteInput;

struct IndexEntry {
  uint32_t ckid;
  uint32_t flags;
  uint32_t offset;  // dwChunkOffset
  uint32_t length;  // dwChunkLength
  // What dwChunkOffset lost past 4 GiB (a multiple of 2^32): 0 except in the
  // idx1 of a flattened OpenDML file larger than that (avi/odml_flat_view.h).
  uint64_t offsetHigh = 0;
};

// The file position of an entry's chunk header, its offsets counting from base.
inline uint64_t ChunkPosition(uint64_t base, const IndexEntry& e) { return base + e.offset + e.offsetHigh; }

class IndexReader {
 public:
  // Entry i lies at idx1Offset + 8 + 16 i; entries 0 .. total - 1 can be read.
  IndexReader(ByteInput& input, uint64_t idx1Offset, uint32_t total);
  uint32_t Total() const { return total_; }
  // Entry i (i < Total()); cheap when i is near the previously read entry.
  IndexEntry At(uint32_t i) {
    if (i - first_ >= count_) Reload(i);
    const uint8_t* p = raw_.data() + size_t(i - first_) * 16;
    const uint64_t high = highs_.empty() ? 0 : highs_[i - first_];
    return IndexEntry{LeU32(p), LeU32(p + 4), LeU32(p + 8), LeU32(p + 12), high};
  }

 private:
  // Loads the batch that holds entry i.
  void Reload(uint32_t i);
  void Load(uint32_t first);

  ByteInput& input_;
  uint64_t entriesStart_;
  uint32_t total_;
  std::vector<uint8_t> raw_;
  std::vector<uint64_t> highs_;  // offsetHigh of each loaded entry; empty when all are 0
  uint32_t first_ = 0;
  uint32_t count_ = 0;
};
