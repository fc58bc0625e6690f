// Where an output's chunks go: each chunk's offset from the output's "movi"
// list type (what idx1 holds) and the JUNK that goes in front of the runs
// that share an input's blocks (avi/clone_layout.h: the rule and why). The
// sizing pass, the chunk pass and the index pass each place the same chunks
// with a placer of their own and get the same answers, so the header's
// sizes, the bytes and the index agree.
//
//   ChunkPlacer placer(block, moviType);    // block 0: never pads
//   for each chunk: junk = placer.Place(c);  // then the chunk lies at placer.Offset()
#pragma once
#include <cstdint>

#include "avi/clone_layout.h"
#include "writer/chunk_listing.h"

class ChunkPlacer {
 public:
  ChunkPlacer(uint32_t block = 0, uint64_t moviType = 0) : align_(block), moviType_(moviType) {}

  // Places the next chunk; returns the JUNK bytes that go in front of it.
  uint32_t Place(const OutChunk& c) {
    const uint64_t bytes = ChunkSpace(c.size);
    const uint32_t junk = align_.PadBefore(c.carried, c.chunkAt, moviType_ + next_, bytes);
    offset_ = next_ + junk;
    next_ = offset_ + bytes;
    return junk;
  }
  // The last chunk's offset from the movi list type.
  uint64_t Offset() const { return offset_; }

 private:
  CloneAligner align_;
  uint64_t moviType_;
  uint64_t next_ = 4;  // after the last chunk placed
  uint64_t offset_ = 0;
};

// The JUNK bytes a walk of the chunks puts in front of shared runs at `block`.
uint64_t JunkBytes(const ListingMaker& chunks, uint32_t block, uint64_t moviType);
