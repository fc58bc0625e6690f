// The preview's choice of decoder: Video for Windows first (what AVI users
// have installed for their codecs), then Media Foundation, then the
// uncompressed layouts drawn directly.
#include "ui/frame_decoder.h"

std::unique_ptr<FrameDecoder> OpenFrameDecoder(const VideoFormat& format, uint32_t frameMicros) {
  if (std::unique_ptr<FrameDecoder> vfw = OpenVfwDecoder(format)) return vfw;
  if (std::unique_ptr<FrameDecoder> mf = OpenMediaFoundationDecoder(format, frameMicros)) return mf;
  return OpenUncompressedDecoder(format);
}
