// Planning a split into many pieces (pieces/piece_plan.h).
//
// Three kinds of forward walk over the index do the work:
//   KeyFrames   the usable key frames at which a piece may end, in order;
//   StartFinder the last key frame at or before a frame, for targets that
//               only grow (where a piece begins when it overlaps the one
//               before);
//   StreamCursor one stream's entries, passed while they end before a count
//               or a byte position: the entries, data bytes and movi bytes
//               before that point. Each stream has one cursor where pieces
//               begin and one where they end; as pieces only move forward,
//               so do the cursors.
#include "pieces/piece_plan.h"

#include <cstdio>
#include <memory>

#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "split/split_math.h"

namespace {

constexpr uint32_t kNowhere = 0xFFFFFFFFu;

uint64_t ChunkSpace(uint32_t length) { return uint64_t(length) + (length & 1) + 8; }

// The usable key frames at which a piece may end, as the two-way split
// chooses its cut: a key frame of the first video stream and, in a file with
// "rec " groups, only one that is the first video chunk of its group (the
// cut then falls at the group's "rec " entry).
class KeyFrames {
 public:
  KeyFrames(const SplitSource& src)
      : index_(src.input, src.analysis.idx1Offset, src.analysis.idx1EntryTotal),
        video_(src.analysis.firstVideoStream),
        rec_(src.analysis.hasRecEntries != 0) {}

  // The next usable key frame at or after frame target: its frame and the
  // entry the cut falls at. False when there is none.
  bool Next(uint32_t target, uint32_t* frame, uint32_t* entry) {
    while (i_ < index_.Total()) {
      const uint32_t i = i_++;
      const IndexEntry e = index_.At(i);
      const bool video = StreamOfCkid(e.ckid) == video_;
      if (!video) {
        if (e.ckid == kRec) lastMarker_ = i, markerIsRec_ = true;
        continue;
      }
      const uint32_t f = frame_++;
      const bool headsGroup = markerIsRec_ && lastMarker_ != kNowhere;
      const uint32_t cutEntry = rec_ ? lastMarker_ : i;
      lastMarker_ = i, markerIsRec_ = false;
      if (f < target || !(e.flags & kKeyFrameFlag) || (rec_ && !headsGroup)) continue;
      if (cutEntry == 0) continue;  // a cut at the first entry leaves an empty piece
      *frame = f;
      *entry = cutEntry;
      return true;
    }
    return false;
  }

 private:
  IndexReader index_;
  int video_;
  bool rec_;
  uint32_t i_ = 0;
  uint32_t frame_ = 0;
  uint32_t lastMarker_ = kNowhere;  // the last video or "rec " entry met
  bool markerIsRec_ = false;
};

// The last key frame at or before a frame, for frames that never decrease
// from one question to the next: where a piece that overlaps begins.
class StartFinder {
 public:
  StartFinder(const SplitSource& src)
      : index_(src.input, src.analysis.idx1Offset, src.analysis.idx1EntryTotal), video_(src.analysis.firstVideoStream) {}

  bool Find(uint32_t target, uint32_t* frame, uint32_t* entry) {
    for (; i_ < index_.Total(); ++i_) {
      const IndexEntry e = index_.At(i_);
      if (StreamOfCkid(e.ckid) != video_) continue;
      const bool key = (e.flags & kKeyFrameFlag) != 0;
      if (frame_ == target && key) {
        *frame = frame_;
        *entry = i_;
        return true;
      }
      if (frame_ >= target) break;
      if (key) lastKeyFrame_ = frame_, lastKeyEntry_ = i_;
      ++frame_;
    }
    if (lastKeyEntry_ == kNowhere) return false;
    *frame = lastKeyFrame_;
    *entry = lastKeyEntry_;
    return true;
  }

 private:
  IndexReader index_;
  int video_;
  uint32_t i_ = 0;
  uint32_t frame_ = 0;
  uint32_t lastKeyFrame_ = 0;
  uint32_t lastKeyEntry_ = kNowhere;
};

// One stream's entries in index order, passed one by one.
class StreamCursor {
 public:
  StreamCursor(const SplitSource& src, int stream)
      : index_(src.input, src.analysis.idx1Offset, src.analysis.idx1EntryTotal), stream_(stream) {
    FindNext();
  }
  // Passes entries until count of them are passed (or none is left).
  void PassCount(uint32_t n) {
    while (count < n && hasNext) Pass();
  }
  // Passes every entry that ends at or before byte `bytes` of the stream's data.
  void PassBytes(uint64_t bytes) {
    while (hasNext && data + nextLength <= bytes) Pass();
  }

