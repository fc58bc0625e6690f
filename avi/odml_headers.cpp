#include "avi/odml_headers.h"

#include <algorithm>

namespace {

// The walk reads a chunk's header, a list's type and the first header
// inside: 24 bytes from the chunk's start.
constexpr uint64_t kHeadBytes = 24;

uint64_t FlatSpan(const OdmlChunk& c) { return 8 + uint64_t(c.size) + (c.size & 1); }

}  // namespace

OdmlHeaders::OdmlHeaders(const ByteInput& file, uint64_t fileSize, const std::vector<SuperIndex>& indexes)
    : merge_(own_, fileSize, indexes), fileSize_(fileSize), inView_(false), placesStart_(0), placesEnd_(fileSize) {
  off_ = indexes.empty() || !own_.OpenDuplicate(file) || !merge_.Start(nullptr);
}

OdmlHeaders::OdmlHeaders(const ByteInput& file, uint64_t fileSize, const std::vector<SuperIndex>& indexes,
                         const ViewSpan& places)
    : merge_(own_, fileSize, indexes),
      fileSize_(fileSize),
      inView_(true),
      placesStart_(places.start),
      placesEnd_(places.end),
      flat_(placesStart_) {
  off_ = indexes.empty() || !own_.OpenDuplicate(file) || !merge_.Start(nullptr);
}

void OdmlHeaders::Extend(uint64_t source, uint64_t count) {
  Range& r = ranges_.back();
  // Past the end of the file the view shows zeros (a final pad byte): the
  // batch's bytes start as zeros, and no piece reads there. The file's
  // reader finds there no byte at all.
  const uint64_t inFile = source < fileSize_ ? std::min(count, fileSize_ - source) : 0;
  if (!inView_) count = inFile;
  endSource_ = source + count;
  if (inFile != 0) {
    const size_t offset = r.offset + r.size;
    FilePiece* last = pieces_.size() > r.firstPiece ? &pieces_.back() : nullptr;
    if (last && last->position + last->count == source &&
        reinterpret_cast<size_t>(last->out) + last->count == offset)
      last->count += size_t(inFile);
    else  // out holds the offset into bytes_ until the batch is read
      pieces_.push_back(FilePiece{source, reinterpret_cast<uint8_t*>(offset), size_t(inFile), 0});
  }
  r.size += size_t(count);
  batchBytes_ += size_t(count);
}

bool OdmlHeaders::Add(const OdmlChunk& c) {
  const uint64_t at = inView_ ? flat_ : c.data - 8;
  const uint64_t take = inView_ ? std::min(kHeadBytes, FlatSpan(c)) : 8;
  if (!ranges_.empty()) {
    const Range& r = ranges_.back();
    const uint64_t end = r.start + r.size;
    // A chunk before the last one's end (chunks that overlap, which the
    // check refuses) starts the next batch: ranges lie in rising order.
    if (at < end) return false;
    if (at <= end + reader_.MergeGap()) {
      // The bytes between: the rest of the last chunk in the view, the
      // next bytes in the file.
      if (batchBytes_ + (at - end) + take > kMostBatchBytes) return false;
      Extend(endSource_, at - end);
      Extend(c.data - 8, take);
      return true;
    }
  }
  if (batchBytes_ + take > kMostBatchBytes) return false;
  ranges_.push_back(Range{at, batchBytes_, 0, pieces_.size()});
  Extend(c.data - 8, take);
  return true;
}

bool OdmlHeaders::LoadNext() {
  ranges_.clear();
  pieces_.clear();
  batchBytes_ = 0;
  OdmlChunk c;
  for (uint32_t taken = 0; taken < kBatchEntries; ++taken) {
    if (hasPending_) {
      c = pending_;
      hasPending_ = false;
    } else if (!merge_.Next(&c)) {
      break;
    }
    if (c.data < 8) {  // no chunk the reader lets through: the places stop here
      off_ = true;
      break;
    }
    if (taken == 0) reader_.Prepare(own_.Descriptor(), c.data - 8);
    if (!Add(c)) {
      pending_ = c;
      hasPending_ = true;
      break;
    }
    flat_ += FlatSpan(c);
  }
  if (ranges_.empty()) return false;
  bytes_.assign(batchBytes_, 0);  // zeros where no piece reads
  for (FilePiece& p : pieces_) p.out = bytes_.data() + reinterpret_cast<size_t>(p.out);
  reader_.Read(own_.Descriptor(), pieces_.data(), pieces_.size());
  // A range is kept only up to its first piece that came short: the walk's
  // reader reads the rest from the view and finds out why it is missing.
  for (size_t i = 0; i < ranges_.size(); ++i) {
    Range& r = ranges_[i];
    const size_t endPiece = i + 1 < ranges_.size() ? ranges_[i + 1].firstPiece : pieces_.size();
    for (size_t p = r.firstPiece; p < endPiece; ++p) {
      const FilePiece& piece = pieces_[p];
      if (piece.got == piece.count) continue;
      r.size = size_t(piece.out - bytes_.data()) + piece.got - r.offset;
      break;
    }
  }
  return true;
}

bool OdmlHeaders::Find(uint64_t position, uint64_t* start, const uint8_t** bytes, size_t* size) {
  // The view's header and idx1 are no chunk's place.
  if (position < placesStart_ || position >= placesEnd_) return false;
  return BatchedPieces::Find(position, start, bytes, size);
}
