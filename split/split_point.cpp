// Planning half of the split engine: structure checks, the key frame that
// ends the first file, the one that begins the second, each stream's share.
#include <cstring>

#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "writer/chunk_listing.h"
#include "split/split_engine.h"
#include "share/share_math.h"

namespace {

// Video entries are those of the first video stream only: "0" and its digit.
bool IsVideo(uint32_t ckid, int32_t videoStream) { return StreamOfCkid(ckid) == videoStream; }

// In a file with "rec " groups a cut must fall at a group's start: the key
// frame qualifies only when no video chunk precedes it within its group.
// Returns true and the "rec " entry's number when it does.
bool HeadsRecGroup(IndexReader& index, uint32_t keyEntry, int32_t videoStream, uint32_t* recEntry) {
  for (uint32_t j = keyEntry; j-- > 0;) {
    uint32_t ckid = index.At(j).ckid;
    if (IsVideo(ckid, videoStream)) return false;
    if (ckid == kRec) {
      *recEntry = j;
      return true;
    }
  }
  return false;  // no group start before it at all
}

// Finds the key frame at or after frame target that ends the first file.
void FindSplitKeyFrame(IndexReader& index, const AviAnalysis& a, uint32_t target, SplitPlan& plan) {
  plan.splitFrame = 0;
  plan.splitEntry = 0;
  for (uint32_t i = 0; i < index.Total(); ++i) {
    IndexEntry e = index.At(i);
    if (!IsVideo(e.ckid, a.firstVideoStream)) continue;
    if (plan.splitFrame >= target && (e.flags & kKeyFrameFlag)) {
      if (a.hasRecEntries == 0) {
        plan.splitEntry = i;
        return;
      }
      uint32_t recEntry = 0;
      if (HeadsRecGroup(index, i, a.firstVideoStream, &recEntry)) {
        plan.splitEntry = recEntry;
        return;
      }
    }
    plan.splitFrame++;
  }
}

// The last key frame at or before frame target begins the second file.
void FindSecondStart(IndexReader& index, const AviAnalysis& a, uint32_t target, SplitPlan& plan) {
  plan.secondStartFrame = 0;
  plan.secondStartEntry = 0;
  for (uint32_t i = 0; i < index.Total(); ++i) {
    if (!IsVideo(index.At(i).ckid, a.firstVideoStream)) continue;
    if (plan.secondStartFrame < target) {
      plan.secondStartFrame++;
      continue;
    }
    for (uint32_t j = i + 1; j-- > 0;) {
      IndexEntry e = index.At(j);
      if (!IsVideo(e.ckid, a.firstVideoStream)) continue;
      if (e.flags & kKeyFrameFlag) {
        plan.secondStartEntry = j;
        return;
      }
      // No key frame at frame 0 leaves the count wrapped and the entry at 0.
      plan.secondStartFrame--;
    }
    return;
  }
}

// Audio byte budgets of one stream while the single index walk runs, in 64
// bits: a long recording holds more than 4 GiB of sound (6.2 hours of 48 kHz
// 16-bit stereo), and a budget that wrapped would give the first file a few
// seconds of it.
struct AudioCutter {
  uint64_t firstBudget;  // B1
  uint64_t secondSkip;   // B2
  bool fitting = true;
  bool skipping = true;
};

void PlanStreams(IndexReader& index, const SplitSource& source, SplitPlan& plan) {
  const AviAnalysis& a = source.analysis;
  AudioCutter audio[kMaxStreams] = {};
  for (uint32_t n = 0; n < a.streamCount; ++n) {
    StreamCut& cut = plan.cuts[n];
    cut = StreamCut{};
    const StreamEntry& s = a.streams[n];
    if (int32_t(n) == a.firstVideoStream) {
      cut.firstCount = plan.splitFrame;
      cut.secondStart = plan.secondStartFrame;
    } else if (s.type == StreamAudio) {
      uint32_t blockBytes = source.input.U32At(s.sampleSizeOffset);
      audio[n].firstBudget = SampleBytes(SamplesForFrames(plan.frameMicros, plan.splitFrame, s), blockBytes);
      audio[n].secondSkip = SampleBytes(SamplesForFrames(plan.frameMicros, plan.secondStartFrame, s), blockBytes);
      audio[n].fitting = audio[n].skipping = true;
    } else {
      // Streams that are neither the first video nor constant-rate audio are
      // cut in proportion to the video.
      cut.firstCount = ProportionOf(s.idx1EntryCount, plan.splitFrame, plan.videoFrames);
      cut.secondStart = ProportionOf(s.idx1EntryCount, plan.secondStartFrame, plan.videoFrames);
    }
  }

  uint32_t seen[kMaxStreams] = {};
  for (uint32_t i = 0; i < index.Total(); ++i) {
    IndexEntry e = index.At(i);
    int stream = StreamOfCkid(e.ckid);
    if (stream < 0 || uint32_t(stream) >= a.streamCount) continue;  // belongs to no output
    StreamCut& cut = plan.cuts[stream];
    uint32_t length = e.length;
    if (a.streams[stream].type == StreamAudio) {
      AudioCutter& ac = audio[stream];
      if (ac.fitting && ac.firstBudget >= length) {
        cut.firstMoviBytes += ChunkSpace(length);
        ac.firstBudget -= length;
        cut.firstCount++;
      } else {
        ac.fitting = false;
      }
      if (ac.skipping && ac.secondSkip >= length) {
        ac.secondSkip -= length;
        cut.secondStart++;
      } else {
        ac.skipping = false;
        if (ac.secondSkip != 0) {
          cut.secondPartialBytes = length - uint32_t(ac.secondSkip);  // less than length here
          cut.secondMoviBytes += ChunkSpace(cut.secondPartialBytes);
          ac.secondSkip = 0;
        } else {
          cut.secondMoviBytes += ChunkSpace(length);
        }
      }
    } else {
      if (seen[stream] < cut.firstCount) cut.firstMoviBytes += ChunkSpace(length);
      if (seen[stream] >= cut.secondStart) cut.secondMoviBytes += ChunkSpace(length);
    }
    seen[stream]++;
  }
  for (uint32_t n = 0; n < a.streamCount; ++n) plan.cuts[n].entries = seen[n];

  for (uint32_t n = 0; n < a.streamCount; ++n) {
    if (a.streams[n].type != StreamAudio || int32_t(n) == a.firstVideoStream) continue;
    StreamCut& cut = plan.cuts[n];
    // The leftover budget becomes a shortened chunk only when a chunk exists
    // to shorten; a stream that ends early simply ends early.
    if (audio[n].firstBudget != 0 && !audio[n].fitting) {
      cut.firstPartialBytes = uint32_t(audio[n].firstBudget);  // less than the chunk that did not fit
      cut.firstCount++;
      cut.firstMoviBytes += ChunkSpace(cut.firstPartialBytes);
    }
  }
}

}  // namespace

