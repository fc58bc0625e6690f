#include "avi/indexed_headers.h"

#include <algorithm>

#include "io/positioned_read.h"

namespace {

// From the pad byte before a chunk to the end of the first header inside it.
constexpr uint64_t kBefore = 1;
constexpr uint64_t kAfter = 24;

}  // namespace

IndexedHeaders::IndexedHeaders(const ByteInput& file, const AviAnalysis& guess)
    : base_(guess.chunkBase),
      indexStart_(guess.idx1Offset),
      indexEnd_(guess.idx1Offset + 8 + 16ull * guess.idx1EntryTotal) {
  off_ = guess.idx1Offset == 0 || guess.idx1EntryTotal == 0 || !own_.OpenDuplicate(file);
  if (!off_) index_.reset(new IndexReader(own_, guess.idx1Offset, guess.idx1EntryTotal));
}

bool IndexedHeaders::Add(uint64_t at) {
  const uint64_t from = at >= kBefore ? at - kBefore : 0;
  const uint64_t to = std::min(at + kAfter, own_.Size());
  if (!ranges_.empty()) {
    // An entry before the one before it (an index out of file order) starts
    // the next batch: the pieces of a batch lie in rising order.
    if (at < lastAt_) return false;
    Range& r = ranges_.back();
    const uint64_t end = r.start + r.size;
    if (from <= end + reader_.MergeGap()) {
      const uint64_t grown = std::max(end, to) - end;
      if (batchBytes_ + grown > kMostBatchBytes) return false;
      r.size += size_t(grown);
      batchBytes_ += size_t(grown);
      lastAt_ = at;
      return true;
    }
  }
  if (batchBytes_ + (to - from) > kMostBatchBytes) return false;
  ranges_.push_back(Range{from, batchBytes_, size_t(to - from)});
  batchBytes_ += size_t(to - from);
  lastAt_ = at;
  return true;
}

void IndexedHeaders::StartBatch() {
  ranges_.clear();
  batchBytes_ = 0;
  lastAt_ = 0;
}

bool IndexedHeaders::LoadNext() {
  const uint32_t total = index_->Total();
  if (next_ >= total) return false;
  // The check beside the walk reads a chunk's pad byte (the byte before the
  // next chunk) before the walk looks inside the chunk: the last chunk of a
  // batch comes again with the next batch.
  const bool carry = !ranges_.empty();
  const uint64_t last = lastAt_;
  StartBatch();
  if (carry) Add(last);
  uint32_t added = 0;
  if (next_ < total) reader_.Prepare(own_.Descriptor(), ChunkPosition(base_, index_->At(next_)));
  for (uint32_t taken = 0; next_ < total && (taken < kBatchEntries || added == 0); ++next_, ++taken) {
    const uint64_t at = ChunkPosition(base_, index_->At(next_));
    if (at >= own_.Size()) continue;  // no chunk of this file: nothing to read
    if (!Add(at)) {
      if (added != 0) break;
      StartBatch();  // out of order right after the carried chunk: without it
      Add(at);
    }
    ++added;
  }
  if (ranges_.empty()) return false;
  bytes_.resize(batchBytes_);
  pieces_.clear();
  for (const Range& r : ranges_) pieces_.push_back(FilePiece{r.start, bytes_.data() + r.offset, r.size, 0});
  reader_.Read(own_.Descriptor(), pieces_.data(), pieces_.size());
  // A piece that came short is kept only as far as it was read: the walk's
  // reader reads the rest itself and finds out why it is missing.
  for (size_t i = 0; i < ranges_.size(); ++i) ranges_[i].size = pieces_[i].got;
  return true;
}

bool IndexedHeaders::Find(uint64_t position, uint64_t* start, const uint8_t** bytes, size_t* size) {
  // The index itself is read beside the walk (a check that follows it, the
  // walk's count of its entries): no place of a chunk, and no reason to pass
  // over the pieces before it.
  if (position >= indexStart_ && position < indexEnd_) return false;
  return BatchedPieces::Find(position, start, bytes, size);
}
