#include "scan/chunk_table.h"

void ChunkTable::Add(const KeptChunk& c) {
  if (count_ % kBlock == 0) blocks_.emplace_back(new KeptChunk[kBlock]);
  (*this)[count_++] = c;
}

long long ChunkTable::Find(uint64_t position, size_t hint) const {
  if (hint < count_ && (*this)[hint].Position() == position) return (long long)hint;
  size_t low = 0, high = count_;
  while (low < high) {
    const size_t mid = low + (high - low) / 2;
    if ((*this)[mid].Position() < position) low = mid + 1;
    else high = mid;
  }
  return low < count_ && (*this)[low].Position() == position ? (long long)low : -1;
}
