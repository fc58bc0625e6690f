#include "avi/odml_flat_view.h"

#include <algorithm>
#include <cstring>

#include "avi/fourcc.h"
#include "avi/little_endian.h"

namespace {

constexpr size_t kAheadBytes = 256 * 1024;

uint64_t Span(const OdmlChunk& c) { return 8 + uint64_t(c.size) + (c.size & 1); }
uint32_t Clamp32(uint64_t v) { return v > 0xFFFFFFFFull ? 0xFFFFFFFFu : uint32_t(v); }

}  // namespace

OdmlFlatView::OdmlFlatView(ByteInput& source, const OdmlReader& reader)
    : source_(source),
      reader_(reader),
      movi_(OdmlChunkMerge(source, reader.FileSize(), reader.SuperIndexes())),
      index_(OdmlChunkMerge(source, reader.FileSize(), reader.SuperIndexes())) {
  // Header pieces: the source less its cuts, which lie in file order.
  uint64_t at = 0, flat = 0;
  for (const HeaderCut& cut : reader.HeaderCuts()) {
    if (cut.position > at) pieces_.push_back(Piece{flat, at, cut.position - at});
    flat += cut.position - at;
    at = cut.position + cut.length;
  }
  pieces_.push_back(Piece{flat, at, reader.HeaderEnd() - at});
  headerSize_ = flat + reader.HeaderEnd() - at;
  const uint64_t chunks = reader.Facts().chunkCount;
  idx1Start_ = headerSize_ + reader.FlatMoviBytes();
  size_ = idx1Start_ + 8 + 16 * chunks;

  auto toView = [&](uint64_t position) {
    uint64_t cut = 0;
    for (const HeaderCut& c : reader.HeaderCuts())
      if (c.position < position) cut += c.length;
    return position - cut;
  };
  patches_.push_back(HeaderPatch{4, Clamp32(size_ - 8)});
  for (const HeaderPatch& p : reader.HeaderPatches()) patches_.push_back(HeaderPatch{toView(p.position), p.value});
  patches_.push_back(HeaderPatch{headerSize_ - 8, Clamp32(4 + reader.FlatMoviBytes())});
}

size_t OdmlFlatView::ReadAt(uint64_t position, uint8_t* out, size_t count) {
  size_t done = 0;
  while (done < count && position + done < size_) {
    uint64_t at = position + done;
    size_t want = count - done;
    size_t got;
    if (at < headerSize_)
      got = ReadHeader(at, out + done, size_t(std::min<uint64_t>(want, headerSize_ - at)));
    else if (at < idx1Start_)
      got = ReadMovi(at - headerSize_, out + done, size_t(std::min<uint64_t>(want, idx1Start_ - at)));
    else
      got = ReadIdx1(at - idx1Start_, out + done, size_t(std::min<uint64_t>(want, size_ - at)));
    if (got == 0) break;  // the source changed under us
    done += got;
  }
  return done;
}

size_t OdmlFlatView::ReadHeader(uint64_t position, uint8_t* out, size_t count) {
  size_t done = 0;
  for (const Piece& p : pieces_) {
    uint64_t at = position + done;
    if (done == count) break;
    if (at < p.flat || at >= p.flat + p.length) continue;
    size_t take = size_t(std::min<uint64_t>(count - done, p.flat + p.length - at));
    if (!CopySource(p.source + (at - p.flat), out + done, take)) return 0;
    done += take;
  }
  for (const HeaderPatch& p : patches_) {
    uint8_t field[4];
    PutLeU32(field, p.value);
    for (int i = 0; i < 4; ++i)
      if (p.position + i >= position && p.position + i < position + done) out[p.position + i - position] = field[i];
  }
  return done;
}

bool OdmlFlatView::Restore(Cursor& c, const OdmlCheckpoint& point, const OdmlPlace* places) {
  c.valid = c.merge.Start(places) && c.merge.Next(&c.chunk);
  c.ordinal = point.ordinal;
  c.flat = point.flatOffset;
  return c.valid;
}

bool OdmlFlatView::Step(Cursor& c) {
  c.flat += Span(c.chunk);
  c.ordinal++;
  c.valid = c.merge.Next(&c.chunk);
  return c.valid;
}

// Forward, a cursor steps up to two strides (listing entries from its
// batches costs nothing) rather than restart from a checkpoint (which reads
// every stream's super index and ix## head again).
bool OdmlFlatView::SeekOrdinal(Cursor& c, uint64_t ordinal) {
  const OdmlPlace* places;
  const OdmlCheckpoint& point = reader_.CheckpointForOrdinal(ordinal, &places);
  if (!c.valid || c.ordinal > ordinal || point.ordinal > c.ordinal + reader_.Stride()) {
    if (!Restore(c, point, places)) return false;
  }
  while (c.ordinal < ordinal)
    if (!Step(c)) return false;
  return true;
}

