// The writer of split outputs (share/output_share.h) on the output skeleton
// (writer/avi_writer.h): each output is the input's header with its frame
// count and stream lengths replaced, and a listing of its chunks, made from
// one walk over a stretch of the input's index. The skeleton walks the
// outputs' listings together, so every chunk is read once for all the
// outputs that take it, writes each output front to back (everything its
// header carries is known from its share beforehand), then its idx1.
//
// A listing's chunk is the input chunk of an index entry whole (carried
// over: it goes as part of a run of input bytes where it lies as written),
// or an audio chunk's head or tail (its code and the bytes kept, a new size).
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "job/job_sink.h"
#include "avi/avi_source.h"
#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "share/output_share.h"
#include "share/split_source.h"
#include "writer/avi_writer.h"
#include "job/status_bar.h"

namespace {

// What an entry gives an output: nothing, or its data bytes [from, to).
struct Take {
  bool taken = false;
  uint32_t from = 0;
  uint32_t to = 0;
  uint32_t Size() const { return to - from; }
  bool Whole(uint32_t length) const { return from == 0 && to == length; }
};

Take TakeOf(const StreamShare& s, uint32_t k, uint32_t length) {
  Take t;
  if (k < s.begin || k >= s.end) return t;
  t.taken = true;
  t.from = k == s.begin && s.firstTail != 0 ? length - s.firstTail : 0;
  t.to = k + 1 == s.end && s.lastHead != 0 ? s.lastHead : length;
  return t;
}

// Counts each stream's entries over a stretch of the index, as the writer
// routes them: entries whose code names no stream of the headers go nowhere.
class StretchWalk {
 public:
  StretchWalk(const SplitSource& src, const IndexStretch& stretch)
      : analysis_(src.analysis), stretch_(stretch), index_(src.input, src.analysis.idx1Offset, src.analysis.idx1EntryTotal) {
    std::memcpy(seen_, stretch.startCount, sizeof seen_);
  }
  // The entries walked: from .. to - 1.
  uint32_t To() const { return std::min(stretch_.to, index_.Total()); }
  uint32_t From() const { return std::min(stretch_.from, To()); }
  // True once every stream has been counted to its end in share: no later
  // entry belongs to the share.
  bool PastAll(const OutputShare& share) const {
    for (uint32_t s = 0; s < analysis_.streamCount; ++s)
      if (seen_[s] < share.streams[s].end) return false;
    return true;
  }
  // Entry i: false when it goes to no output; else its stream and its number within it.
  bool At(uint32_t i, IndexEntry* e, int* stream, uint32_t* k) {
    *e = index_.At(i);
    const int s = StreamOfCkid(e->ckid);
    if (s < 0 || uint32_t(s) >= analysis_.streamCount || i < stretch_.startAt[s]) return false;
    *stream = s;
    *k = seen_[s]++;
    return true;
  }

 private:
  const AviAnalysis& analysis_;
  const IndexStretch& stretch_;
  IndexReader index_;
  uint32_t seen_[kMaxStreams];
};

// The chunks one output takes, in index order; positions count the
// stretch's entries.
class ShareListing : public ChunkListing {
 public:
  ShareListing(const SplitSource& src, const OutputShare& share, const IndexStretch& stretch, bool indexedRuns)
      : src_(src), share_(share), stretch_(stretch), walk_(src, stretch_), input_(Unowned(src.input)),
        file_(src.stored ? Unowned(src.stored->File()) : nullptr), indexedRuns_(indexedRuns),
        from_(walk_.From()), to_(walk_.To()), i_(from_) {}

  // The listing ends at the share's last entry: the first of several
  // outputs that walk one stretch need not read the rest of the index.
  bool Next(OutChunk& c) override {
    while (i_ < to_) {
      const uint32_t i = i_++;
      IndexEntry e;
      int stream = 0;
      uint32_t k = 0;
      if (!walk_.At(i, &e, &stream, &k)) continue;
      const StreamShare& share = share_.streams[stream];
      const Take take = TakeOf(share, k, e.length);
      if (!take.taken) continue;
      if (k + 1 == share.end && walk_.PastAll(share_)) i_ = to_;
      const SwappedChunk* swapped = share_.swap ? share_.swap->Of(stream, k) : nullptr;
      if (swapped) FillSwapped(c, i - from_, *swapped);
      else Fill(c, i - from_, e, take);
      return true;
    }
    return false;
  }

 private:
  void Fill(OutChunk& c, uint32_t position, const IndexEntry& e, const Take& take) {
    uint64_t at = ChunkPosition(src_.analysis.chunkBase, e);
    const std::shared_ptr<ByteInput>& input = ChunkInput(src_.stored, input_, file_, &at);
    c.Clear();
    c.position = position;
    c.ckid = e.ckid;
    c.flags = e.flags;
    c.chunkAt = at;
    c.Add(ChunkPiece{input, at + 8 + take.from, nullptr, take.Size()});
    if (take.Whole(e.length)) {
      c.carried = 0;
      c.stored = indexedRuns_ ? Stored::Whole : Stored::Unknown;
    }
    // A chunk cut, or one that carries no byte, must still lie whole in the input.
    if (!take.Whole(e.length) || e.length == 0) c.mustHold = at + 8 + uint64_t(e.length);
  }

