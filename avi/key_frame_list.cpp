// One pass over the index keeps the key frames; any other frame is read on
// from the key frame before it (avi/key_frame_list.h).
#include "avi/key_frame_list.h"

#include <algorithm>

#include "avi/avi_source.h"
#include "avi/fourcc.h"
#include "texts/avi_texts.h"

namespace {

// How often a long index asks whether to go on.
constexpr uint32_t kAskEvery = 4096;

FrameEntry EntryOf(const AviAnalysis& a, const IndexEntry& e, uint32_t entry, uint32_t frame) {
  FrameEntry out;
  out.frame = frame;
  out.entry = entry;
  out.position = ChunkPosition(a.chunkBase, e);
  out.size = e.length;
  out.key = (e.flags & kKeyFrameFlag) != 0;
  return out;
}

void FillFileOffset(AviSource& source, FrameEntry& e) {
  if (!source.FilePosition(e.DataPosition(), &e.fileOffset)) e.fileOffset = 0;
}

bool ByFrame(const FrameEntry& e, uint32_t frame) { return e.frame < frame; }

constexpr TextPair kNoVideo = texts::kFramesNoVideo;
constexpr TextPair kNoIndex = texts::kFramesNoIndex;
constexpr TextPair kNoVideoFrames = texts::kFramesNoVideoFrames;

}  // namespace

int KeyFrameList::KeyAtOrBefore(uint32_t frame) const {
  const auto after = std::lower_bound(keys.begin(), keys.end(), frame + 1ull,
                                      [](const FrameEntry& e, uint64_t f) { return e.frame < f; });
  return after == keys.begin() ? -1 : int(after - keys.begin()) - 1;
}

int KeyFrameList::KeyAfter(uint32_t frame) const {
  const auto after = std::lower_bound(keys.begin(), keys.end(), frame + 1ull,
                                      [](const FrameEntry& e, uint64_t f) { return e.frame < f; });
  return after == keys.end() ? -1 : int(after - keys.begin());
}

int KeyFrameList::KeyBefore(uint32_t frame) const {
  const auto at = std::lower_bound(keys.begin(), keys.end(), frame, ByFrame);
  return at == keys.begin() ? -1 : int(at - keys.begin()) - 1;
}

bool KeyFrameList::IsKey(uint32_t frame) const {
  const auto at = std::lower_bound(keys.begin(), keys.end(), frame, ByFrame);
  return at != keys.end() && at->frame == frame;
}

const TextPair* FrameListProblemText(FrameListProblem problem) {
  switch (problem) {
    case FrameListProblem::NoVideo: return &kNoVideo;
    case FrameListProblem::NoIndex: return &kNoIndex;
    case FrameListProblem::NoVideoFrames: return &kNoVideoFrames;
    default: return nullptr;
  }
}

FrameListProblem ListKeyFrames(AviSource& source, const AviAnalysis& a, KeyFrameList* list,
                               const std::function<bool()>& keepGoing) {
  *list = KeyFrameList();
  if (a.firstVideoStream < 0) return FrameListProblem::NoVideo;
  if (a.idx1Offset == 0) return FrameListProblem::NoIndex;
  ByteInput& input = source.Input();
  if (a.microSecPerFrameOffset) list->frameMicros = input.U32At(a.microSecPerFrameOffset);
  IndexReader index(input, a.idx1Offset, a.idx1EntryTotal);
  uint32_t frame = 0;
  for (uint32_t i = 0; i < index.Total(); ++i) {
    if (i % kAskEvery == 0 && keepGoing && !keepGoing()) {
      *list = KeyFrameList();
      return FrameListProblem::Cancelled;
    }
    const IndexEntry e = index.At(i);
    if (StreamOfCkid(e.ckid) != a.firstVideoStream) continue;
    if (frame == 0 || (e.flags & kKeyFrameFlag)) {
      FrameEntry entry = EntryOf(a, e, i, frame);
      FillFileOffset(source, entry);
      if (frame == 0) list->first = entry;
      if (entry.key) list->keys.push_back(entry);
    }
    frame++;
  }
  list->frames = frame;
  return frame == 0 ? FrameListProblem::NoVideoFrames : FrameListProblem::None;
}

FrameCursor::FrameCursor(AviSource& source, const AviAnalysis& analysis)
    : source_(source), analysis_(analysis), index_(source.Input(), analysis.idx1Offset, analysis.idx1EntryTotal) {}

void FrameCursor::Start(const FrameEntry& from) {
  entry_ = from.entry;
  frame_ = from.frame;
}

bool FrameCursor::Next(FrameEntry* out) {
  for (; entry_ < index_.Total(); ++entry_) {
    const IndexEntry e = index_.At(entry_);
    if (StreamOfCkid(e.ckid) != analysis_.firstVideoStream) continue;
    *out = EntryOf(analysis_, e, entry_, frame_);
    ++entry_;
    ++frame_;
    return true;
  }
  return false;
}

bool FindFrame(AviSource& source, const AviAnalysis& analysis, const KeyFrameList& list, uint32_t frame,
               FrameEntry* out) {
  if (frame >= list.frames) return false;
  const int key = list.KeyAtOrBefore(frame);
  FrameCursor cursor(source, analysis);
  cursor.Start(key >= 0 ? list.keys[size_t(key)] : list.first);
  FrameEntry e;
  while (cursor.Next(&e)) {
    if (e.frame < frame) continue;
    FillFileOffset(source, e);
    *out = e;
    return true;
  }
  return false;
}
