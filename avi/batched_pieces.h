// Pieces of a file read beforehand a batch at a time, handed to a reader
// that asks for its bytes at rising positions (ByteInput UseBeforehand):
// the part that avi/indexed_headers.h (the chunks idx1 places) and
// avi/odml_headers.h (the chunks the ix## indexes place) share.
//
// A derived class plans and reads each batch (LoadNext): ranges in rising
// order, none overlapping, each a stretch of the reader's positions held at
// an offset into bytes_. Find(position) then:
//   - loads batches until the last range of one ends after position (no
//     batch left: the pieces stop);
//   - takes the first range that ends after position (ends rise with
//     starts: an upper_bound on the ends). When it starts at or before
//     position it holds the byte: found, handed out whole.
//   - Otherwise the reader reads that place itself. Between a batch's ranges,
//     or before the first range of any batch but the first, it is a place
//     the index leaves out (missed); before the first batch's first range
//     lie the file's headers, which no index places. After kMaxMissed missed
//     places an index says little about where the chunks are: the pieces
//     stop, and the reader reads the rest of the file itself.
// Nothing is taken on trust: the reader reads the same bytes as without the
// pieces and checks them as it always does.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "avi/byte_input.h"

class BatchedPieces : public ReadBeforehand {
 public:
  bool Find(uint64_t position, uint64_t* start, const uint8_t** bytes, size_t* size) override;

  // What the reader asked for: places found here, and places it read itself
  // among the index's chunks.
  uint64_t Found() const { return found_; }
  uint64_t Missed() const { return missed_; }

 protected:
  struct Range {
    uint64_t start;  // the reader's position of its first byte
    size_t offset;   // into bytes_
    size_t size;
    size_t firstPiece = 0;  // the first of the batch's reads that fills it (where a class keeps it)
  };

  // Entries (chunks) a batch takes at most, and the most bytes it holds:
  // the room for them is made once, as growing it batch by batch moved the
  // bytes to fresh memory and zeroed them again (a tenth of the walk of a
  // file of small chunks).
  static constexpr uint32_t kBatchEntries = 1024;
  static constexpr size_t kMostBatchBytes = 1024 * 1024;

  BatchedPieces() { bytes_.reserve(kMostBatchBytes); }
  ~BatchedPieces() = default;
  // Plans the next batch into ranges_ and reads it into bytes_; false when
  // nothing is left. May stop the pieces (off_).
  virtual bool LoadNext() = 0;

  std::vector<Range> ranges_;
  std::vector<uint8_t> bytes_;
  bool off_ = false;  // no more pieces: the reader reads for itself

 private:
  static constexpr uint64_t kMaxMissed = 256;

  uint64_t batches_ = 0;
  uint64_t found_ = 0;
  uint64_t missed_ = 0;
};
