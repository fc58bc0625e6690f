// Marks of the frames of a stretch, and their join (detect/frame_marks.h).
#include "detect/frame_marks.h"

#include "detect/scene_cuts.h"

FrameMarks::FrameMarks(uint32_t first, uint32_t end, bool scenes)
    : first_(first), end_(end), scenes_(scenes), marks_(end > first ? end - first : 0, 0) {}

void FrameMarks::Take(uint32_t frame, const PictureMeasure& measure, bool black) {
  if (frame < first_ || frame >= end_ || int64_t(frame) <= lastShown_) {
    irregular_ = true;
    return;
  }
  uint8_t mark = kShown | (black ? kBlack : 0);
  if (scenes_) {
    if (firstShown_ < 0)
      firstMeasure_ = measure;
    else if (IsCut(Compare(lastMeasure_, measure)))
      mark |= kCut;
    lastMeasure_ = measure;
  }
  if (firstShown_ < 0) firstShown_ = frame;
  lastShown_ = frame;
  marks_[frame - first_] = mark;
}

void JoinMarks(const std::vector<const FrameMarks*>& stretches, RunFinder* black, std::vector<uint32_t>* cuts) {
  bool shownBefore = false;  // a picture came in an earlier frame
  bool lastBlack = false;
  const PictureMeasure* lastMeasure = nullptr;
  for (const FrameMarks* stretch : stretches) {
    const FrameMarks& s = *stretch;
    for (size_t i = 0; i < s.marks_.size(); ++i) {
      const uint32_t frame = s.first_ + uint32_t(i);
      const uint8_t mark = s.marks_[i];
      if (mark & FrameMarks::kShown) {
        lastBlack = (mark & FrameMarks::kBlack) != 0;
        const bool cut = int64_t(frame) == s.firstShown_
                             ? lastMeasure != nullptr && IsCut(Compare(*lastMeasure, s.firstMeasure_))
                             : (mark & FrameMarks::kCut) != 0;
        if (s.scenes_ && cut) cuts->push_back(frame);
        shownBefore = true;
      }
      // Frames before the first picture belong to no run.
      if (shownBefore) black->Add(frame, 1, lastBlack);
    }
    if (s.firstShown_ >= 0 && s.scenes_) lastMeasure = &s.lastMeasure_;
  }
}
