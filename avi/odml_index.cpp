#include "avi/odml_index.h"

#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/little_endian.h"

namespace {

constexpr uint32_t kStandardBatch = 1024;  // 8 KiB of standard index entries
constexpr uint8_t kIndexOfIndexes = 0x00;  // bIndexType
constexpr uint8_t kIndexOfChunks = 0x01;
constexpr uint8_t kFieldSubType = 0x01;    // bIndexSubType AVI_INDEX_2FIELD
constexpr uint32_t kNotKeyBit = 0x80000000u;

// The 32-byte head shared by both index kinds: chunk header, then
// wLongsPerEntry, bIndexSubType, bIndexType, nEntriesInUse, dwChunkId and
// 12 bytes (the base offset in a standard index).
struct IndexHead {
  uint32_t code, size;
  uint16_t longsPerEntry;
  uint8_t subType, type;
  uint32_t entriesInUse, chunkId;
  uint64_t base;
};

IndexHead ReadHead(ByteInput& input, uint64_t position) {
  uint8_t b[32];
  input.Seek(position);
  input.Read(b, sizeof b);
  return IndexHead{LeU32(b), LeU32(b + 4), uint16_t(b[8] | (b[9] << 8)), b[10], b[11], LeU32(b + 12), LeU32(b + 16),
                   LeU64(b + 20)};
}

// "ix" followed by the stream number in two digits.
bool IsStandardIndexCode(uint32_t code, int stream) {
  return StreamOfStandardIndex(code) == stream;
}

}  // namespace

bool ReadSuperIndex(ByteInput& input, uint64_t fileSize, int stream, uint64_t position, SuperIndex* out,
                    OdmlFault* fault) {
  IndexHead h = ReadHead(input, position);
  *fault = OdmlFault{OdmlProblem::kNone, stream, position};
  if (h.code != kIndx || h.longsPerEntry != 4 || h.type != kIndexOfIndexes ||
      24 + 16ull * h.entriesInUse > h.size || position + 8 + h.size > fileSize ||
      (h.entriesInUse != 0 && StreamOfCkid(h.chunkId) != stream)) {
    fault->problem = OdmlProblem::kBadSuperIndex;
    return false;
  }
  if (h.subType == kFieldSubType) {
    fault->problem = OdmlProblem::kFieldIndex;
    return false;
  }
  *out = SuperIndex{stream, position, h.entriesInUse, h.chunkId};
  return true;
}

StreamIndexCursor::StreamIndexCursor(ByteInput& input, uint64_t fileSize, const SuperIndex& super)
    : input_(input), fileSize_(fileSize), super_(super) {}

bool StreamIndexCursor::Fail(OdmlProblem problem, uint64_t position) {
  fault_ = OdmlFault{problem, super_.stream, position};
  return false;
}

bool StreamIndexCursor::Start(OdmlPlace place) {
  fault_ = OdmlFault{};
  hasPrevious_ = false;
  indexOpen_ = false;
  batchCount_ = 0;
  standardIndex_ = place.standardIndex;
  entry_ = place.entry;
  if (standardIndex_ >= super_.entriesInUse) return true;  // at the end
  return OpenStandardIndex(standardIndex_);
}

bool StreamIndexCursor::OpenStandardIndex(uint32_t number) {
  indexOpen_ = false;
  batchCount_ = 0;
  uint64_t entry = super_.position + 32 + 16ull * number;
  uint8_t b[16];
  input_.Seek(entry);
  input_.Read(b, sizeof b);
  uint64_t at = LeU64(b);
  // Where an index sits is never trusted: it must lie in the file and be a
  // standard index of this stream, whatever the super index says of it.
  if (at > fileSize_ || fileSize_ - at < 32) return Fail(OdmlProblem::kIndexPastEnd, entry);
  IndexHead h = ReadHead(input_, at);
  if (!IsStandardIndexCode(h.code, super_.stream)) return Fail(OdmlProblem::kBadStandardIndex, at);
  if (at + 8 + h.size > fileSize_) return Fail(OdmlProblem::kIndexPastEnd, at);
  if (h.subType == kFieldSubType) return Fail(OdmlProblem::kFieldIndex, at);
  if (h.longsPerEntry != 2 || h.type != kIndexOfChunks || 24 + 8ull * h.entriesInUse > h.size ||
      StreamOfCkid(h.chunkId) != super_.stream)
    return Fail(OdmlProblem::kBadStandardIndex, at);
  entriesAt_ = at + 32;
  // dvgrab preallocates its indexes: only the entries in use count, the
  // room after them holds zeros.
  entryCount_ = h.entriesInUse;
  base_ = h.base;
  ckid_ = h.chunkId;
  indexOpen_ = true;
  return true;
}

