// Whether chunks lie in an input exactly as the writers write them, so that
// a run of them can be carried over as a run of input bytes.
#pragma once
#include <cstdint>
#include <memory>

#include "avi/avi_analysis.h"
#include "avi/byte_input.h"
#include "avi/index_reader.h"

// Tells whether a whole chunk, as the writers write it (its header with the
// index's length, its data, a zero pad byte after odd data), is exactly the
// input's bytes [at, end). Real muxers write chunks so, back to back, and
// such chunks are carried over as runs of input bytes. Looking costs a read
// of a few bytes per chunk; a pad byte comes with the next chunk's header.
class StoredChunks {
 public:
  explicit StoredChunks(ByteInput& input) : input_(input) {}

  bool WrittenAsStored(uint64_t at, uint32_t length, uint64_t* end) {
    *end = at + 8 + uint64_t(length) + (length & 1);
    if (*end > input_.Size()) return false;
    if (SizeAt(at) != length) return false;
    if ((length & 1) == 0) return true;
    // The pad byte, and the header of the chunk that probably follows.
    uint8_t b[9];
    const size_t count = *end + 8 <= input_.Size() ? 9 : 1;
    input_.Seek(*end - 1);
    input_.Read(b, count);
    if (*end + 8 <= input_.Size()) Remember(*end, b + 1);
    return b[0] == 0;
  }

 private:
  uint32_t SizeAt(uint64_t at) { return at == knownAt_ ? knownSize_ : input_.U32At(at + 4); }
  void Remember(uint64_t at, const uint8_t header[8]) {
    knownAt_ = at;
    knownSize_ = U32(header + 4);
  }
  static uint32_t U32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
  }

  ByteInput& input_;
  uint64_t knownAt_ = ~0ull;
  uint32_t knownSize_ = 0;
};

// True when every indexed chunk of the analysed input that lies inside it
// is stored as the writer writes it (its header giving the index's length,
// a zero pad byte after odd data). Reads every such header: the plain
// reading of what StoredChunkCheck works out beside a walk.
bool ChunksStoredAsWritten(ByteInput& input, const AviAnalysis& analysis);

// ChunksStoredAsWritten worked out as a walk of the input passes the chunks
// (a visitor of that walk), at no read of its own but the pad bytes after
// odd chunks. It needs the index in file order, as muxers write it: an
// entry the walk does not meet where the index places it makes it say no.
class StoredChunkCheck : public ChunkVisitor {
 public:
  // input: the walk's reader; analysis: where the index is (a guess the
  // walk's record must confirm).
  StoredChunkCheck(ByteInput& input, const AviAnalysis& analysis);
  void Chunk(uint64_t position, uint64_t size) override;
  // After the walk: true when every entry was met and stored as written.
  bool Result() const { return sound_ && next_ == kNone; }

 private:
  static constexpr uint64_t kNone = ~0ull;
  void Advance();  // to the next entry a split writes from the input

  ByteInput& input_;
  const AviAnalysis& analysis_;
  IndexReader index_;
  uint32_t i_ = 0;
  IndexEntry entry_{};
  uint64_t next_ = kNone;  // where entry_'s chunk lies
  bool sound_ = true;
};

// Works out beside an analysis's walk (AviSource::Analyse) whether the
// file's chunks lie as the writers write them: a StoredChunkCheck on the
// record GuessAnalysis makes, which the walk's own record must confirm.
//
//   StoredChunkWatch watch;
//   source.Analyse(analysis, sink, base, span, &watch);
//   bool runs = watch.ChunksAsWritten(analysis);
class StoredChunkWatch {
 public:
  // Called before the walk of a version-1 file on disk (file: the walk's
  // reader); the visitor to hand the walk.
  ChunkVisitor* Start(ByteInput& file);
  // After the walk, with its record.
  bool ChunksAsWritten(const AviAnalysis& walked) const;

 private:
  AviAnalysis guess_{};
  std::unique_ptr<StoredChunkCheck> check_;
};
