// The checks that chunks lie in an input as the writers write them.
#include "avi/stored_chunks.h"

#include "avi/fourcc.h"

bool ChunksStoredAsWritten(ByteInput& input, const AviAnalysis& a) {
  IndexReader index(input, a.idx1Offset, a.idx1EntryTotal);
  StoredChunks stored(input);
  for (uint32_t i = 0; i < index.Total(); ++i) {
    const IndexEntry e = index.At(i);
    const int stream = StreamOfCkid(e.ckid);
    if (stream < 0 || uint32_t(stream) >= a.streamCount) continue;  // never written
    const uint64_t at = ChunkPosition(a.chunkBase, e);
    uint64_t end = at + 8 + uint64_t(e.length) + (e.length & 1);
    if (end > input.Size()) continue;  // never taken into a run
    if (!stored.WrittenAsStored(at, e.length, &end)) return false;
  }
  return true;
}

StoredChunkCheck::StoredChunkCheck(ByteInput& input, const AviAnalysis& analysis)
    : input_(input), analysis_(analysis), index_(input, analysis.idx1Offset, analysis.idx1EntryTotal) {
  Advance();
}

void StoredChunkCheck::Advance() {
  next_ = kNone;
  while (i_ < index_.Total()) {
    entry_ = index_.At(i_++);
    const int stream = StreamOfCkid(entry_.ckid);
    if (stream < 0 || uint32_t(stream) >= analysis_.streamCount) continue;  // never written
    const uint64_t at = ChunkPosition(analysis_.chunkBase, entry_);
    if (at + 8 + uint64_t(entry_.length) + (entry_.length & 1) > input_.Size()) continue;  // never in a run
    next_ = at;
    return;
  }
}

void StoredChunkCheck::Chunk(uint64_t position, uint64_t size) {
  if (!sound_ || position < next_) return;  // a chunk the index does not name
  if (position > next_ || size != entry_.length) {
    sound_ = false;  // passed over, or its header disagrees with the index
    return;
  }
  if (size & 1) {
    input_.Seek(position + 8 + size);
    if (input_.ReadByte() != 0) sound_ = false;
  }
  Advance();
}

ChunkVisitor* StoredChunkWatch::Start(ByteInput& file) {
  GuessAnalysis(guess_, file, file.Size());
  check_.reset(new StoredChunkCheck(file, guess_));
  return check_.get();
}

bool StoredChunkWatch::ChunksAsWritten(const AviAnalysis& walked) const {
  return check_ && check_->Result() && SameAnalysis(walked, guess_);
}
