// The bytes that the reading of an OpenDML file needs of each chunk, read
// beforehand from the file where its ix## indexes place the chunks, a batch
// at a time in file order (io/piece_reader.h), instead of read one by one or
// with the whole file: the counterpart of avi/indexed_headers.h.
//   - In the file: each chunk's 8-byte header, which the index check
//     compares with its entry.
//   - In the flattened view (avi/odml_flat_view.h), which holds every chunk
//     whole: the first 24 bytes of each chunk's place (its header, a list's
//     type, the first header inside), which the chunk walk reads; chunks that
//     lie close together in the view are taken whole, so that a read running
//     on from one into the next finds both.
// They are found as avi/batched_pieces.h explains: nothing is taken on
// trust; a place the pieces do not hold (a header that disagrees with the
// index sends the walk elsewhere) the reader reads itself, and after too
// many such places the pieces stop.
//
//   OdmlHeaders headers(file, reader.FileSize(), reader.SuperIndexes(), view.ChunkPlaces());
//   viewInput.UseBeforehand(&headers);
//   ... walk viewInput ...
//   viewInput.UseBeforehand(nullptr);
#pragma once
#include <cstdint>
#include <vector>

#include "avi/batched_pieces.h"
#include "avi/byte_input.h"
#include "avi/odml_index.h"
#include "io/piece_reader.h"

class OdmlHeaders final : public BatchedPieces {
 public:
  // file: the OpenDML file on disk (read here through a reader of its own).
  // With no second reader or no index, it holds nothing. What is given must
  // outlive this.
  // The chunks' headers in the file, its indexes those given.
  OdmlHeaders(const ByteInput& file, uint64_t fileSize, const std::vector<SuperIndex>& indexes);
  // The chunks' places in the flattened view of that file, which holds
  // them from places.start to places.end.
  OdmlHeaders(const ByteInput& file, uint64_t fileSize, const std::vector<SuperIndex>& indexes,
              const ViewSpan& places);
  // Only the places of chunks: not the view's header and idx1.
  bool Find(uint64_t position, uint64_t* start, const uint8_t** bytes, size_t* size) override;

 private:
  bool LoadNext() override;
  // Adds the place of chunk c; false when the batch has no room for it.
  bool Add(const OdmlChunk& c);
  // Adds count bytes of the file at source to the batch's last range.
  void Extend(uint64_t source, uint64_t count);

  ByteInput own_;
  OdmlChunkMerge merge_;
  PieceReader reader_;
  uint64_t fileSize_;
  bool inView_;
  uint64_t placesStart_, placesEnd_;  // where chunks are (the view's movi)
  uint64_t flat_ = 0;                 // view position of the next chunk
  uint64_t endSource_ = 0;            // file position of the batch's last byte + 1
  OdmlChunk pending_{};            // a chunk met that the last batch had no room for
  bool hasPending_ = false;
  std::vector<FilePiece> pieces_;
  size_t batchBytes_ = 0;
};
