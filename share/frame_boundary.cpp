#include "share/frame_boundary.h"

#include <cmath>
#include <vector>

#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "sound/frame_starts.h"

namespace {

// The stream's bytes [from, to) as far as its chunks hold them, walking the
// index from entry `entry` (the chunk that holds byte chunkStart on);
// *starts gets the stream byte of each chunk's start met.
std::vector<uint8_t> ReadStreamBytes(const SplitSource& src, int stream, uint32_t entry, uint64_t chunkStart,
                                     uint64_t from, uint64_t to, std::vector<uint64_t>* starts) {
  const AviAnalysis& a = src.analysis;
  IndexReader index(src.input, a.idx1Offset, a.idx1EntryTotal);
  std::vector<uint8_t> run;
  uint64_t at = chunkStart;
  for (uint32_t i = entry; i < index.Total() && at < to; ++i) {
    const IndexEntry e = index.At(i);
    if (StreamOfCkid(e.ckid) != stream) continue;
    starts->push_back(at);
    const uint64_t lo = at > from ? at : from, hi = at + e.length < to ? at + e.length : to;
    if (hi > lo) {
      const size_t old = run.size();
      run.resize(old + size_t(hi - lo));
      const uint64_t position = ChunkPosition(a.chunkBase, e) + 8 + (lo - at);
      const size_t got = src.input.ReadBulk(position, run.data() + old, size_t(hi - lo));
      // A short read: the writer meets it again and fails the cut.
      if (got < hi - lo) return run.resize(old + got), run;
    }
    at += e.length;
  }
  starts->push_back(at);  // the end of the last chunk read
  return run;
}

}  // namespace

FrameBoundary NearestFrameBoundary(const SplitSource& src, const FrameSearch& search) {
  FrameBoundary best;
  best.at = search.fromByte;
  if (search.fromEntry == 0xFFFFFFFFu) return best;
  const uint64_t target = uint64_t(search.target);
  const uint64_t from = target > kFrameReach && target - kFrameReach > search.fromByte ? target - kFrameReach
                                                                                      : search.fromByte;
  std::vector<uint64_t> chunkStarts;
  const std::vector<uint8_t> run = ReadStreamBytes(src, search.stream, search.fromEntry, search.fromByte, from,
                                                   target + kFrameReach, &chunkStarts);
  const std::vector<FrameStart> frames = FindFrameStarts(search.formatTag, run.data(), run.size());
  double bestDistance = INFINITY;
  const auto consider = [&](uint64_t at, double seconds) {
    const double distance = std::fabs(double(at) - search.target);
    if (distance < bestDistance) best = FrameBoundary{at, seconds}, bestDistance = distance;
  };
  for (const FrameStart& f : frames) consider(from + f.at, f.sampleRate ? double(f.samples) / f.sampleRate : 0);
  if (!frames.empty()) return best;
  for (size_t k = 0; k < chunkStarts.size(); ++k) {
    const uint64_t next = k + 1 < chunkStarts.size() ? chunkStarts[k + 1] : chunkStarts[k];
    consider(chunkStarts[k], search.bytesPerSecond > 0 ? double(next - chunkStarts[k]) / search.bytesPerSecond : 0);
  }
  return best;
}
