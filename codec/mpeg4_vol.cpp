// Reading the MPEG-4 Visual VOL header (codec/mpeg4_vol.h), field by field
// as the video_object_layer syntax orders them, up to quarter_sample.
#include "codec/mpeg4_vol.h"

namespace {

class Bits {
 public:
  Bits(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint32_t Get(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
      const size_t byte = pos_ >> 3;
      const uint32_t bit = byte < size_ ? (data_[byte] >> (7 - (pos_ & 7))) & 1 : 0;
      if (byte >= size_) over_ = true;
      v = v << 1 | bit;
      ++pos_;
    }
    return v;
  }
  bool Over() const { return over_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  bool over_ = false;
};

const uint8_t kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                             12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                             35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                             58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// A loaded matrix: up to 64 values in zigzag order, a 0 ending it early
// (the last value then fills the rest).
void ReadMatrix(Bits& b, uint16_t* raster) {
  uint16_t last = 0;
  int i = 0;
  for (; i < 64; ++i) {
    const uint16_t v = uint16_t(b.Get(8));
    if (v == 0) break;
    raster[kZigzag[i]] = last = v;
  }
  for (; i < 64; ++i) raster[kZigzag[i]] = last;
}

int BitsFor(uint32_t resolution) {
  int n = 1;
  while ((1u << n) < resolution) ++n;
  return n;
}

// Where the next start code (00 00 01) begins at or after `from`; size if none.
size_t NextStart(const uint8_t* d, size_t size, size_t from) {
  for (size_t i = from; i + 3 <= size; ++i)
    if (d[i] == 0 && d[i + 1] == 0 && d[i + 2] == 1) return i;
  return size;
}

void ReadVolFields(Bits& b, Mpeg4Vol& v) {
  b.Get(1);  // random_accessible_vol
  b.Get(8);  // video_object_type_indication
  if (b.Get(1)) {
    v.verid = int(b.Get(4));
    b.Get(3);
  }
  v.aspect = int(b.Get(4));
  if (v.aspect == 15) v.parWidth = int(b.Get(8)), v.parHeight = int(b.Get(8));
  if (b.Get(1)) {  // vol_control_parameters
    b.Get(2);
    v.lowDelay = b.Get(1) != 0;
    if (b.Get(1)) b.Get(15), b.Get(1), b.Get(15), b.Get(1), b.Get(15), b.Get(1), b.Get(3), b.Get(11), b.Get(1),
        b.Get(15), b.Get(1);
  }
  v.shape = int(b.Get(2));
  if (v.shape != 0) return void(v.unreadable = "a video object layer shape other than rectangular");
  b.Get(1);
  v.timeResolution = b.Get(16);
  b.Get(1);
  v.fixedRate = b.Get(1) != 0;
  if (v.fixedRate) v.fixedIncrement = b.Get(BitsFor(v.timeResolution));
  b.Get(1);
  v.width = int(b.Get(13));
  b.Get(1);
  v.height = int(b.Get(13));
  b.Get(1);
  v.interlaced = b.Get(1) != 0;
  b.Get(1);  // obmc_disable
  v.sprite = int(b.Get(v.verid == 1 ? 1 : 2));
  if (v.sprite) return void(v.unreadable = v.sprite == 2 ? "global motion compensation" : "static sprites");
  v.not8Bit = b.Get(1) != 0;
  if (v.not8Bit) return void(v.unreadable = "samples of other than 8 bits");
  v.mpegQuant = b.Get(1) != 0;
  if (v.mpegQuant) {
    if ((v.intraMatrix = b.Get(1) != 0)) ReadMatrix(b, v.intra);
    if ((v.interMatrix = b.Get(1) != 0)) ReadMatrix(b, v.inter);
  }
  if (v.verid != 1) v.quarterPel = b.Get(1) != 0;
}

}  // namespace

Mpeg4Vol ReadMpeg4Vol(const uint8_t* data, size_t size) {
  Mpeg4Vol v;
  for (size_t at = NextStart(data, size, 0); at + 4 <= size; at = NextStart(data, size, at + 3)) {
    if ((data[at + 3] & 0xF0) != 0x20) continue;
    const size_t end = NextStart(data, size, at + 4);
    Bits b(data + at + 4, end - at - 4);
    v.found = true;
    ReadVolFields(b, v);
    if (b.Over() && v.unreadable.empty()) v.unreadable = "a VOL header cut short";
    return v;
  }
  return v;
}

std::vector<uint8_t> Mpeg4UserData(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out;
  for (size_t at = NextStart(data, size, 0); at + 4 <= size; at = NextStart(data, size, at + 3)) {
    if (data[at + 3] == 0xB6) break;
    if (data[at + 3] != 0xB2) continue;
    const size_t end = NextStart(data, size, at + 4);
    out.insert(out.end(), data + at, data + end);
  }
  return out;
}

bool HasBVop(const uint8_t* data, size_t size) {
  for (size_t at = NextStart(data, size, 0); at + 5 <= size; at = NextStart(data, size, at + 3))
    if (data[at + 3] == 0xB6 && (data[at + 4] >> 6) == 2) return true;
  return false;
}

VopKind FirstVopKind(const uint8_t* data, size_t size, uint32_t timeResolution) {
  for (size_t at = NextStart(data, size, 0); at + 4 < size; at = NextStart(data, size, at + 3)) {
    if (data[at + 3] != 0xB6) continue;
    Bits b(data + at + 4, size - at - 4);
    const uint32_t type = b.Get(2);
    while (b.Get(1) && !b.Over()) {  // modulo_time_base
    }
    b.Get(1);
    b.Get(BitsFor(timeResolution));  // vop_time_increment
    b.Get(1);
    const bool coded = b.Get(1) != 0;
    if (b.Over()) return VopKind::None;
    if (!coded) return VopKind::NotCoded;
    return type == 2 ? VopKind::B : VopKind::Picture;
  }
  return VopKind::None;
}

size_t SecondVopAt(const uint8_t* data, size_t size) {
  int vops = 0;
  for (size_t at = NextStart(data, size, 0); at + 4 <= size; at = NextStart(data, size, at + 3))
    if (data[at + 3] == 0xB6 && ++vops == 2) return at;
  return size;
}

int Mpeg4VopQuant(const Mpeg4Vol& vol, const uint8_t* data, size_t size) {
  if (vol.shape != 0 || vol.not8Bit) return 0;
  size_t at = NextStart(data, size, 0);
  while (at + 4 <= size && data[at + 3] != 0xB6) at = NextStart(data, size, at + 3);
  if (at + 4 > size) return 0;
  Bits b(data + at + 4, size - at - 4);
  const uint32_t type = b.Get(2);  // I, P, B, S
  while (b.Get(1) && !b.Over()) {  // modulo_time_base
  }
  b.Get(1);
  b.Get(BitsFor(vol.timeResolution));
  b.Get(1);
  if (!b.Get(1)) return 0;  // vop_coded
  if (type == 1 || (type == 3 && vol.sprite == 2)) b.Get(1);  // vop_rounding_type
  b.Get(3);                                                    // intra_dc_vlc_thr
  if (vol.interlaced) b.Get(2);  // top_field_first, alternate_vertical_scan_flag
  if (type == 3 && vol.sprite != 0) return 0;  // sprite trajectories come first
  const int quant = int(b.Get(5));
  return b.Over() ? 0 : quant;
}

void Mpeg4PixelAspect(const Mpeg4Vol& vol, int* num, int* den) {
  static const int kAspects[6][2] = {{0, 1}, {1, 1}, {12, 11}, {10, 11}, {16, 11}, {40, 33}};
  if (vol.aspect == 15 && vol.parWidth && vol.parHeight) *num = vol.parWidth, *den = vol.parHeight;
  else if (vol.aspect >= 1 && vol.aspect <= 5) *num = kAspects[vol.aspect][0], *den = kAspects[vol.aspect][1];
  else *num = 0, *den = 1;
}
