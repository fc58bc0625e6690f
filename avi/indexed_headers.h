// The bytes a chunk walk reads of a file, read beforehand where the idx1
// index says the chunks are, so that the walk reads a few bytes per chunk
// instead of the file's every byte.
//
// The walk (avi/chunk_walk.cpp) reads, of each chunk, its header, the four
// bytes after it that a list has for its type, and the first header inside
// (it tries every chunk's inside as a list). That is 24 bytes from the
// chunk's start; a check of the writers' way (avi/stored_chunks.h) also
// reads the pad byte just before it. These are read here for the index's
// entries, a batch at a time in file order (io/piece_reader.h: many with
// one system call where the system can), and the walk's reader takes them
// from here (ByteInput UseBeforehand), found as avi/batched_pieces.h
// explains: where the walk meets a chunk that the index does not place (a
// header that disagrees with its entry, a chunk the index leaves out) its
// reader reads that place itself, as it always did; after too many such
// places the pieces stop and the rest of the file is walked the full way.
//
//   IndexedHeaders headers(file, guess);  // guess: GuessAnalysis's record
//   file.UseBeforehand(&headers);
//   ... walk ...
//   file.UseBeforehand(nullptr);
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "avi/avi_analysis.h"
#include "avi/batched_pieces.h"
#include "avi/byte_input.h"
#include "avi/index_reader.h"
#include "io/piece_reader.h"

class IndexedHeaders final : public BatchedPieces {
 public:
  // file: the walk's reader of a file on disk (read here through a reader of
  // its own); guess: GuessAnalysis's record of it, for the index's place and
  // chunk base. With no index (or no second reader) it holds nothing.
  IndexedHeaders(const ByteInput& file, const AviAnalysis& guess);
  // The idx1 chunk itself is no chunk's place.
  bool Find(uint64_t position, uint64_t* start, const uint8_t** bytes, size_t* size) override;

 private:
  bool LoadNext() override;
  void StartBatch();
  // Adds the piece of the chunk at `at` to the batch; false when the batch
  // has no room for it.
  bool Add(uint64_t at);

  ByteInput own_;
  PieceReader reader_;
  std::unique_ptr<IndexReader> index_;
  uint64_t base_ = 0;
  uint64_t indexStart_, indexEnd_;  // the idx1 chunk
  uint32_t next_ = 0;  // the next index entry to read
  std::vector<FilePiece> pieces_;
  size_t batchBytes_ = 0;
  uint64_t lastAt_ = 0;  // the chunk of the batch's last entry
};
