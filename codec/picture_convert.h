// A decoded frame of any pixel layout as an 8-bit RGB or grey picture,
// through swscale with the flags and colour details FFmpeg's own command
// line uses for the same conversion (bicubic; the frame's matrix and range),
// so both give the same pixels.
#pragma once
#include <cstdint>

#include "codec/picture.h"

struct AVFrame;
struct SwsContext;

class PictureConverter {
 public:
  PictureConverter() = default;
  ~PictureConverter();
  PictureConverter(const PictureConverter&) = delete;
  PictureConverter& operator=(const PictureConverter&) = delete;

  // frame as a picture of width x height, channels 3 (RGB) or 1 (grey);
  // false when swscale cannot convert its layout.
  bool Convert(const AVFrame& frame, uint32_t width, uint32_t height, uint32_t channels, Picture* picture);

 private:
  SwsContext* sws_ = nullptr;
};