  // A re-encoded frame: a chunk of the swap's file, code and all.
  void FillSwapped(OutChunk& c, uint32_t position, const SwappedChunk& w) {
    uint64_t at = w.at;
    const std::shared_ptr<ByteInput>& input = w.inSource ? ChunkInput(src_.stored, input_, file_, &at) : share_.swap->input;
    c.Clear();
    c.position = position;
    c.ckid = input->U32At(at);
    c.flags = w.flags;
    c.chunkAt = at;
    c.Add(ChunkPiece{input, at + 8, nullptr, w.bytes});
    if (w.inSource) c.mustHold = at + 8 + uint64_t(w.bytes);
  }

  const SplitSource& src_;
  const OutputShare& share_;
  const IndexStretch stretch_;  // a copy: the walk must not depend on the caller's
  StretchWalk walk_;
  std::shared_ptr<ByteInput> input_;
  std::shared_ptr<ByteInput> file_;  // the file behind a view: the chunks' bytes
  bool indexedRuns_;
  uint32_t from_, to_, i_;
};

// One output as the skeleton writes it.
AviOutput OutputOf(const SplitSource& src, const OutputShare& share, const IndexStretch& stretch, bool indexedRuns) {
  const AviAnalysis& a = src.analysis;
  AviOutput out;
  out.chunks = [&src, &share, stretch, indexedRuns] {
    return std::make_unique<ShareListing>(src, share, stretch, indexedRuns);
  };
  out.header = Unowned(src.input);
  if (src.stored) out.chunkFile = Unowned(src.stored->File());
  out.headerBytes = uint64_t(a.moviOffset) + 4;
  out.edits.Field(a.totalFramesOffset, share.frames);
  for (uint32_t n = 0; n < a.streamCount; ++n) {
    out.edits.Field(a.streams[n].lengthOffset, share.streams[n].length);
    out.moviBytes += share.streams[n].moviBytes;
    out.entries += share.streams[n].Entries();
  }
  out.shape = ShapeOfAnalysed(a, src.input);
  out.refusal = ShareRefusal(src, share);
  return out;
}

// How the split hands its runs over, as it always has: runs from 64 KiB go
// file to file, and at each bar step the whole blocks of a run go on.
CopyHabits SplitHabits(ChunkCopy copy) {
  CopyHabits habits;
  habits.fileCopyFrom = 64 * 1024;
  habits.runs = copy != ChunkCopy::ChunkByChunk;
  habits.handOverAtSteps = true;
  return habits;
}

}  // namespace

IndexStretch WholeIndex(const AviAnalysis& analysis) {
  IndexStretch s;
  s.to = analysis.idx1EntryTotal;
  return s;
}

uint64_t ShareFileBytes(const AviAnalysis& analysis, const OutputShare& share) {
  uint64_t moviBytes = 0, entries = 0;
  for (uint32_t n = 0; n < analysis.streamCount; ++n) {
    moviBytes += share.streams[n].moviBytes;
    entries += share.streams[n].Entries();
  }
  return uint64_t(analysis.moviOffset) + 4 + moviBytes + 16 * entries + 8;
}

std::string ShareRefusal(const SplitSource& source, const OutputShare& share) {
  uint64_t moviBytes = 0;
  for (uint32_t n = 0; n < source.analysis.streamCount; ++n) moviBytes += share.streams[n].moviBytes;
  // Frames made anew lie in a file of their own, and may outweigh the source's.
  const uint64_t held = source.input.Size() + (share.swap ? share.swap->SideBytes() : 0);
  if (moviBytes <= held) return "";
  return "its index names " + std::to_string(moviBytes) + " bytes of chunks, more than the " + std::to_string(held) +
         " bytes the file holds";
}

uint64_t ShareWrittenBytes(const SplitSource& source, const OutputShare& share, const IndexStretch& stretch,
                           const OdmlLimits& odml) {
  return MeasureOutput(OutputOf(source, share, stretch, false), odml);
}

WriteOutcome WriteShares(const SplitSource& src, const ShareOutput* outputs, int count, const ShareWriting& how,
                         JobSink& sink) {
  std::vector<AviOutput> outs;
  outs.reserve(size_t(count));
  for (int x = 0; x < count; ++x) {
    outs.push_back(OutputOf(src, *outputs[x].share, how.stretch, how.copy == ChunkCopy::IndexedRuns));
    outs.back().file = outputs[x].stream;
  }
  if (count > 0) outs[0].sizeLimit = how.options.firstOutputLimit;
  StatusBar bar(sink, kSplitFileCreating, true);
  const uint32_t to = std::min(how.stretch.to, src.analysis.idx1EntryTotal);
  WriteSettings settings(how.odml, how.options, SplitHabits(how.copy), &bar);
  settings.positions = to - std::min(how.stretch.from, to);
  settings.bar = how.bar;
  return WriteAviOutputs(outs.data(), count, settings);
}

SplitResult SplitResultOf(const WriteOutcome& outcome, int* failedOutput, std::string* problem) {
  *failedOutput = outcome.FromInput() ? -1 : outcome.output;
  switch (outcome.result) {
    case WriteResult::Written: return SplitResult::Completed;
    case WriteResult::Cancelled: return SplitResult::Cancelled;
    case WriteResult::TooLarge:
      if (problem) *problem = outcome.problem;
      return SplitResult::OutputTooLarge;
    default: return SplitResult::WriteFailed;
  }
}
