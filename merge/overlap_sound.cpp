#include "merge/overlap_sound.h"

#include <algorithm>
#include <cstring>

#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "avi/walk_sink.h"

namespace {

constexpr size_t kPieceBytes = 64 * 1024;

// The bytes of one stream of one input in the order they play, from any
// byte position in the stream.
class StreamBytes {
 public:
  StreamBytes(const MergeInput& input, int stream)
      : file_(input.file),
        base_(input.analysis.chunkBase),
        stream_(stream),
        index_(input.file, input.analysis.idx1Offset, input.analysis.idx1EntryTotal) {}

  // Moves past the stream's next count index entries; false when it has fewer.
  bool SkipEntries(uint64_t count) {
    left_ = 0;
    while (count > 0 && entry_ < index_.Total())
      if (StreamOfCkid(index_.At(entry_++).ckid) == stream_) --count;
    return count == 0;
  }

  // Moves count bytes on; false when the stream ends first.
  bool Skip(uint64_t count) {
    while (count > 0) {
      if (left_ == 0 && !NextChunk()) return false;
      const uint32_t step = uint32_t(std::min<uint64_t>(left_, count));
      data_ += step;
      left_ -= step;
      count -= step;
    }
    return true;
  }

  // Reads up to count bytes from here; fewer only where the stream ends.
  size_t Read(uint8_t* out, size_t count) {
    size_t got = 0;
    while (got < count) {
      if (left_ == 0 && !NextChunk()) break;
      const size_t step = std::min<size_t>(left_, count - got);
      file_.Seek(data_);
      file_.Read(out + got, step);
      data_ += step;
      left_ -= uint32_t(step);
      got += step;
    }
    return got;
  }

 private:
  // Moves to the stream's next chunk that holds bytes.
  bool NextChunk() {
    while (entry_ < index_.Total()) {
      const IndexEntry e = index_.At(entry_++);
      if (StreamOfCkid(e.ckid) != stream_ || e.length == 0) continue;
      data_ = ChunkPosition(base_, e) + 8;
      left_ = e.length;
      return true;
    }
    return false;
  }

  ByteInput& file_;
  uint64_t base_;
  int stream_;
  IndexReader index_;
  uint32_t entry_ = 0;  // the next index entry to look at
  uint64_t data_ = 0;   // file position of the next byte of the current chunk
  uint32_t left_ = 0;   // bytes of the current chunk not read yet
};

struct Pieces {
  std::vector<uint8_t> one = std::vector<uint8_t>(kPieceBytes);
  std::vector<uint8_t> two = std::vector<uint8_t>(kPieceBytes);
};

// Where the overlap's sound begins in a stream of the first input: after
// whole index entries, then bytes; and how far it is compared.
struct OverlapSpan {
  uint64_t entries = 0;
  uint64_t bytes = 0;
  uint64_t span = UINT64_MAX;  // bytes; UINT64_MAX: until either input's stream ends
};

// Whether stream s of the first input from `at` on and of the second from
// its start differ within at.span bytes (or where either ends before).
bool StreamDiffers(const MergeSources& in, int s, const OverlapSpan& at, WalkSink& sink, Pieces& pieces) {
  StreamBytes first(in.first, s);
  StreamBytes second(in.second, s);
  if (!first.SkipEntries(at.entries) || !first.Skip(at.bytes)) return false;  // no sound in the overlap
  for (uint64_t span = at.span; span > 0 && !sink.Cancelled();) {
    const size_t want = size_t(std::min<uint64_t>(span, kPieceBytes));
    const size_t got = std::min(first.Read(pieces.one.data(), want), second.Read(pieces.two.data(), want));
    if (std::memcmp(pieces.one.data(), pieces.two.data(), got) != 0) return true;
    if (got < want) return false;  // one input's sound ends: the common span is over
    span -= want;
  }
  return false;
}

// The same allowing the second input to start one step (a sample, or a
// chunk of variable-size sound) off: an input that is itself a later piece
// of a split was cut at the recording's positions, while a merge of two
// files counts from the first one's start (floors of two products, or two
// shares of entries, may differ by one). Two different sounds differ at
// every alignment.
bool SoundDiffers(const MergeSources& in, int s, const OverlapSpan& at, const OverlapSpan& step, WalkSink& sink,
                  Pieces& pieces) {
  if (!StreamDiffers(in, s, at, sink, pieces)) return false;
  if (at.entries >= step.entries && at.bytes >= step.bytes) {
    OverlapSpan earlier = at;
    earlier.entries -= step.entries;
    earlier.bytes -= step.bytes;
    if (!StreamDiffers(in, s, earlier, sink, pieces)) return false;
  }
  OverlapSpan later = at;
  later.entries += step.entries;
  later.bytes += step.bytes;
  return StreamDiffers(in, s, later, sink, pieces);
}

// Sound whose chunks vary in size (dwSampleSize 0: MP3, AC-3, AAC): the
// analysis counts it as an other stream, kept by its share of the entries.
bool IsVariableSound(const MergeSources& in, const StreamEntry& stream) {
  return stream.type == StreamOther && stream.sampleSizeOffset >= 44 &&
         in.first.file.U32At(stream.sampleSizeOffset - 44) == kAuds &&
         in.first.file.U32At(stream.sampleSizeOffset) == 0;
}

}  // namespace

std::vector<int> SoundDiffersInOverlap(const MergeSources& in, const MergePlan& plan, uint32_t framesBefore,
                                       WalkSink& sink) {
  std::vector<int> differing;
  const AviAnalysis& a = in.first.analysis;
  const int video = a.firstVideoStream;
  const uint32_t frames = a.streams[video].idx1EntryCount;
  const uint32_t keep = plan.keepCount[video];
  if (keep >= frames) return differing;  // no overlap
  const uint32_t u = MicroSecPerFrame(in);
  Pieces pieces;
  for (uint32_t s = 0; s < a.streamCount; ++s) {
    const StreamEntry& stream = a.streams[s];
    if (int(s) == video) continue;
    OverlapSpan at, step;
    if (stream.type == StreamAudio) {
      const uint64_t sampleSize = in.first.file.U32At(stream.sampleSizeOffset);
      // Sample positions as the plan counts them, from the recording's start.
      const uint64_t start = SamplesUpTo(u, framesBefore, stream);
      const uint64_t from = SamplesUpTo(u, uint64_t(framesBefore) + keep, stream);
      const uint64_t to = SamplesUpTo(u, uint64_t(framesBefore) + frames, stream);
      if (sampleSize == 0 || to <= from) continue;
      at.bytes = (from - start) * sampleSize;
      at.span = (to - from) * sampleSize;
      step.bytes = sampleSize;
    } else if (IsVariableSound(in, stream)) {
      at.entries = plan.keepCount[s];
      step.entries = 1;
    } else {
      continue;
    }
    if (SoundDiffers(in, int(s), at, step, sink, pieces)) differing.push_back(int(s));
    if (sink.Cancelled()) return {};
  }
  return differing;
}
