// Scene changes: a picture that differs strongly from the one before it (a
// cut). Two measures must both say so, so that neither fools it alone: the
// mean difference of the coarse grids (what moves where; a pan or a zoom
// moves little of it between neighbouring pictures) and the distance of
// the histograms (a new scene brings other tones; a moving object in the
// same scene hardly changes them). A fade changes both a little each
// picture and is no cut.
#pragma once
#include <cstdint>
#include <vector>

#include "detect/picture_measure.h"

// How strongly two neighbouring pictures differ, each 0..1.
struct PictureChange {
  double grid = 0;       // mean absolute difference of the cells' luma / 255
  double histogram = 0;  // half the L1 distance of the histograms
};

PictureChange Compare(const PictureMeasure& before, const PictureMeasure& after);

// Whether the change is a cut. The thresholds hold the tests' cuts between
// unlike and alike scenes (tests/cli/test_detect_cli.py) and miss their
// moving pictures, fades and noise by a factor of two or more.
bool IsCut(const PictureChange& change);

class SceneCutFinder {
 public:
  // The picture shown at frame (frames in order).
  void Add(uint32_t frame, const PictureMeasure& measure);
  const std::vector<uint32_t>& Cuts() const { return cuts_; }

 private:
  PictureMeasure last_;
  bool hasLast_ = false;
  std::vector<uint32_t> cuts_;
};
