// The kept streams' chunks listed from the input's index, and the header
// edits that take the other streams out (streams/stream_subset.h).
#include "streams/stream_subset.h"

#include <algorithm>

#include "avi/avi_source.h"
#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"

namespace {

// The output's number of each kept stream (-1: left out).
struct Renumbering {
  explicit Renumbering(const StreamSubset& subset, uint32_t count) {
    for (uint32_t s = 0; s < count && s < uint32_t(kMaxStreams); ++s) to[s] = subset.keep[s] ? kept++ : -1;
  }
  int to[kMaxStreams] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  int kept = 0;
};

// The chunks of the kept streams in index order; positions are the index
// entries, so the bar moves with the input's index.
class SubsetListing : public ChunkListing {
 public:
  SubsetListing(ByteInput& input, const AviAnalysis& a, const StreamSubset& subset, AviSource* stored)
      : input_(Unowned(input)), stored_(stored), file_(stored ? Unowned(stored->File()) : nullptr), a_(a),
        subset_(subset), numbers_(subset, a.streamCount), index_(input, a.idx1Offset, a.idx1EntryTotal) {}

  bool Next(OutChunk& c) override {
    while (i_ < index_.Total()) {
      const uint32_t i = i_++;
      const IndexEntry e = index_.At(i);
      const int s = StreamOfCkid(e.ckid);
      if (s < 0 || uint32_t(s) >= a_.streamCount || numbers_.to[s] < 0) continue;
      const int n = numbers_.to[s];
      uint64_t at = ChunkPosition(a_.chunkBase, e);
      const std::shared_ptr<ByteInput>& input = ChunkInput(stored_, input_, file_, &at);
      c.Clear();
      c.position = i;
      c.ckid = (e.ckid & 0xFFFF0000u) | uint32_t('0' + n / 10) | (uint32_t('0' + n % 10) << 8);
      c.flags = e.flags;
      c.Add(ChunkPiece{input, at + 8, nullptr, e.length});
      if (n == s) {  // the chunk as stored, its header included
        c.chunkAt = at;
        c.carried = 0;
        c.stored = subset_.chunksAsWritten ? Stored::Whole : Stored::Unknown;
      }
      return true;
    }
    return false;
  }

 private:
  std::shared_ptr<ByteInput> input_;
  AviSource* stored_;                // the source behind a view, or null
  std::shared_ptr<ByteInput> file_;  // its file: the chunks' bytes
  const AviAnalysis& a_;
  const StreamSubset& subset_;
  Renumbering numbers_;
  IndexReader index_;
  uint32_t i_ = 0;
};

// The strl lists of the streams left out taken out, and the counts they change.
void EditHeader(const AviAnalysis& a, const HeaderLayout& l, const Renumbering& numbers,
                HeaderEdits& edits, uint32_t videoFrames) {
  uint64_t removed = 0;
  for (uint32_t s = 0; s < a.streamCount; ++s) {
    if (numbers.to[s] >= 0) continue;
    edits.Replace(l.streams[s].at, l.streams[s].bytes, {});
    removed += l.streams[s].bytes;
  }
  edits.Field(l.hdrl + 4, uint32_t(l.hdrlSize - removed));
  edits.Field(l.avih + 8 + 16, videoFrames);      // dwTotalFrames
  edits.Field(l.avih + 8 + 24, uint32_t(numbers.kept));  // dwStreams
  if (l.dmlhFrames) edits.Field(l.dmlhFrames, videoFrames);
}

}  // namespace

AviOutput SubsetOutput(ByteInput& in, const AviAnalysis& a, const HeaderLayout& l, const StreamSubset& subset,
                       AviSource* stored) {
  const Renumbering numbers(subset, a.streamCount);
  AviOutput out;
  out.chunks = [&in, &a, &subset, stored] { return std::make_unique<SubsetListing>(in, a, subset, stored); };
  out.header = Unowned(in);
  if (stored) out.chunkFile = Unowned(stored->File());
  out.headerBytes = a.moviOffset + 4;
  // The first kept video stream counts the frames.
  int video = -1;
  for (uint32_t s = 0; s < a.streamCount && video < 0; ++s)
    if (numbers.to[s] >= 0 && a.streams[s].type == StreamVideo) video = int(s);
  const uint32_t frames = video >= 0 ? a.streams[video].idx1EntryCount : 0;
  EditHeader(a, l, numbers, out.edits, frames);
  std::unique_ptr<ChunkListing> listing = out.chunks();
  OutChunk c;
  while (listing->Next(c)) {
    out.moviBytes += ChunkSpace(c.size);
    ++out.entries;
  }
  out.shape = OdmlShape{&in, out.MoviType(), a.totalFramesOffset, uint32_t(numbers.kept),
                        video >= 0 ? numbers.to[video] : -1, {}, 0};
  for (uint32_t s = 0; s < a.streamCount; ++s)
    if (numbers.to[s] >= 0 && a.streams[s].type == StreamAudio && int(s) != video)
      out.shape.sampleSize[numbers.to[s]] = in.U32At(a.streams[s].sampleSizeOffset);
  return out;
}

SubsetFigures MeasureSubset(const AviOutput& out, const OdmlLimits& limits) {
  SubsetFigures f;
  f.chunks = out.entries;
  f.versionOneBytes = out.VersionOneBytes();
  f.openDml = f.versionOneBytes >= limits.riffThreshold;
  f.fileBytes = MeasureOutput(out, limits, &f.problem);
  return f;
}

WriteOutcome WriteSubset(AviOutput& out, const AviAnalysis& a, OutputStream& file, WalkSink* sink,
                         const OdmlLimits& limits, const WriterOptions& options) {
  out.file = &file;
  WriteSettings how(limits, options, CopyHabits(), sink);
  how.positions = std::max<uint64_t>(1, a.idx1EntryTotal);
  how.bar.showEnd = true;
  return WriteAviOutputs(&out, 1, how);
}
