// The first video stream's format as a decoder needs it: strh/strf fields
// and the bytes of strf after its BITMAPINFOHEADER (the codec's own setup:
// an MPEG-4 VOL header, H.264's avcC, HuffYUV's tables, a palette).
#pragma once
#include <cstdint>
#include <vector>

#include "avi/avi_analysis.h"
#include "avi/stream_format.h"

class ByteInput;

struct VideoFormat {
  StreamFormat stream;
  std::vector<uint8_t> extradata;
};

// False when the file has no video stream or its strf is no BITMAPINFOHEADER.
bool ReadVideoFormat(const AviAnalysis& analysis, ByteInput& input, VideoFormat* format);
