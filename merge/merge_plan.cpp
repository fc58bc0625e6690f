#include "merge/merge_plan.h"

#include <cstring>
#include <memory>

#include "avi/byte_input.h"
#include "avi/exact_time.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "chain/chain_writer.h"
#include "merge/overlap_search.h"
#include "avi/walk_sink.h"

namespace {

struct SearchStart {
  uint32_t frame;
  uint32_t entry;
};

// The key frame at or before the first-input frame `window` seconds before
// the end of its video; frame 0 when there is none. The window counts whole
// seconds, as the joined file's writer receives it, and the frame is exact:
// floor((U x n1 - window x 10^6) / U), so a window of whole frames reaches
// back that many frames.
SearchStart FindSearchStart(const MergeSources& in, double window) {
  const AviAnalysis& a = in.first.analysis;
  const int video = a.firstVideoStream;
  const uint32_t n1 = a.streams[video].idx1EntryCount;
  const uint32_t u = MicroSecPerFrame(in);
  const ExactTime back = window > 0 ? ExactTime(uint64_t(window < 1e15 ? window : 1e15)) : ExactTime();
  // A frame duration of 0 gives no time scale: search from frame 0.
  const uint64_t target = u == 0 ? 0 : FrameAtOrBefore(FramesTime(u, n1) - back, u);

  IndexReader index(in.first.file, a.idx1Offset, a.idx1EntryTotal);
  uint32_t frame = 0;
  bool haveKey = false;
  SearchStart key{0, 0};
  for (uint32_t i = 0; i < index.Total(); ++i) {
    IndexEntry e = index.At(i);
    if (StreamOfCkid(e.ckid) != video) continue;
    bool isKey = (e.flags & kKeyFrameFlag) != 0;
    if (isKey) {
      haveKey = true;
      key = {frame, i};
    }
    if (frame >= target) return haveKey ? key : SearchStart{0, 0};
    ++frame;
  }
  return {0, 0};  // the target lies beyond the last frame
}

// The entry number of the first input's video frame `wanted`, or the entry
// total when there is no such frame.
uint32_t EntryOfFrame(const MergeSources& in, uint32_t wanted) {
  const AviAnalysis& a = in.first.analysis;
  IndexReader index(in.first.file, a.idx1Offset, a.idx1EntryTotal);
  uint32_t frame = 0;
  for (uint32_t i = 0; i < index.Total(); ++i) {
    if (StreamOfCkid(index.At(i).ckid) != a.firstVideoStream) continue;
    if (frame == wanted) return i;
    ++frame;
  }
  return index.Total();
}

}  // namespace

uint64_t SamplesUpTo(uint32_t microSecPerFrame, uint64_t frames, const StreamEntry& stream) {
  const uint64_t samples = SamplesInFrames(microSecPerFrame, frames, SamplesPerSecond(stream));
  return samples > 4294967296ull ? 4294967296ull : samples;
}

