// Reads idx1 entries in batches through the checked input reader, so that
// walking the index costs one read per batch rather than one per field.
#pragma once
#include <cstdint>
#include <vector>

class ByteInput;

struct IndexEntry {
  uint32_t ckid;
  uint32_t flags;
  uint32_t offset;  // dwChunkOffset
  uint32_t length;  // dwChunkLength
};

class IndexReader {
 public:
  // Entry i lies at idx1Offset + 8 + 16 i; entries 0 .. total - 1 can be read.
  IndexReader(ByteInput& input, uint32_t idx1Offset, uint32_t total);
  uint32_t Total() const { return total_; }
  // Entry i (i < Total()); cheap when i is near the previously read entry.
  IndexEntry At(uint32_t i);

 private:
  void Load(uint32_t first);

  ByteInput& input_;
  uint64_t entriesStart_;
  uint32_t total_;
  std::vector<uint8_t> raw_;
  uint32_t first_ = 0;
  uint32_t count_ = 0;
};
