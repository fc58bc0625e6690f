// Chunks of one stream that an output takes with other bytes in place of
// the input's: an exact cut's re-encoded frames, which stand in for the
// input's chunks of the same frames (same code, new size and flags), and
// input chunks moved to another entry's place (a key frame that must come
// after the re-encoded frames shown before it). The writers (the share
// writer, the chain writer) ask it for each entry they take.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "avi/byte_input.h"

struct SwappedChunk {
  uint64_t at = 0;     // its chunk header in ChunkSwap::input (inSource: in the writer's input)
  uint32_t bytes = 0;
  uint32_t flags = 0;  // idx1 flags (AVIIF_KEYFRAME for a key frame)
  bool inSource = false;
};

// Entries first .. first + chunks.size() - 1 of the stream, counted as the
// writer counts that stream's entries (the share writer: from the input's
// first; a chain link: from the link's first).
struct SwapRun {
  uint32_t first = 0;
  std::vector<SwappedChunk> chunks;
};

struct ChunkSwap {
  int stream = -1;
  std::vector<SwapRun> runs;  // a head and a tail at most
  std::shared_ptr<ByteInput> input;

  const SwappedChunk* Of(int s, uint32_t entry) const {
    if (s != stream) return nullptr;
    for (const SwapRun& r : runs)
      if (entry >= r.first && entry - r.first < r.chunks.size()) return &r.chunks[entry - r.first];
    return nullptr;
  }
  // The bytes its own file holds (the chunks made anew), which an output's
  // index may name besides its inputs'.
  uint64_t SideBytes() const { return input ? input->Size() : 0; }
  void Rebase(uint32_t by) {
    for (SwapRun& r : runs) r.first -= by;
  }
};
