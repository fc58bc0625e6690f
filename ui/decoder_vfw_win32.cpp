// The Video for Windows decoders the system has installed (Xvid, x264vfw,
// ffdshow, Lagarith, HuffYUV, Cinepak, Microsoft Video 1...), found with
// ICLocate by the stream's handler, then by its compression.
//
// The output asked for is a plain bottom-up RGB bitmap, first in the depth
// of the input (a decoder is most exact in its own depth: Wine's Microsoft
// Video 1 decoder swaps red and blue when asked for 24 bits from its 16-bit
// frames), then 32, 24 and 16 bits. Delta frames update the previous
// picture in place, so the output buffer lives as long as the decoder and a
// run feeds every frame from its key frame on.
#include <windows.h>

#include <vfw.h>

#include <cstring>

#include "ui/frame_decoder.h"

namespace {

size_t Stride(int width, int bits) { return (size_t(width) * size_t(bits) + 31) / 32 * 4; }

std::string Utf8(const wchar_t* text) {
  char out[512] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out - 1, nullptr, nullptr);
  return out;
}

// An output bitmap header with room for a palette.
struct OutputFormat {
  BITMAPINFOHEADER header;
  RGBQUAD palette[256];
};

class VfwDecoder : public FrameDecoder {
 public:
  VfwDecoder(HIC hic, const VideoFormat& format, const OutputFormat& output)
      : hic_(hic), input_(format.strf), output_(output) {
    buffer_.assign(output_.header.biSizeImage, 0);
    ICINFO info = {};
    info.dwSize = sizeof info;
    if (ICGetInfo(hic_, &info, sizeof info)) name_ = Utf8(info.szDescription[0] ? info.szDescription : info.szName);
    if (name_.empty()) name_ = "?";
  }
  ~VfwDecoder() override {
    ICDecompressEnd(hic_);
    ICClose(hic_);
  }
  std::string Name() const override { return "Video for Windows: " + name_; }
  void Restart() override { fed_ = false; }
  bool Feed(const uint8_t* data, size_t size, bool key, uint32_t) override {
    if (size == 0) return true;  // a repeated frame: the picture stays
    BITMAPINFOHEADER* in = reinterpret_cast<BITMAPINFOHEADER*>(input_.data());
    in->biSizeImage = DWORD(size);
    const DWORD result = ICDecompress(hic_, key ? 0 : ICDECOMPRESS_NOTKEYFRAME, in, const_cast<uint8_t*>(data),
                                      &output_.header, buffer_.data());
    if (LONG(result) < 0) return false;
    fed_ = true;
    return true;
  }
  bool Finish(uint32_t, Picture* out, bool) override {
    if (!fed_) return false;
    return ConvertDib(reinterpret_cast<const uint8_t*>(&output_), sizeof output_, buffer_.data(), buffer_.size(),
                      out);
  }
  bool Continues() const override { return true; }

 private:
  HIC hic_;
  std::vector<uint8_t> input_;
  OutputFormat output_;
  std::vector<uint8_t> buffer_;
  std::string name_;
  bool fed_ = false;
};

OutputFormat RgbOutput(const BITMAPINFOHEADER& in, const VideoFormat& format, int bits) {
  OutputFormat out;
  std::memset(&out, 0, sizeof out);
  out.header.biSize = sizeof out.header;
  out.header.biWidth = in.biWidth;
  out.header.biHeight = in.biHeight < 0 ? -in.biHeight : in.biHeight;
  out.header.biPlanes = 1;
  out.header.biBitCount = WORD(bits);
  out.header.biCompression = BI_RGB;
  out.header.biSizeImage = DWORD(Stride(in.biWidth, bits) * size_t(out.header.biHeight));
  if (bits == 8) {
    // The stream's own palette, which follows its header.
    const size_t count = in.biClrUsed && in.biClrUsed <= 256 ? in.biClrUsed : 256;
    const size_t available = format.strf.size() > in.biSize ? (format.strf.size() - in.biSize) / 4 : 0;
    const size_t copied = count < available ? count : available;
    std::memcpy(out.palette, format.strf.data() + in.biSize, copied * 4);
    out.header.biClrUsed = DWORD(copied);
  }
  return out;
}

}  // namespace

std::unique_ptr<FrameDecoder> OpenVfwDecoder(const VideoFormat& format) {
  if (format.strf.size() < sizeof(BITMAPINFOHEADER)) return nullptr;
  std::vector<uint8_t> strf = format.strf;
  BITMAPINFOHEADER* in = reinterpret_cast<BITMAPINFOHEADER*>(strf.data());
  if (in->biSize < sizeof(BITMAPINFOHEADER) || in->biSize > strf.size()) in->biSize = sizeof(BITMAPINFOHEADER);
  if (in->biWidth <= 0 || in->biHeight == 0 || in->biCompression == BI_RGB || in->biCompression == BI_BITFIELDS)
    return nullptr;  // drawn directly

  const int native = in->biBitCount == 8 || in->biBitCount == 16 || in->biBitCount == 24 || in->biBitCount == 32
                         ? in->biBitCount
                         : 32;
  const int depths[] = {native, 32, 24, 16};
  const DWORD handlers[] = {format.stream.handler, in->biCompression};
  for (DWORD handler : handlers) {
    if (handler == 0) continue;
    for (int bits : depths) {
      OutputFormat out = RgbOutput(*in, format, bits);
      HIC hic = ICLocate(ICTYPE_VIDEO, handler, in, &out.header, ICMODE_DECOMPRESS);
      if (!hic) continue;
      if (ICDecompressQuery(hic, in, &out.header) == ICERR_OK && ICDecompressBegin(hic, in, &out.header) == ICERR_OK) {
        VideoFormat own = format;
        own.strf = strf;
        return std::unique_ptr<FrameDecoder>(new VfwDecoder(hic, own, out));
      }
      ICClose(hic);
    }
  }
  return nullptr;
}
