// Decides whether two analysed files have the same header structure, i.e.
// whether the second can be merged after the first.
#include "avi/avi_analysis.h"
#include "avi/byte_input.h"

namespace {

// True when [from, to) holds the same bytes in both files; an empty or
// inverted range compares nothing.
bool SameBytes(ByteInput& first, ByteInput& second, uint32_t from, uint32_t to) {
  if (to <= from) return true;
  first.Seek(from);
  second.Seek(from);
  uint8_t a[4096];
  uint8_t b[4096];
  uint32_t left = to - from;
  while (left > 0) {
    uint32_t take = left < sizeof a ? left : uint32_t(sizeof a);
    first.Read(a, take);
    second.Read(b, take);
    for (uint32_t i = 0; i < take; ++i)
      if (a[i] != b[i]) return false;
    left -= take;
  }
  return true;
}

}  // namespace

uint32_t CompareStructure(const AviAnalysis& a, ByteInput& first, ByteInput& second) {
  if (a.riffSizeOffset == 0 || a.microSecPerFrameOffset == 0 || a.totalFramesOffset == 0 ||
      a.streamsOffset == 0 || a.moviOffset == 0 || a.secondMoviOffset == 0)
    return 1;
  if (a.streamCount == 0) return 2;
  for (uint32_t s = 0; s < a.streamCount; ++s)
    if (a.streams[s].lengthOffset == 0) return 3;
  if (a.firstVideoStream == -1) return 4;
  if (a.idx1Offset == 0 || a.secondIdx1Offset == 0) return 5;
  if (a.hasIndx == 1) return 6;
  if (a.moviOffset != a.secondMoviOffset) return 8;
  if (!SameBytes(first, second, 0, a.riffSizeOffset)) return 9;
  if (!SameBytes(first, second, a.riffSizeOffset + 4, a.totalFramesOffset)) return 10;
  uint32_t from = a.totalFramesOffset + 4;
  for (uint32_t s = 0; s < a.streamCount; ++s) {
    if (!SameBytes(first, second, from, a.streams[s].lengthOffset)) return 11;
    from = a.streams[s].lengthOffset + 4;
  }
  if (!SameBytes(first, second, from, a.moviOffset - 4)) return 12;
  int v = a.firstVideoStream;
  if (a.streams[v].idx1EntryCount == 0 || a.secondIdx1EntryCount[v] == 0) return 7;
  return 0;
}