bool StreamIndexCursor::LoadBatch() {
  uint32_t left = entryCount_ - entry_;
  batchFirst_ = entry_;
  batchCount_ = left < kStandardBatch ? left : kStandardBatch;
  batch_.resize(size_t(kStandardBatch) * 8);
  input_.Seek(entriesAt_ + 8ull * entry_);
  return input_.Read(batch_.data(), size_t(batchCount_) * 8) == size_t(batchCount_) * 8;
}

bool StreamIndexCursor::Next(OdmlChunk* chunk) {
  if (fault_.problem != OdmlProblem::kNone) return false;
  for (;;) {
    if (standardIndex_ >= super_.entriesInUse) return false;
    if (!indexOpen_ && !OpenStandardIndex(standardIndex_)) return false;
    if (entry_ < entryCount_) break;
    ++standardIndex_;
    entry_ = 0;
    indexOpen_ = false;
  }
  if (entry_ < batchFirst_ || entry_ >= batchFirst_ + batchCount_) {
    if (!LoadBatch()) return Fail(OdmlProblem::kIndexPastEnd, entriesAt_ + 8ull * entry_);
  }
  const uint8_t* p = batch_.data() + size_t(entry_ - batchFirst_) * 8;
  uint64_t entryAt = entriesAt_ + 8ull * entry_;
  uint32_t offset = LeU32(p);
  uint32_t rawSize = LeU32(p + 4);
  uint32_t size = rawSize & ~kNotKeyBit;
  // Writers disagree on the base (ffmpeg: the "movi" of the RIFF list;
  // avimux: 0 in the first RIFF, then the RIFF header; mencoder: the first
  // chunk's data, with one index over two RIFF lists; dvgrab: the first
  // chunk's header). Only base + offset matters, and the reader checks it
  // against the chunk there. 64-bit sums: a huge base must not wrap around.
  if (base_ > fileSize_ || offset > fileSize_ - base_) return Fail(OdmlProblem::kChunkPastEnd, entryAt);
  uint64_t data = base_ + offset;
  if (data < 8 || size > fileSize_ - data) return Fail(OdmlProblem::kChunkPastEnd, entryAt);
  // One chunk named again and again would make a small file a huge one.
  if (hasPrevious_ && data == previousData_) return Fail(OdmlProblem::kOverlap, entryAt);
  if (hasPrevious_ && data < previousData_) return Fail(OdmlProblem::kOutOfOrder, entryAt);
  hasPrevious_ = true;
  previousData_ = data;
  *chunk = OdmlChunk{data, size, ckid_, (rawSize & kNotKeyBit) == 0, super_.stream};
  ++entry_;
  return true;
}

OdmlChunkMerge::OdmlChunkMerge(ByteInput& input, uint64_t fileSize, const std::vector<SuperIndex>& streams)
    : heads_(streams.size()), headPlaces_(streams.size()), hasHead_(streams.size(), false) {
  cursors_.reserve(streams.size());
  for (const SuperIndex& s : streams) cursors_.emplace_back(input, fileSize, s);
}

bool OdmlChunkMerge::Advance(size_t s) {
  headPlaces_[s] = cursors_[s].Place();
  hasHead_[s] = cursors_[s].Next(&heads_[s]);
  if (!hasHead_[s] && cursors_[s].Fault().problem != OdmlProblem::kNone) {
    fault_ = cursors_[s].Fault();
    return false;
  }
  return true;
}

bool OdmlChunkMerge::Start(const OdmlPlace* places) {
  fault_ = OdmlFault{};
  for (size_t s = 0; s < cursors_.size(); ++s) {
    hasHead_[s] = false;
    if (!cursors_[s].Start(places ? places[s] : OdmlPlace{0, 0})) {
      fault_ = cursors_[s].Fault();
      return false;
    }
    if (!Advance(s)) return false;
  }
  return true;
}

bool OdmlChunkMerge::Next(OdmlChunk* chunk) {
  if (fault_.problem != OdmlProblem::kNone) return false;
  // At most ten streams: a linear look for the lowest head is the cheapest.
  size_t best = cursors_.size();
  for (size_t s = 0; s < cursors_.size(); ++s)
    if (hasHead_[s] && (best == cursors_.size() || heads_[s].data < heads_[best].data)) best = s;
  if (best == cursors_.size()) return false;
  *chunk = heads_[best];
  return Advance(best);
}

void OdmlChunkMerge::Places(OdmlPlace* out) const {
  for (size_t s = 0; s < cursors_.size(); ++s) out[s] = headPlaces_[s];
}
