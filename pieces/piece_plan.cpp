// Planning a split into many pieces (pieces/piece_plan.h).
//
// Three kinds of forward walk over the index do the work:
//   KeyFrames   the usable key frames at which a piece may end, in order;
//   StartFinder the last key frame at or before a frame, for targets that
//               only grow (where a piece begins when it overlaps the one
//               before);
//   ShareBuilder each piece's share from two forward cursors per stream
//               (share/share_builder.h).
#include "pieces/piece_plan.h"

#include <cstdio>
#include <memory>

#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "share/share_builder.h"
#include "share/share_math.h"

namespace {


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
