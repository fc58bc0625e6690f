// A decoded picture as the program hands it on: 8-bit samples, rows top
// first without padding, RGB (3 bytes a pixel) or grey (1 byte).
#pragma once
#include <cstdint>
#include <vector>

struct Picture {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t channels = 3;  // 3: RGB, 1: grey
  std::vector<uint8_t> pixels;

  uint64_t RowBytes() const { return uint64_t(width) * channels; }
};
