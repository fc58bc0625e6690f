// What the pictures of a stretch of frames showed, one byte a frame, so
// that stretches decoded apart (one thread each) join into exactly what
// one pass over the whole stream finds: black runs that go on across a
// stretch's end and a cut at a stretch's first picture (compared with the
// last picture of the stretch before, whose coarse measure each stretch
// keeps).
#pragma once
#include <cstdint>
#include <vector>

#include "detect/picture_measure.h"
#include "detect/runs.h"

class FrameMarks {
 public:
  // Frames first .. end - 1; the scene measure when `scenes`.
  FrameMarks(uint32_t first, uint32_t end, bool scenes);

  // The picture shown at frame (rising frames within the stretch).
  void Take(uint32_t frame, const PictureMeasure& measure, bool black);
  // A picture out of order or outside the stretch came: the stretch cannot
  // stand for its frames.
  bool Irregular() const { return irregular_; }

  uint32_t First() const { return first_; }
  uint32_t End() const { return end_; }

 private:
  friend void JoinMarks(const std::vector<const FrameMarks*>&, RunFinder*, std::vector<uint32_t>*);
  enum : uint8_t { kShown = 1, kBlack = 2, kCut = 4 };

  uint32_t first_;
  uint32_t end_;
  bool scenes_;
  std::vector<uint8_t> marks_;  // frame first_ + i: kShown, kBlack, kCut
  int64_t firstShown_ = -1;     // the frame of the stretch's first picture
  int64_t lastShown_ = -1;      // and of its latest
  PictureMeasure firstMeasure_;
  PictureMeasure lastMeasure_;
  bool irregular_ = false;
};

// The stretches in order (each starting where the one before ends): the
// black runs go to black (still open at the end: the caller finishes it)
// and the cuts to cuts. Frames without a picture of their own (dropped)
// show the picture before, as do the frames after the last picture.
void JoinMarks(const std::vector<const FrameMarks*>& stretches, RunFinder* black, std::vector<uint32_t>* cuts);
