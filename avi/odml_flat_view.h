// The version-1 file an OpenDML file stands for, made on the fly as it is
// read, so that everything written for version-1 files reads it unchanged:
//   - the source's bytes up to and with the first "movi" list type, less its
//     indx chunks and LIST odml (the lists that held them shortened to
//     match), with avih dwTotalFrames the video stream's entry count;
//   - that movi list holding every indexed chunk (header, data, pad) in
//     file order;
//   - idx1 with an entry per chunk: offset from "movi", flags 0x10 for a key
//     frame or 0.
// RIFF and movi sizes are the view's; past 4 GiB they stay at 0xFFFFFFFF and
// idx1 offsets keep their low 32 bits (they only grow, so a reader can tell
// each wrap).
//
// Nothing is stored per chunk: a position is found from the reader's
// nearest checkpoint and at most one stride of chunks listed from there; two
// cursors (movi data and idx1) make reading both in turn cheap.
#pragma once
#include <cstdint>
#include <vector>

#include "avi/byte_input.h"
#include "avi/odml_reader.h"

class OdmlFlatView : public ByteSource {
 public:
  // reader has read source without fault and found super indexes; both
  // must outlive the view.
  OdmlFlatView(ByteInput& source, const OdmlReader& reader);

  uint64_t Size() const override { return size_; }
  size_t ReadAt(uint64_t position, uint8_t* out, size_t count) override;
  bool FullIndexOffset(uint64_t idx1Position, uint64_t entry, uint64_t* offset) override;
  const ReadFault* Fault() const override { return &source_.Fault(); }

  uint64_t MoviTypePosition() const { return headerSize_ - 4; }
  uint64_t Idx1Position() const { return idx1Start_; }
  // Where the view places the chunks: from the movi list's first chunk to idx1.
  ViewSpan ChunkPlaces() const { return ViewSpan{MoviTypePosition() + 4, Idx1Position()}; }
  // The source position the byte at position is copied from; false for the
  // bytes the view makes (sizes, dwTotalFrames, idx1, a pad past the end).
  bool SourcePosition(uint64_t position, uint64_t* source);

 private:
  struct Cursor {
    explicit Cursor(OdmlChunkMerge m) : merge(std::move(m)) {}
    OdmlChunkMerge merge;
    bool valid = false;
    uint64_t ordinal = 0;  // of chunk
    uint64_t flat = 0;     // its offset among the movi's chunks
    OdmlChunk chunk{};
  };
  struct Piece {
    uint64_t flat, source, length;
  };

  bool Restore(Cursor& c, const OdmlCheckpoint& point, const OdmlPlace* places);
  bool Step(Cursor& c);
  bool SeekOrdinal(Cursor& c, uint64_t ordinal);
  bool SeekOffset(Cursor& c, uint64_t flatOffset);
  size_t ReadHeader(uint64_t position, uint8_t* out, size_t count);
  size_t ReadMovi(uint64_t offset, uint8_t* out, size_t count);
  size_t ReadIdx1(uint64_t offset, uint8_t* out, size_t count);
  bool CopySource(uint64_t from, uint8_t* out, size_t count);

  ByteInput& source_;
  const OdmlReader& reader_;
  std::vector<Piece> pieces_;
  std::vector<HeaderPatch> patches_;  // at view positions
  uint64_t headerSize_ = 0;  // also where the first chunk starts
  uint64_t idx1Start_ = 0;
  uint64_t size_ = 0;
  Cursor movi_;
  Cursor index_;
  // Source bytes read ahead for small pieces (audio chunks between video
  // frames), so that they cost no mapped window of their own.
  std::vector<uint8_t> ahead_;
  uint64_t aheadStart_ = 0;
  size_t aheadFill_ = 0;
};
