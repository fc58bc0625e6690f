// The overlap search: the earliest video frame of the first input from which
// the rest of its video repeats, chunk for chunk, at the start of the second.
#pragma once
#include <cstddef>
#include <cstdint>

class ByteInput;
class WalkSink;

// One input as the search reads it: its index and where chunk offsets count from.
struct OverlapSource {
  ByteInput* file;
  uint64_t idx1Offset;
  uint32_t entryTotal;
  uint64_t chunkBase;
};

struct OverlapSearch {
  int video;            // stream number of the video frames compared
  uint32_t startEntry;  // first-input entry where the candidates begin
  uint32_t startFrame;  // frame number of the first video entry at or after startEntry
  // Above this many frames to remember, the search switches to fingerprints
  // of the frames, in fixed memory (it then reads every frame involved once).
  size_t maxRememberedFrames = 512 * 1024;
};

enum class OverlapOutcome { Found, NotFound, Cancelled };

struct OverlapResult {
  OverlapOutcome outcome;
  uint32_t frame;  // when Found: the first input's frame at which the second takes over
};

// Two chunks are the same frame when their index lengths agree and their
// bytes, header included, agree over length + 8 (bytes past the end of a
// file differ from every real byte).
OverlapResult FindOverlap(WalkSink& sink, const OverlapSource& first, const OverlapSource& second,
                          const OverlapSearch& search);

// The same search in fixed memory for any number of frames: fingerprints
// of the frames, polynomial hashes of every tail and head length, the longest
// agreement confirmed byte for byte.
OverlapResult FindOverlapHashed(WalkSink& sink, const OverlapSource& first, const OverlapSource& second,
                                const OverlapSearch& search);

// The rule read directly, candidate by candidate, in constant memory: the
// reference the other two are tested against (quadratic on repetitive material).
OverlapResult FindOverlapDirect(WalkSink& sink, const OverlapSource& first,
                                const OverlapSource& second, const OverlapSearch& search);
