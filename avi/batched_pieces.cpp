#include "avi/batched_pieces.h"

#include <algorithm>

bool BatchedPieces::Find(uint64_t position, uint64_t* start, const uint8_t** bytes, size_t* size) {
  while (!off_) {
    if (ranges_.empty() || position >= ranges_.back().start + ranges_.back().size) {
      if (LoadNext())
        ++batches_;
      else
        off_ = true;
      continue;
    }
    const auto r = std::upper_bound(ranges_.begin(), ranges_.end(), position,
                                    [](uint64_t p, const Range& x) { return p < x.start + x.size; });
    if (r->start <= position) {
      *start = r->start;
      *bytes = bytes_.data() + r->offset;
      *size = r->size;
      ++found_;
      return true;
    }
    if ((r != ranges_.begin() || batches_ > 1) && ++missed_ > kMaxMissed) off_ = true;
    return false;
  }
  return false;
}