  uint32_t count = 0;  // entries passed
  uint64_t data = 0;   // their data bytes
  uint64_t space = 0;  // their movi list bytes
  bool hasNext = false;
  uint32_t nextLength = 0;
  uint32_t nextAt = kNowhere;  // index entry of the next one
  uint32_t lastAt = kNowhere;  // index entry of the last one passed

 private:
  void Pass() {
    ++count;
    data += nextLength;
    space += ChunkSpace(nextLength);
    lastAt = nextAt;
    FindNext();
  }
  void FindNext() {
    hasNext = false;
    for (; i_ < index_.Total(); ++i_) {
      const IndexEntry e = index_.At(i_);
      if (StreamOfCkid(e.ckid) != stream_) continue;
      hasNext = true;
      nextLength = e.length;
      nextAt = i_++;
      return;
    }
    nextAt = kNowhere;
  }

  IndexReader index_;
  int stream_;
  uint32_t i_ = 0;
};

// Builds the shares of pieces whose starts and ends only grow.
class ShareBuilder {
 public:
  ShareBuilder(const SplitSource& src, uint32_t frameMicros, uint32_t videoFrames)
      : src_(src), a_(src.analysis), frameMicros_(frameMicros), videoFrames_(videoFrames) {
    for (uint32_t n = 0; n < a_.streamCount; ++n) {
      begin_[n].reset(new StreamCursor(src, int(n)));
      end_[n].reset(new StreamCursor(src, int(n)));
      sourceLength_[n] = src.input.U32At(a_.streams[n].lengthOffset);
      if (IsAudio(n)) blockBytes_[n] = src.input.U32At(a_.streams[n].sampleSizeOffset);
    }
  }

  // The piece of frames start .. end - 1; the last piece takes every entry
  // from its start on.
  Piece Build(uint32_t start, uint32_t end, bool last) {
    Piece p;
    p.startFrame = start;
    p.endFrame = last ? videoFrames_ : end;
    p.share.frames = p.endFrame - start;
    p.stretch.from = kNowhere;
    uint32_t to = 0;
    for (uint32_t n = 0; n < a_.streamCount; ++n) {
      StreamShare& s = p.share.streams[n];
      uint32_t lastEntry = kNowhere;
      if (int32_t(n) == a_.firstVideoStream) {
        ByCount(n, start, last ? kNowhere : end, s, &lastEntry);
        s.length = p.share.frames;
      } else if (IsAudio(n)) {
        ByBytes(n, start, end, last, s, &lastEntry);
      } else {
        // In proportion to the video, by entries (dwLength likewise).
        const uint32_t entries = a_.streams[n].idx1EntryCount;
        const uint32_t b = ProportionOf(entries, start, videoFrames_);
        const uint32_t e = ProportionOf(entries, end, videoFrames_);
        ByCount(n, b, last ? kNowhere : e, s, &lastEntry);
        const uint32_t kept = (last ? entries : e) - b;
        s.length = entries == 0 ? 0 : ProportionOf(kept, sourceLength_[n], entries);
      }
      if (s.Entries() == 0) {
        p.stretch.startAt[n] = kNowhere;
        continue;
      }
      p.stretch.startAt[n] = begin_[n]->nextAt;
      p.stretch.startCount[n] = s.begin;
      if (begin_[n]->nextAt < p.stretch.from) p.stretch.from = begin_[n]->nextAt;
      if (lastEntry + 1 > to) to = lastEntry + 1;
    }
    if (p.stretch.from == kNowhere) p.stretch.from = 0;
    p.stretch.to = to;
    p.plannedBytes = ShareFileBytes(a_, p.share);
    return p;
  }

 private:
  bool IsAudio(uint32_t n) const { return a_.streams[n].type == StreamAudio && int32_t(n) != a_.firstVideoStream; }

  // Entries b .. e - 1 of stream n, whole.
  void ByCount(uint32_t n, uint32_t b, uint32_t e, StreamShare& s, uint32_t* lastEntry) {
    StreamCursor& from = *begin_[n];
    StreamCursor& to = *end_[n];
    from.PassCount(b);
    to.PassCount(e);
    s.begin = from.count;
    s.end = to.count;
    s.moviBytes = s.end > s.begin ? to.space - from.space : 0;
    *lastEntry = to.lastAt;
  }

