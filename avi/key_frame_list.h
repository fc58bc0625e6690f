// The frames of an analysed AVI's first video stream as its index lists
// them, for stepping between key frames and finding any frame's chunk
// without holding a record per frame.
//
// One pass over the index (idx1, or the flattened index of an OpenDML file,
// avi/odml_flat_view.h) keeps the key frames only: their number, index
// entry, chunk position and size. Any other frame is found by reading the
// index on from the key frame before it, which is at most one group of
// pictures of entries. Frames are numbered as the split numbers them (every
// index entry of the first video stream is one frame, avi/avi_analysis.h),
// and a frame's time is its number times avih dwMicroSecPerFrame, exact in
// microseconds, as the split converts times.
//
//   KeyFrameList keys;
//   if (ListKeyFrames(source, analysis, &keys) == FrameListProblem::None) {
//     FrameCursor cursor(source.Input(), analysis);
//     cursor.Start(keys.keys[keys.KeyAtOrBefore(n)]);
//     FrameEntry e;  while (cursor.Next(&e) && e.frame <= n) ... read e's chunk
//   }
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "avi/avi_analysis.h"
#include "avi/index_reader.h"
#include "texts/text_pair.h"

class AviSource;
class ByteInput;

struct FrameEntry {
  uint32_t frame = 0;       // among the first video stream's index entries
  uint32_t entry = 0;       // its index entry
  uint64_t position = 0;    // its chunk header in the input as analysed (AviSource::Input())
  uint64_t fileOffset = 0;  // where its data (after the chunk header) lies in the file as stored
  uint32_t size = 0;        // dwChunkLength: the frame's bytes
  bool key = false;         // AVIIF_KEYFRAME

  uint64_t DataPosition() const { return position + 8; }
};

struct KeyFrameList {
  uint32_t frameMicros = 0;  // avih dwMicroSecPerFrame
  uint32_t frames = 0;       // video index entries
  FrameEntry first;          // frame 0, key frame or not
  std::vector<FrameEntry> keys;  // in frame order

  uint64_t MicrosOf(uint32_t frame) const { return uint64_t(frame) * frameMicros; }
  // The key frame at or before frame, the first after it, the last before
  // it: an index into keys, or -1 when there is none.
  int KeyAtOrBefore(uint32_t frame) const;
  int KeyAfter(uint32_t frame) const;
  int KeyBefore(uint32_t frame) const;
  bool IsKey(uint32_t frame) const;
};

enum class FrameListProblem { None, NoVideo, NoIndex, NoVideoFrames, Cancelled };

// Why there is no list, in both languages (nullptr for None).
const TextPair* FrameListProblemText(FrameListProblem problem);

// Lists the key frames of source as analysed. keepGoing, when given, is
// asked every few thousand entries; false stops with Cancelled.
FrameListProblem ListKeyFrames(AviSource& source, const AviAnalysis& analysis, KeyFrameList* list,
                               const std::function<bool()>& keepGoing = {});

// Reads the frames of the first video stream in order from a key frame on.
class FrameCursor {
 public:
  // source and analysis must outlive the cursor.
  FrameCursor(AviSource& source, const AviAnalysis& analysis);
  // The next Next() gives from (a frame the list or this cursor gave).
  void Start(const FrameEntry& from);
  // The next frame (its fileOffset left 0: FindFrame fills it); false
  // after the last.
  bool Next(FrameEntry* out);

 private:
  AviSource& source_;
  const AviAnalysis& analysis_;
  IndexReader index_;
  uint32_t entry_ = 0;
  uint32_t frame_ = 0;
};

// The entry of any frame: read on from the key frame at or before it (or
// from the first frame when no key frame comes before it). False when frame
// is not below list.frames or the index ended early.
bool FindFrame(AviSource& source, const AviAnalysis& analysis, const KeyFrameList& list, uint32_t frame,
               FrameEntry* out);
