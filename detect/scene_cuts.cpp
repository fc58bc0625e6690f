// Finding cuts between pictures (detect/scene_cuts.h).
#include "detect/scene_cuts.h"

#include <cmath>

namespace {
constexpr double kCutGrid = 0.08;
constexpr double kCutHistogram = 0.15;
}  // namespace

PictureChange Compare(const PictureMeasure& before, const PictureMeasure& after) {
  PictureChange change;
  double grid = 0;
  for (size_t c = 0; c < before.grid.size(); ++c) grid += std::fabs(before.grid[c] - after.grid[c]);
  change.grid = grid / before.grid.size() / 255.0;
  double histogram = 0;
  for (size_t b = 0; b < before.histogram.size(); ++b) histogram += std::fabs(before.histogram[b] - after.histogram[b]);
  change.histogram = histogram / 2;
  return change;
}

bool IsCut(const PictureChange& change) { return change.grid >= kCutGrid && change.histogram >= kCutHistogram; }

void SceneCutFinder::Add(uint32_t frame, const PictureMeasure& measure) {
  if (hasLast_ && IsCut(Compare(last_, measure))) cuts_.push_back(frame);
  last_ = measure;
  hasLast_ = true;
}
