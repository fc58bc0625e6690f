// The chunks a repair keeps, in file order: 16 bytes each (file position
// and four flags in one 64-bit word, the code, the size), held in blocks
// of 4 Ki entries so that growing never holds a second copy.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct KeptChunk {
  static constexpr uint64_t kPositionMask = (uint64_t(1) << 48) - 1;
  static constexpr uint64_t kKey = uint64_t(1) << 48;       // a key frame
  static constexpr uint64_t kIndexed = uint64_t(1) << 49;   // an index entry that survived names it
  static constexpr uint64_t kUnpadded = uint64_t(1) << 50;  // odd size, and no zero pad byte follows it in the file
  static constexpr uint64_t kCodecKey = uint64_t(1) << 51;  // its bytes make it a key frame (scan/key_frames.h)

  uint64_t word;
  uint32_t ckid;
  uint32_t size;

  uint64_t Position() const { return word & kPositionMask; }  // its header
  bool Has(uint64_t flag) const { return (word & flag) != 0; }
};
static_assert(sizeof(KeptChunk) == 16, "16 bytes a chunk");

class ChunkTable {
 public:
  static constexpr size_t kBlock = 4096;  // 64 KiB a block

  void Add(const KeptChunk& c);
  size_t Size() const { return count_; }
  KeptChunk& operator[](size_t i) { return blocks_[i / kBlock][i % kBlock]; }
  const KeptChunk& operator[](size_t i) const { return blocks_[i / kBlock][i % kBlock]; }
  // The chunk whose header is at position, or -1; hint is where to look first.
  long long Find(uint64_t position, size_t hint = 0) const;

 private:
  std::vector<std::unique_ptr<KeptChunk[]>> blocks_;
  size_t count_ = 0;
};
