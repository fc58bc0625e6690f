// Measuring a picture's luma (detect/picture_measure.h).
#include "detect/picture_measure.h"


int BlackLevel(bool fullRange) { return fullRange ? 25 : 16 + 219 / 10; }

namespace {

// Whether at least blackShare of the pixels are at or below the black
// level. Row by row (a loop the compiler vectorises), stopping as soon as
// the pixels above it are too many: most pictures are not black, and tell
// so in their first rows.
bool IsDark(const LumaPlane& luma, int black, double blackShare) {
  const double total = double(luma.width) * luma.height;
  uint64_t bright = 0;
  for (int y = 0; y < luma.height; ++y) {
    const uint8_t* row = luma.data + int64_t(y) * luma.stride;
    uint32_t inRow = 0;
    for (int x = 0; x < luma.width; ++x) inRow += row[x] > black ? 1u : 0u;
    bright += inRow;
    if ((total - double(bright)) / total < blackShare) return false;
  }
  return true;
}

// The mean luma of each cell, summed span by span.
void FillGrid(const LumaPlane& luma, PictureMeasure* m) {
  std::array<uint64_t, kGridColumns * kGridRows> sums{};
  std::array<uint32_t, kGridColumns * kGridRows> counts{};
  int bounds[kGridColumns + 1];
  for (int c = 0; c <= kGridColumns; ++c) bounds[c] = c * luma.width / kGridColumns;
  for (int y = 0; y < luma.height; ++y) {
    const uint8_t* row = luma.data + int64_t(y) * luma.stride;
    const int cellRow = y * kGridRows / luma.height;
    for (int c = 0; c < kGridColumns; ++c) {
      uint32_t sum = 0;
      for (int x = bounds[c]; x < bounds[c + 1]; ++x) sum += row[x];
      const size_t cell = size_t(cellRow * kGridColumns + c);
      sums[cell] += sum;
      counts[cell] += uint32_t(bounds[c + 1] - bounds[c]);
    }
  }
  for (size_t c = 0; c < sums.size(); ++c) m->grid[c] = counts[c] ? float(sums[c]) / float(counts[c]) : 0.0f;
}

// The histogram of every other pixel of every other row: as good for
// comparing tones, at a quarter of the work.
void FillHistogram(const LumaPlane& luma, PictureMeasure* m) {
  std::array<uint32_t, kHistogramBins> bins{};
  uint32_t counted = 0;
  for (int y = 0; y < luma.height; y += 2) {
    const uint8_t* row = luma.data + int64_t(y) * luma.stride;
    for (int x = 0; x < luma.width; x += 2) ++bins[size_t(row[x] * kHistogramBins / 256)];
    counted += uint32_t((luma.width + 1) / 2);
  }
  for (size_t b = 0; b < bins.size(); ++b) m->histogram[b] = counted ? float(bins[b]) / float(counted) : 0.0f;
}

}  // namespace

PictureMeasure MeasurePicture(const LumaPlane& luma, bool coarse) {
  PictureMeasure m;
  if (luma.width <= 0 || luma.height <= 0) return m;
  m.black = IsDark(luma, BlackLevel(luma.fullRange), kBlackShare);
  if (coarse) {
    FillGrid(luma, &m);
    FillHistogram(luma, &m);
  }
  return m;
}