// Audio streams: the chunks that fit in the kept time, and how the seam's
// chunks are joined.
void PlanSeamAudio(const MergeSources& in, uint32_t framesBefore, const SeamCarry& carryIn, MergePlan& plan,
                   SeamCarry* carryOut) {
  const AviAnalysis& a = in.first.analysis;
  const AviAnalysis& b = in.second.analysis;
  const int video = a.firstVideoStream;
  const uint32_t u = MicroSecPerFrame(in);
  const uint64_t framesAfter = uint64_t(framesBefore) + plan.keepCount[video];
  if (carryOut) *carryOut = SeamCarry();

  struct Walk {
    bool audio = false;
    bool walking = false;
    bool moreChunks = false;  // the walk ended at a chunk larger than what was left
    uint64_t left = 0;
    uint32_t lastKept = 0;
  } walk[kMaxStreams];
  int walking = 0;
  for (uint32_t s = 0; s < a.streamCount; ++s) {
    if (int(s) == video || a.streams[s].type != StreamAudio) continue;
    const uint64_t from = SamplesUpTo(u, framesBefore, a.streams[s]);
    const uint64_t to = SamplesUpTo(u, framesAfter, a.streams[s]);
    uint32_t sampleSize = in.first.file.U32At(a.streams[s].sampleSizeOffset);
    walk[s].audio = true;
    walk[s].walking = true;
    walk[s].left = (to > from ? to - from : 0) * sampleSize;
    plan.keepCount[s] = 0;
    plan.seamPartialBytes[s] = 0;
    plan.seamJoinBytes[s] = 0;
    ++walking;
  }
  if (walking == 0) return;

  IndexReader first(in.first.file, a.idx1Offset, a.idx1EntryTotal);
  for (uint32_t i = 0; i < first.Total() && walking > 0; ++i) {
    IndexEntry e = first.At(i);
    int s = StreamOfCkid(e.ckid);
    if (s < 0 || !walk[s].walking) continue;
    if (e.length <= walk[s].left) {
      walk[s].left -= e.length;
      walk[s].lastKept = e.length;
      plan.keepCount[s]++;
    } else {
      walk[s].walking = false;
      walk[s].moreChunks = true;
      --walking;
    }
  }
  // Leftover bytes exist only in a further chunk of the stream; when the
  // stream's audio ends before the kept time there is nothing to join.
  for (int s = 0; s < kMaxStreams; ++s)
    if (walk[s].audio) plan.seamPartialBytes[s] = walk[s].moreChunks ? uint32_t(walk[s].left) : 0;

  // The second input's first chunk of each audio stream.
  bool found[kMaxStreams] = {};
  uint32_t firstLength[kMaxStreams] = {};
  int missing = 0;
  for (int s = 0; s < kMaxStreams; ++s) missing += walk[s].audio ? 1 : 0;
  IndexReader second(in.second.file, b.idx1Offset, b.idx1EntryTotal);
  for (uint32_t i = 0; i < second.Total() && missing > 0; ++i) {
    IndexEntry e = second.At(i);
    int s = StreamOfCkid(e.ckid);
    if (s < 0 || !walk[s].audio || found[s]) continue;
    found[s] = true;
    firstLength[s] = e.length;
    --missing;
  }

  for (int s = 0; s < kMaxStreams; ++s) {
    if (!walk[s].audio || !found[s]) continue;
    uint64_t bufferSize = in.first.file.U32At(a.streams[s].suggestedBufferSizeOffset);
    uint64_t next = firstLength[s];
    // The head that would go in front of the second input's first chunk;
    // what was carried in belongs to it when it is this input's first chunk.
    uint64_t head = 0;
    bool headIsFirst = false;
    if (plan.seamPartialBytes[s] != 0) {
      head = plan.seamPartialBytes[s];
      headIsFirst = plan.keepCount[s] == 0;
    } else if (plan.keepCount[s] > 0) {
      head = walk[s].lastKept;
      headIsFirst = plan.keepCount[s] == 1;
    } else {
      continue;
    }
    const int pieces = 1 + (headIsFirst ? carryIn.pieces[s] : 0);
    if (headIsFirst) head += carryIn.bytes[s];
    if (head + next > bufferSize || pieces + 1 > kMaxJoinedPieces) continue;
    plan.seamJoinBytes[s] = plan.seamPartialBytes[s] != 0 ? firstLength[s] : walk[s].lastKept;
    if (carryOut) {
      carryOut->bytes[s] = head;
      carryOut->pieces[s] = pieces;
    }
  }
}

uint32_t MicroSecPerFrame(const MergeSources& in) {
  return in.first.file.U32At(in.first.analysis.microSecPerFrameOffset);
}

PlanOutcome PlanMerge(const MergeSources& in, double window, WalkSink& sink, MergePlan& plan) {
  std::memset(&plan, 0, sizeof plan);
  const AviAnalysis& a = in.first.analysis;
  const AviAnalysis& b = in.second.analysis;
  const int video = a.firstVideoStream;
  const uint32_t n1 = a.streams[video].idx1EntryCount;
  const uint32_t n2 = EntriesOfStream(b, video);

  plan.keepCount[video] = n1;
  if (window != 0) {
    SearchStart start = FindSearchStart(in, window);
    plan.searchStartFrame = start.frame;
    plan.searchStartEntry = start.entry;
    // A tail longer than the second input's whole video cannot come again in it.
    if (int64_t(n1) - int64_t(start.frame) > int64_t(n2)) {
      plan.searchStartFrame = n1 - n2;
      plan.searchStartEntry = EntryOfFrame(in, plan.searchStartFrame);
    }
    OverlapSource first{&in.first.file, a.idx1Offset, a.idx1EntryTotal, a.chunkBase};
    OverlapSource second{&in.second.file, b.idx1Offset, b.idx1EntryTotal, b.chunkBase};
    OverlapSearch search{video, plan.searchStartEntry, plan.searchStartFrame};
    OverlapResult found = FindOverlap(sink, first, second, search);
    if (found.outcome == OverlapOutcome::Cancelled) return PlanOutcome::Cancelled;
    if (found.outcome == OverlapOutcome::Found) plan.keepCount[video] = found.frame;
  }
  if (sink.Cancelled()) return PlanOutcome::Cancelled;

  for (uint32_t s = 0; s < a.streamCount; ++s) {
    if (int(s) == video || a.streams[s].type == StreamAudio) continue;
    // Other streams keep the same share of their entries as the video.
    const uint64_t share = n1 == 0 ? 0 : uint64_t(a.streams[s].idx1EntryCount) * plan.keepCount[video] / n1;
    plan.keepCount[s] = share >= 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(share);
  }
  PlanSeamAudio(in, 0, SeamCarry(), plan, nullptr);
  return PlanOutcome::Planned;
}
