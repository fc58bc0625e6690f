// swscale's conversion of a decoded frame (codec/picture_convert.h).
#include "codec/picture_convert.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

PictureConverter::~PictureConverter() { sws_freeContext(sws_); }

bool PictureConverter::Convert(const AVFrame& frame, uint32_t width, uint32_t height, uint32_t channels,
                               Picture* picture) {
  const AVPixelFormat to = channels == 1 ? AV_PIX_FMT_GRAY8 : AV_PIX_FMT_RGB24;
  const AVPixelFormat from = AVPixelFormat(frame.format);
  sws_ = sws_getCachedContext(sws_, frame.width, frame.height, from, int(width), int(height), to, SWS_BICUBIC,
                              nullptr, nullptr, nullptr);
  if (sws_ == nullptr) return false;
  // As FFmpeg's scale filter does: the matrix the frame names (BT.601 when
  // it names none) and its range; JPEG-range layouts (yuvj*) say full
  // range themselves.
  const int fullRange = frame.color_range == AVCOL_RANGE_JPEG ? 1 : 0;
  if (frame.colorspace != AVCOL_SPC_UNSPECIFIED || fullRange) {
    int* invTable = nullptr;
    int* table = nullptr;
    int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
    if (sws_getColorspaceDetails(sws_, &invTable, &srcRange, &table, &dstRange, &brightness, &contrast,
                                 &saturation) >= 0)
      sws_setColorspaceDetails(sws_, sws_getCoefficients(frame.colorspace), srcRange || fullRange, table, dstRange,
                               brightness, contrast, saturation);
  }
  picture->width = width;
  picture->height = height;
  picture->channels = channels;
  picture->pixels.assign(size_t(picture->RowBytes()) * height, 0);
  uint8_t* planes[4] = {picture->pixels.data(), nullptr, nullptr, nullptr};
  int strides[4] = {int(picture->RowBytes()), 0, 0, 0};
  return sws_scale(sws_, frame.data, frame.linesize, 0, frame.height, planes, strides) == int(height);
}
