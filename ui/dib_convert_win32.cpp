// Frames laid out as device-independent bitmaps, and the common YUV
// layouts, converted into the picture the preview draws; and the decoder of
// uncompressed streams, which is only that conversion.
//
// RGB rows are padded to four bytes and run bottom up unless biHeight is
// negative (ffmpeg writes top-down BGR24 with a negative height; Video for
// Windows itself draws those wrongly, so the preview draws them here). YUV
// rows are packed without padding and run top down; their colours are
// converted as ITU-R BT.601 with video levels (16..235), as SD recordings
// and ffmpeg's raw YUV use them.
#include <windows.h>

#include <cstring>

#include "avi/fourcc.h"
#include "ui/frame_decoder.h"

namespace {

// No picture larger than this is drawn (a header may claim anything).
constexpr int kMaxSide = 8192;
constexpr uint64_t kMaxPixels = uint64_t(3840) * 2160 * 2;

uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

constexpr uint32_t Code(const char (&s)[5]) { return FourCC(s[0], s[1], s[2], s[3]); }

enum class Layout { Unknown, Rgb, Bitfields, Yuyv, Uyvy, Yvyu, Yv12, I420, Nv12, Nv21, Grey };

struct Header {
  uint32_t size = 0;
  int32_t width = 0, height = 0;
  uint16_t bitCount = 0;
  uint32_t compression = 0;
  uint32_t colours = 0;  // biClrUsed
};

bool ReadHeader(const uint8_t* bytes, size_t count, Header* h) {
  if (count < 40) return false;
  h->size = U32(bytes);
  h->width = int32_t(U32(bytes + 4));
  h->height = int32_t(U32(bytes + 8));
  h->bitCount = U16(bytes + 14);
  h->compression = U32(bytes + 16);
  h->colours = U32(bytes + 32);
  if (h->size < 40 || h->size > count) h->size = 40;
  const int64_t rows = h->height < 0 ? -int64_t(h->height) : h->height;
  return h->width > 0 && h->width <= kMaxSide && rows > 0 && rows <= kMaxSide &&
         uint64_t(h->width) * uint64_t(rows) <= kMaxPixels;
}

Layout LayoutOf(const Header& h) {
  switch (h.compression) {
    case BI_RGB: return h.bitCount == 8 || h.bitCount == 16 || h.bitCount == 24 || h.bitCount == 32 ? Layout::Rgb : Layout::Unknown;
    case BI_BITFIELDS: return h.bitCount == 16 || h.bitCount == 32 ? Layout::Bitfields : Layout::Unknown;
    default: break;
  }
  const uint32_t c = h.compression;
  if (c == Code("YUY2") || c == Code("YUYV") || c == Code("YUNV") || c == Code("V422")) return Layout::Yuyv;
  if (c == Code("UYVY") || c == Code("Y422") || c == Code("UYNV") || c == Code("HDYC") || c == Code("2vuy"))
    return Layout::Uyvy;
  if (c == Code("YVYU")) return Layout::Yvyu;
  if (c == Code("YV12")) return Layout::Yv12;
  if (c == Code("I420") || c == Code("IYUV")) return Layout::I420;
  if (c == Code("NV12")) return Layout::Nv12;
  if (c == Code("NV21")) return Layout::Nv21;
  if (c == Code("Y800") || c == Code("Y8  ") || c == Code("GREY")) return Layout::Grey;
  return Layout::Unknown;
}

uint8_t Clip(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

uint32_t FromYuv(int y, int u, int v) {
  const int c = 298 * (y - 16), d = u - 128, e = v - 128;
  const uint8_t r = Clip((c + 409 * e + 128) >> 8);
  const uint8_t g = Clip((c - 100 * d - 208 * e + 128) >> 8);
  const uint8_t b = Clip((c + 516 * d + 128) >> 8);
  return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

// A colour mask's shift and width, to scale its field to 8 bits.
struct Mask {
  uint32_t mask = 0;
  int shift = 0, bits = 0;
  explicit Mask(uint32_t m) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1)) ++shift;
    while (bits < 32 - shift && ((m >> (shift + bits)) & 1)) ++bits;
  }
  uint32_t Get(uint32_t pixel) const {
    if (!bits) return 0;
    const uint32_t v = (pixel & mask) >> shift;
    return bits >= 8 ? v >> (bits - 8) : (v * 255 + ((1u << bits) - 1) / 2) / ((1u << bits) - 1);
  }
};

bool ConvertRgb(const Header& h, const uint8_t* header, size_t headerBytes, const uint8_t* bits, size_t size,
                bool bitfields, Picture* out) {
  const int w = h.width, rows = h.height < 0 ? -h.height : h.height;
  const size_t stride = (size_t(w) * h.bitCount + 31) / 32 * 4;
  if (size < stride * size_t(rows)) return false;
  uint32_t palette[256] = {};
  uint32_t red = 0x7C00, green = 0x03E0, blue = 0x001F;  // 16-bit BI_RGB is 5-5-5
  if (h.bitCount == 32) red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF;
  if (bitfields) {
    // Masks follow a 40-byte header, or lie inside a V4/V5 header.
    const size_t at = h.size >= 52 ? 40 : h.size;
    if (headerBytes < at + 12) return false;
    red = U32(header + at), green = U32(header + at + 4), blue = U32(header + at + 8);
  }
  if (h.bitCount == 8) {
    const size_t count = h.colours && h.colours <= 256 ? h.colours : 256;
    for (size_t i = 0; i < count && h.size + 4 * i + 4 <= headerBytes; ++i)
      palette[i] = U32(header + h.size + 4 * i) & 0xFFFFFF;
  }
  const Mask r(red), g(green), b(blue);
  out->Resize(w, rows);
  for (int y = 0; y < rows; ++y) {
    const uint8_t* row = bits + stride * size_t(h.height < 0 ? y : rows - 1 - y);
    uint32_t* to = &out->pixels[size_t(y) * w];
    for (int x = 0; x < w; ++x) {
      switch (h.bitCount) {
        case 8: to[x] = palette[row[x]]; break;
        case 24: to[x] = uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x]; break;
        default: {
          const uint32_t p = h.bitCount == 16 ? U16(row + 2 * x) : U32(row + 4 * x);
          to[x] = r.Get(p) << 16 | g.Get(p) << 8 | b.Get(p);
        }
      }
    }
  }
  return true;
}