bool OdmlFlatView::SeekOffset(Cursor& c, uint64_t flatOffset) {
  if (c.valid && c.flat <= flatOffset && flatOffset < c.flat + Span(c.chunk)) return true;
  const OdmlPlace* places;
  const OdmlCheckpoint& point = reader_.CheckpointForOffset(flatOffset, &places);
  if (!c.valid || c.flat > flatOffset || point.ordinal > c.ordinal + reader_.Stride()) {
    if (!Restore(c, point, places)) return false;
  }
  while (flatOffset >= c.flat + Span(c.chunk))
    if (!Step(c)) return false;
  return true;
}

size_t OdmlFlatView::ReadMovi(uint64_t offset, uint8_t* out, size_t count) {
  size_t done = 0;
  while (done < count) {
    if (!SeekOffset(movi_, offset + done)) break;
    const OdmlChunk& chunk = movi_.chunk;
    uint64_t within = offset + done - movi_.flat;
    size_t take = size_t(std::min<uint64_t>(count - done, Span(chunk) - within));
    uint64_t from = chunk.data - 8 + within;
    // Everything but a final pad byte lies in the file; a missing pad is 0.
    size_t inFile = size_t(std::min<uint64_t>(take, from < reader_.FileSize() ? reader_.FileSize() - from : 0));
    if (!CopySource(from, out + done, inFile)) break;
    std::memset(out + done + inFile, 0, take - inFile);
    done += take;
  }
  return done;
}

bool OdmlFlatView::CopySource(uint64_t from, uint8_t* out, size_t count) {
  if (count >= kAheadBytes / 4) {
    source_.Seek(from);
    return source_.Read(out, count) == count;
  }
  if (from < aheadStart_ || from + count > aheadStart_ + aheadFill_) {
    ahead_.resize(kAheadBytes);
    uint64_t left = reader_.FileSize() > from ? reader_.FileSize() - from : 0;
    source_.Seek(from);
    aheadStart_ = from;
    aheadFill_ = source_.Read(ahead_.data(), size_t(std::min<uint64_t>(left, kAheadBytes)));
    if (count > aheadFill_) return false;
  }
  std::memcpy(out, ahead_.data() + (from - aheadStart_), count);
  return true;
}

size_t OdmlFlatView::ReadIdx1(uint64_t offset, uint8_t* out, size_t count) {
  size_t done = 0;
  while (done < count) {
    uint64_t at = offset + done;
    uint8_t record[16];
    uint64_t first;  // position of record[0] in the idx1 chunk
    if (at < 8) {
      first = 0;
      PutLeU32(record, kIdx1);
      PutLeU32(record + 4, Clamp32(16 * reader_.Facts().chunkCount));
    } else {
      uint64_t entry = (at - 8) / 16;
      first = 8 + 16 * entry;
      if (!SeekOrdinal(index_, entry)) break;
      const OdmlChunk& c = index_.chunk;
      PutLeU32(record, c.ckid);
      PutLeU32(record + 4, c.key ? kKeyFrameFlag : 0);
      PutLeU32(record + 8, uint32_t(index_.flat + 4));  // from "movi": its 4 bytes, then the chunks
      PutLeU32(record + 12, c.size);
    }
    size_t recordSize = at < 8 ? 8 : 16;
    size_t take = size_t(std::min<uint64_t>(count - done, first + recordSize - at));
    std::memcpy(out + done, record + (at - first), take);
    done += take;
  }
  return done;
}

bool OdmlFlatView::SourcePosition(uint64_t position, uint64_t* source) {
  if (position < headerSize_) {
    for (const HeaderPatch& p : patches_)
      if (position >= p.position && position < p.position + 4) return false;
    for (const Piece& p : pieces_)
      if (position >= p.flat && position < p.flat + p.length) {
        *source = p.source + (position - p.flat);
        return true;
      }
    return false;
  }
  if (position >= idx1Start_) return false;
  if (!SeekOffset(movi_, position - headerSize_)) return false;
  uint64_t from = movi_.chunk.data - 8 + (position - headerSize_ - movi_.flat);
  if (from >= reader_.FileSize()) return false;
  *source = from;
  return true;
}

bool OdmlFlatView::FullIndexOffset(uint64_t idx1Position, uint64_t entry, uint64_t* offset) {
  // Below 4 GiB every offset fits its field.
  if (idx1Position != idx1Start_ || size_ <= 0xFFFFFFFFull || entry >= reader_.Facts().chunkCount) return false;
  if (!SeekOrdinal(index_, entry)) return false;
  *offset = index_.flat + 4;
  return true;
}
