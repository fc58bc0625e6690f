// What the break finder measures of one picture's luma: the share of its
// pixels that count as black, and a coarse picture of it (the mean luma of
// each cell of a grid, and a histogram) that neighbouring pictures are
// compared by.
#pragma once
#include <array>
#include <cstdint>

#include "codec/luma_stream.h"

constexpr int kGridColumns = 16;
constexpr int kGridRows = 12;
constexpr int kHistogramBins = 32;

struct PictureMeasure {
  double darkShare = 0;  // 0..1
  std::array<float, kGridColumns * kGridRows> grid{};  // mean luma of each cell, 0..255
  std::array<float, kHistogramBins> histogram{};       // shares of the pixels, summing to 1
};

// The darkest luma that still counts as black: 0.10 of the range the
// picture uses, as FFmpeg's blackdetect reads its pix_th (16 + 0.10 x 219 =
// 37 for video range, 0.10 x 255 = 25 for full range, such as MJPEG's).
int BlackLevel(bool fullRange);

// The dark share always; the grid and histogram when `coarse` (for scenes).
PictureMeasure MeasurePicture(const LumaPlane& luma, bool coarse);
