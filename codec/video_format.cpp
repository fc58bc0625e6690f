// Reading the video stream's format (codec/video_format.h).
#include "codec/video_format.h"

#include "avi/byte_input.h"
#include "avi/fourcc.h"

namespace {
// More than any codec's setup takes; a larger size is a damaged header.
constexpr uint32_t kMaxExtradata = 1u << 20;
constexpr uint32_t kBitmapInfoHeader = 40;
}  // namespace

bool ReadVideoFormat(const AviAnalysis& analysis, ByteInput& input, VideoFormat* format) {
  const int n = analysis.firstVideoStream;
  if (n < 0 || uint32_t(n) >= analysis.streamCount) return false;
  // dwLength lies 40 bytes after the strh chunk's header.
  const uint64_t lengthAt = analysis.streams[n].lengthOffset;
  if (lengthAt < 40) return false;
  const uint64_t strh = lengthAt - 40;
  format->stream = ReadStreamFormat(input, strh);
  if (!format->stream.hasFormat || format->stream.fccType != kVids) return false;
  const uint32_t strhSize = input.U32At(strh + 4);
  const uint64_t strf = strh + 8 + strhSize + (strhSize & 1);
  const uint32_t strfSize = input.U32At(strf + 4);
  if (strfSize < kBitmapInfoHeader) return false;
  const uint32_t extra = strfSize - kBitmapInfoHeader;
  format->extradata.clear();
  if (extra > 0 && extra <= kMaxExtradata) {
    format->extradata.resize(extra);
    if (input.ReadBulk(strf + 8 + kBitmapInfoHeader, format->extradata.data(), extra) != extra)
      format->extradata.clear();
  }
  return true;
}