  // The audio bytes [position of start, position of end) of stream n, cut
  // inside the chunks that straddle either end.
  void ByBytes(uint32_t n, uint32_t start, uint32_t end, bool last, StreamShare& s, uint32_t* lastEntry) {
    const uint64_t startSamples = SamplesForFrames(frameMicros_, start, a_.streams[n]);
    const uint64_t endSamples = SamplesForFrames(frameMicros_, end, a_.streams[n]);
    const uint64_t first = SampleBytes(startSamples, blockBytes_[n]);
    const uint64_t limit = last ? UINT64_MAX : SampleBytes(endSamples, blockBytes_[n]);
    StreamCursor& from = *begin_[n];
    StreamCursor& to = *end_[n];
    from.PassBytes(first);
    to.PassBytes(limit);
    // dwLength: the samples between the two positions, within the source's own length.
    const uint32_t length = sourceLength_[n];
    const uint32_t endAt = last || !(endSamples < length) ? length : uint32_t(endSamples);
    const uint32_t startAt = startSamples < length ? uint32_t(startSamples) : length;
    s.length = endAt > startAt ? endAt - startAt : 0;

    s.begin = s.end = from.count;
    if (limit <= first) return;  // no sound in this piece
    const uint32_t skip = from.hasNext ? uint32_t(first - from.data) : 0;      // of the first chunk
    const uint32_t head = to.hasNext && !last ? uint32_t(limit - to.data) : 0;  // of the chunk after the whole ones
    s.end = to.count + (head != 0 ? 1 : 0);
    if (s.end <= s.begin) return;
    *lastEntry = head != 0 ? to.nextAt : to.lastAt;
    if (head != 0 && s.begin == to.count) {  // one chunk holds both cuts
      s.firstTail = to.nextLength - skip;
      s.lastHead = head;
      s.moviBytes = ChunkSpace(head - skip);
      return;
    }
    s.moviBytes = to.space - from.space;
    if (head != 0) {
      s.lastHead = head;
      s.moviBytes += ChunkSpace(head);
    }
    if (skip != 0) {
      s.firstTail = from.nextLength - skip;
      s.moviBytes = s.moviBytes - ChunkSpace(from.nextLength) + ChunkSpace(s.firstTail);
    }
  }

  const SplitSource& src_;
  const AviAnalysis& a_;
  uint32_t frameMicros_;
  uint32_t videoFrames_;
  std::unique_ptr<StreamCursor> begin_[kMaxStreams];
  std::unique_ptr<StreamCursor> end_[kMaxStreams];
  uint32_t sourceLength_[kMaxStreams] = {};
  uint32_t blockBytes_[kMaxStreams] = {};
};

std::string Seconds(uint32_t frameMicros, uint32_t frame) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", FramesToSeconds(frameMicros, frame));
  return text;
}

// Where the piece after the one of frames start .. end - 1 begins, by the
// two-way split's rule for the second file; it must begin after that piece
// does. Completed and *next, or the overlap's refusal.
SplitResult NextStart(StartFinder& starts, const PiecesPlan& plan, uint32_t start, uint32_t end,
                      const ExactTime& overlap, uint32_t* next) {
  if (overlap.IsZero()) {
    *next = end;
    return SplitResult::Completed;
  }
  const ExactTime endTime = FramesTime(plan.frameMicros, end);
  if (!(FramesTime(plan.frameMicros, start) + overlap < endTime)) return SplitResult::OverlapTooLong;
  const uint32_t target = ClampU32(FrameAtOrBefore(endTime - overlap, plan.frameMicros));
  uint32_t frame = 0, entry = 0;
  if (!starts.Find(target, &frame, &entry)) return SplitResult::OverlapAtEntryZero;
  if (frame <= start) return SplitResult::OverlapAtFrameZero;
  if (entry == 0) return SplitResult::OverlapAtEntryZero;
  *next = frame;
  return SplitResult::Completed;
}

std::string SeamWhere(const PiecesPlan& plan, size_t piece, uint32_t end) {
  return "piece " + std::to_string(piece + 2) + ", which overlaps piece " + std::to_string(piece + 1) +
         " ending at frame " + std::to_string(end) + " (" + Seconds(plan.frameMicros, end) + ")";
}

SplitResult StartPieces(const SplitSource& source, PiecesPlan& plan) {
  plan = PiecesPlan();
  SplitPlan base;
  const SplitResult code = StartSplitPlan(source, base);
  plan.frameMicros = base.frameMicros;
  plan.videoFrames = base.videoFrames;
  return code;
}

}  // namespace

