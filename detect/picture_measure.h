// What the break finder measures of one picture's luma: whether it is
// black (at least 98% of its pixels count as black), and a coarse picture
// of it (the mean luma of each cell of a grid, and a histogram) that
// neighbouring pictures are compared by.
#pragma once
#include <array>
#include <cstdint>

#include "codec/luma_stream.h"

constexpr int kGridColumns = 16;
constexpr int kGridRows = 12;
constexpr int kHistogramBins = 32;

// The share of a black picture's pixels that must count as black.
constexpr double kBlackShare = 0.98;

struct PictureMeasure {
  bool black = false;
  std::array<float, kGridColumns * kGridRows> grid{};  // mean luma of each cell, 0..255
  std::array<float, kHistogramBins> histogram{};       // shares of the pixels, summing to 1
};

// The darkest luma that still counts as black: 0.10 of the range the
// picture uses, as FFmpeg's blackdetect reads its pix_th (16 + 0.10 x 219 =
// 37 for video range, 0.10 x 255 = 25 for full range, such as MJPEG's).
int BlackLevel(bool fullRange);

// Black always; the grid and histogram when `coarse` (for scenes).
PictureMeasure MeasurePicture(const LumaPlane& luma, bool coarse);
