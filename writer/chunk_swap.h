// Chunks of one stream that an output takes with new bytes in place of the
// input's: an exact cut's re-encoded frames, which stand in for the input's
// chunks of the same frames (same code, new size and flags). The writers
// (the share writer, the chain writer) ask it for each entry they take.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "avi/byte_input.h"

struct SwappedChunk {
  uint64_t at = 0;     // where its bytes lie in ChunkSwap::input
  uint32_t bytes = 0;
  uint32_t flags = 0;  // idx1 flags (AVIIF_KEYFRAME for a key frame)
};

struct ChunkSwap {
  int stream = -1;
  // The entry of `stream` that chunks[0] replaces, counted as the writer
  // counts that stream's entries (the share writer: from the input's first;
  // a chain link: from the link's first).
  uint32_t first = 0;
  std::vector<SwappedChunk> chunks;
  std::shared_ptr<ByteInput> input;

  const SwappedChunk* Of(int s, uint32_t entry) const {
    if (s != stream || entry < first || entry - first >= chunks.size()) return nullptr;
    return &chunks[entry - first];
  }
};