namespace {

// From the frame at which the first file is to end at the earliest: the key
// frame that ends it, the one that begins the second file, every stream's share.
SplitResult PlanFromFrame(const SplitSource& source, uint32_t targetFrame, const ExactTime& overlap,
                          SplitPlan& plan) {
  const AviAnalysis& a = source.analysis;
  IndexReader index(source.input, a.idx1Offset, a.idx1EntryTotal);
  FindSplitKeyFrame(index, a, targetFrame, plan);
  if (plan.splitFrame == 0 || plan.splitEntry == 0) return SplitResult::NoKeyFrame;

  if (overlap.IsZero()) {
    plan.secondStartFrame = plan.splitFrame;
    plan.secondStartEntry = plan.splitEntry;
  } else {
    // The second file begins at the frame in which (end of the first - overlap) falls.
    const ExactTime end = FramesTime(plan.frameMicros, plan.splitFrame);
    if (!(overlap < end)) return SplitResult::OverlapTooLong;
    const uint32_t startFrame = ClampU32(FrameAtOrBefore(end - overlap, plan.frameMicros));
    FindSecondStart(index, a, startFrame, plan);
    if (plan.secondStartFrame == 0) return SplitResult::OverlapAtFrameZero;
    if (plan.secondStartEntry == 0) return SplitResult::OverlapAtEntryZero;
  }

  PlanStreams(index, source, plan);
  return SplitResult::Completed;
}

}  // namespace

// The structure checks and the two numbers every plan starts from.
SplitResult PlanSplit(const SplitSource& source, const TimeSplit& request, SplitPlan& plan) {
  SplitResult code = StartSplitPlan(source, plan);
  if (code != SplitResult::Completed) return code;
  // Exact: a time that is a multiple of the frame time asks for that very frame.
  const ExactTime duration = FramesTime(plan.frameMicros, plan.videoFrames);
  const ExactTime time = (request.hours * 60 + request.minutes) * 60 + request.seconds;
  if (!(time < duration)) return SplitResult::TimeTooLong;  // also for a frame time of 0
  const uint32_t targetFrame = ClampU32(FrameAtOrAfter(time, plan.frameMicros));
  return PlanFromFrame(source, targetFrame, request.overlap, plan);
}

SplitResult PlanSplitAtFrame(const SplitSource& source, uint32_t targetFrame, const ExactTime& overlap,
                             SplitPlan& plan) {
  SplitResult code = StartSplitPlan(source, plan);
  if (code != SplitResult::Completed) return code;
  return PlanFromFrame(source, targetFrame, overlap, plan);
}
