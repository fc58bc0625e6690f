// Measuring a picture's luma (detect/picture_measure.h).
#include "detect/picture_measure.h"

#include <algorithm>

int BlackLevel(bool fullRange) { return fullRange ? 25 : 16 + 219 / 10; }

PictureMeasure MeasurePicture(const LumaPlane& luma) {
  PictureMeasure m;
  if (luma.width <= 0 || luma.height <= 0) return m;
  const int black = BlackLevel(luma.fullRange);
  std::array<uint64_t, kGridColumns * kGridRows> sums{};
  std::array<uint32_t, kGridColumns * kGridRows> counts{};
  std::array<uint32_t, 256> levels{};
  for (int y = 0; y < luma.height; ++y) {
    const uint8_t* row = luma.data + int64_t(y) * luma.stride;
    const int cellRow = y * kGridRows / luma.height;
    for (int x = 0; x < luma.width; ++x) {
      ++levels[row[x]];
      const int cell = cellRow * kGridColumns + x * kGridColumns / luma.width;
      sums[size_t(cell)] += row[x];
      ++counts[size_t(cell)];
    }
  }
  const double pixels = double(luma.width) * luma.height;
  uint64_t dark = 0;
  for (int v = 0; v <= black; ++v) dark += levels[size_t(v)];
  m.darkShare = double(dark) / pixels;
  for (size_t c = 0; c < sums.size(); ++c) m.grid[c] = counts[c] ? float(sums[c]) / float(counts[c]) : 0.0f;
  for (int v = 0; v < 256; ++v) m.histogram[size_t(v * kHistogramBins / 256)] += float(levels[size_t(v)] / pixels);
  return m;
}