SplitResult PlanPiecesEvery(const SplitSource& source, const ExactTime& seconds, const ExactTime& overlap,
                            PiecesPlan& plan) {
  SplitResult code = StartPieces(source, plan);
  if (code != SplitResult::Completed) return code;
  const ExactTime duration = FramesTime(plan.frameMicros, plan.videoFrames);
  if (seconds.IsZero() || !(seconds < duration)) return SplitResult::TimeTooLong;

  // The cuts: the first usable key frame at or after each multiple of
  // seconds, each multiple exact (0.2 x 5 is 1, so a key frame every 0.2 s
  // ends a piece every 0.2 s).
  std::vector<uint32_t> ends;
  KeyFrames keys(source);
  for (uint64_t j = 1;; ++j) {
    const ExactTime time = seconds * j;
    if (!(time < duration)) break;
    const uint32_t target = ClampU32(FrameAtOrAfter(time, plan.frameMicros));
    if (!ends.empty() && target <= ends.back()) continue;  // its key frame ends the piece before already
    uint32_t frame = 0, entry = 0;
    // A cut must leave the last piece a frame: V counts only the entries
    // with printable codes, the walk every entry of the video stream.
    if (!keys.Next(target, &frame, &entry) || frame >= plan.videoFrames) break;
    ends.push_back(frame);
    // Multiples of seconds that fall before this cut need not be tried one
    // by one (seconds may be far shorter than a key-frame group).
    const uint64_t passed = WholeStepsIn(FramesTime(plan.frameMicros, frame), seconds);
    if (passed > j + 1) j = passed - 1;
  }
  if (ends.empty()) return SplitResult::NoKeyFrame;

  StartFinder starts(source);
  ShareBuilder builder(source, plan.frameMicros, plan.videoFrames);
  uint32_t start = 0;
  for (size_t j = 0; j <= ends.size(); ++j) {
    const bool last = j == ends.size();
    plan.pieces.push_back(builder.Build(start, last ? plan.videoFrames : ends[j], last));
    if (last) break;
    code = NextStart(starts, plan, start, ends[j], overlap, &start);
    if (code != SplitResult::Completed) {
      plan.where = SeamWhere(plan, j, ends[j]);
      return code;
    }
  }
  return SplitResult::Completed;
}

SplitResult PlanPiecesBySize(const SplitSource& source, uint64_t limitBytes, const ExactTime& overlap,
                             PiecesPlan& plan, const OdmlLimits& odml) {
  if (limitBytes == 0) return SplitResult::SizeInvalid;
  SplitResult code = StartPieces(source, plan);
  if (code != SplitResult::Completed) return code;
  if (source.input.Size() <= limitBytes) return SplitResult::SizeAlreadyFits;

  KeyFrames keys(source);
  StartFinder starts(source);
  ShareBuilder builder(source, plan.frameMicros, plan.videoFrames);
  auto fits = [&](const Piece& p) {
    if (p.plannedBytes > limitBytes) return false;
    if (p.plannedBytes < odml.riffThreshold) return true;
    const uint64_t written = ShareWrittenBytes(source, p.share, p.stretch, odml);
    return written != 0 && written <= limitBytes;
  };
  // Each piece grows key frame by key frame (its size grows with its end)
  // until the next one would not fit; a piece that cannot take even its
  // first key-frame group is refused.
  uint32_t start = 0, cut = 0, cutEntry = 0;
  auto nextCut = [&](uint32_t target) { return keys.Next(target, &cut, &cutEntry) && cut < plan.videoFrames; };
  bool haveCut = nextCut(1);
  for (;;) {
    Piece best;
    bool haveBest = false;
    Piece tried;
    for (;;) {
      tried = builder.Build(start, haveCut ? cut : plan.videoFrames, !haveCut);
      if (!fits(tried)) break;
      if (!haveCut) {
        plan.pieces.push_back(tried);
        return SplitResult::Completed;
      }
      best = tried;
      haveBest = true;
      haveCut = nextCut(cut + 1);
    }
    if (!haveBest) {
      plan.groupStart = start;
      plan.groupEnd = tried.endFrame;
      plan.groupBytes = tried.plannedBytes;
      plan.where = "frames " + std::to_string(start) + " to " + std::to_string(tried.endFrame - 1) + " (" +
                   Seconds(plan.frameMicros, start) + " to " + Seconds(plan.frameMicros, tried.endFrame) +
                   ") take " + std::to_string(tried.plannedBytes) + " bytes in a piece of their own";
      return SplitResult::SizeTooSmall;
    }
    plan.pieces.push_back(best);
    code = NextStart(starts, plan, best.startFrame, best.endFrame, overlap, &start);
    if (code != SplitResult::Completed) {
      plan.where = SeamWhere(plan, plan.pieces.size() - 1, best.endFrame);
      return code;
    }
  }
}