// Packed 4:2:2: two pixels in four bytes; y0, y1, u and v are their places.
bool ConvertPacked(const Header& h, const uint8_t* bits, size_t size, int y0, int y1, int u, int v, Picture* out) {
  const int w = h.width, rows = h.height < 0 ? -h.height : h.height;
  const size_t stride = size_t((w + 1) / 2) * 4;
  if (size < stride * size_t(rows)) return false;
  out->Resize(w, rows);
  for (int y = 0; y < rows; ++y) {
    const uint8_t* row = bits + stride * size_t(y);
    uint32_t* to = &out->pixels[size_t(y) * w];
    for (int x = 0; x < w; ++x) {
      const uint8_t* pair = row + size_t(x / 2) * 4;
      to[x] = FromYuv(pair[x % 2 ? y1 : y0], pair[u], pair[v]);
    }
  }
  return true;
}

// Planar 4:2:0 (uFirst: I420, else YV12) or with interleaved chroma (NV12, NV21).
bool ConvertPlanar(const Header& h, Layout layout, const uint8_t* bits, size_t size, Picture* out) {
  const int w = h.width, rows = h.height < 0 ? -h.height : h.height;
  const size_t cw = size_t(w + 1) / 2, ch = size_t(rows + 1) / 2;
  const size_t luma = size_t(w) * size_t(rows);
  const bool interleaved = layout == Layout::Nv12 || layout == Layout::Nv21;
  if (size < luma + (interleaved ? 2 * cw * ch : 2 * cw * ch)) return false;
  const uint8_t* chroma = bits + luma;
  out->Resize(w, rows);
  for (int y = 0; y < rows; ++y) {
    uint32_t* to = &out->pixels[size_t(y) * w];
    for (int x = 0; x < w; ++x) {
      const size_t c = size_t(y / 2) * cw + size_t(x / 2);
      int u, v;
      if (interleaved) {
        u = chroma[2 * c + (layout == Layout::Nv21)];
        v = chroma[2 * c + (layout == Layout::Nv12)];
      } else {
        const uint8_t* first = chroma;
        const uint8_t* second = chroma + cw * ch;
        u = layout == Layout::I420 ? first[c] : second[c];
        v = layout == Layout::I420 ? second[c] : first[c];
      }
      to[x] = FromYuv(bits[size_t(y) * w + x], u, v);
    }
  }
  return true;
}

bool ConvertGrey(const Header& h, const uint8_t* bits, size_t size, Picture* out) {
  const int w = h.width, rows = h.height < 0 ? -h.height : h.height;
  if (size < size_t(w) * size_t(rows)) return false;
  out->Resize(w, rows);
  for (size_t i = 0; i < out->pixels.size(); ++i) out->pixels[i] = FromYuv(bits[i], 128, 128);
  return true;
}

class UncompressedDecoder : public FrameDecoder {
 public:
  explicit UncompressedDecoder(const VideoFormat& format) : header_(format.strf) {}
  std::string Name() const override { return "uncompressed"; }
  void Restart() override { shown_ = false; }
  bool Feed(const uint8_t* data, size_t size, bool, uint32_t) override {
    if (size == 0) return true;  // a repeated frame: the picture stays
    shown_ = ConvertDib(header_.data(), header_.size(), data, size, &picture_);
    return shown_;
  }
  bool Finish(uint32_t, Picture* out, bool) override {
    if (!shown_) return false;
    *out = picture_;
    return true;
  }
  bool Continues() const override { return true; }

 private:
  std::vector<uint8_t> header_;
  Picture picture_;
  bool shown_ = false;
};

}  // namespace

bool ConvertibleDib(const uint8_t* header, size_t headerBytes) {
  Header h;
  return ReadHeader(header, headerBytes, &h) && LayoutOf(h) != Layout::Unknown;
}

bool ConvertDib(const uint8_t* header, size_t headerBytes, const uint8_t* bits, size_t size, Picture* out) {
  Header h;
  if (!ReadHeader(header, headerBytes, &h)) return false;
  switch (LayoutOf(h)) {
    case Layout::Rgb: return ConvertRgb(h, header, headerBytes, bits, size, false, out);
    case Layout::Bitfields: return ConvertRgb(h, header, headerBytes, bits, size, true, out);
    case Layout::Yuyv: return ConvertPacked(h, bits, size, 0, 2, 1, 3, out);
    case Layout::Uyvy: return ConvertPacked(h, bits, size, 1, 3, 0, 2, out);
    case Layout::Yvyu: return ConvertPacked(h, bits, size, 0, 2, 3, 1, out);
    case Layout::Yv12:
    case Layout::I420:
    case Layout::Nv12:
    case Layout::Nv21: return ConvertPlanar(h, LayoutOf(h), bits, size, out);
    case Layout::Grey: return ConvertGrey(h, bits, size, out);
    case Layout::Unknown: break;
  }
  return false;
}

std::unique_ptr<FrameDecoder> OpenUncompressedDecoder(const VideoFormat& format) {
  if (!ConvertibleDib(format.strf.data(), format.strf.size())) return nullptr;
  return std::unique_ptr<FrameDecoder>(new UncompressedDecoder(format));
}
