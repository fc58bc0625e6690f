#include "scan/key_frames.h"

#include <cctype>
#include <cstring>
#include <initializer_list>

#include "avi/fourcc.h"

namespace {

// Upper-cased code, so that "xvid" and "XVID" compare alike.
uint32_t Upper(uint32_t code) {
  uint32_t out = 0;
  for (int i = 0; i < 4; ++i) {
    const uint8_t b = uint8_t(code >> (8 * i));
    out |= uint32_t(std::toupper(b)) << (8 * i);
  }
  return out;
}

constexpr uint32_t C(const char (&s)[5]) { return FourCC(s[0], s[1], s[2], s[3]); }

bool In(uint32_t code, std::initializer_list<uint32_t> list) {
  for (uint32_t c : list)
    if (c == code) return true;
  return false;
}

KeyRule RuleOfCode(uint32_t raw) {
  const uint32_t code = Upper(raw);
  if (In(code, {C("FMP4"), C("XVID"), C("DIVX"), C("DX50"), C("MP4V"), C("M4S2"), C("MP4S"), C("3IV2"),
                C("XVIX"), C("BLZ0"), C("DXGM"), C("RMP4"), C("SEDG"), C("WV1F"), C("DM4V"), C("UMP4"),
                C("SMP4"), C("GEOV"), C("FVFW"), C("DIGI"), C("EM4A"), C("EPHV"), C("M4CC"), C("SN40"),
                C("HDX4"), C("DMK2"), C("DREX"), C("QMP4"), C("PLV1"), C("GLV4"), C("GMP4"), C("MNM4"),
                C("GTM4"), C("FFDS"), C("FVFW")}))
    return KeyRule::Mpeg4Vop;
  if (In(code, {C("H264"), C("X264"), C("AVC1"), C("DAVC"), C("VSSH"), C("SMV2"), C("AVCB"), C("AI55"),
                C("AI5Q"), C("AI15"), C("AI1Q"), C("AI12"), C("Q264"), C("V264"), C("GAVC"), C("UMSV"),
                C("TSHD"), C("INMC")}))
    return KeyRule::H264Idr;
  if (In(code, {C("MPG1"), C("MPG2"), C("MPEG"), C("PIM1"), C("PIM2"), C("MP2V"), C("MPGV"), C("VCR2"),
                C("DVR "), C("MMES"), C("LMP2"), C("SLIF"), C("EM2V"), C("M2V1"), C("M701"), C("M702"),
                C("M703"), C("M704"), C("M705"), C("MPGI"), C("HDV1"), C("HDV2"), C("HDV3"), C("HDV5"),
                C("HDV6"), C("HDV7"), C("HDV8"), C("HDV9"), C("HDVA"), C("XDVS")}) ||
      raw == 0x10000001u || raw == 0x10000002u)
    return KeyRule::MpegPicture;
  // Intra-only: every frame stands alone.
  if (raw == 0 || raw == 3 /* BI_BITFIELDS */ ||
      In(code, {C("MJPG"), C("AVRN"), C("LJPG"), C("JPGL"), C("DMB1"), C("AVDJ"), C("ACDV"), C("QIVG"),
                C("SLMJ"), C("CJPG"), C("IJPG"), C("MJLS"), C("JPEG"), C("MJ2C"), C("DVSD"), C("DVHD"),
                C("DVSL"), C("DV25"), C("DV50"), C("CDVC"), C("CDVH"), C("CDV5"), C("DVCP"), C("DVPP"),
                C("DVC "), C("DVH1"), C("DVIS"), C("PDVC"), C("SL25"), C("SL50"), C("AVD1"), C("HFYU"),
                C("FFVH"), C("FFV1"), C("LAGS"), C("ULRG"), C("ULRA"), C("ULY0"), C("ULY2"), C("ULY4"),
                C("ULH0"), C("ULH2"), C("ULH4"), C("UQY2"), C("UQRG"), C("UQRA"), C("MAGY"), C("M8RG"),
                C("M8Y2"), C("CLLC"), C("CHQX"), C("CUVC"), C("DIB "), C("RGB "), C("RAW "), C("RGBA"),
                C("RGBT"), C("YUY2"), C("UYVY"), C("YUYV"), C("YVYU"), C("YV12"), C("I420"), C("IYUV"),
                C("NV12"), C("NV21"), C("Y800"), C("Y8  "), C("GREY"), C("Y41P"), C("YV16"), C("Y42B"),
                C("YVU9"), C("V210"), C("2VUY"), C("V308"), C("V408"), C("V410"), C("AYUV"), C("Y422"),
                C("HDYC"), C("PNG "), C("MPNG"), C("ZLIB"), C("MSZH"), C("APCN"), C("APCH"), C("APCS"),
                C("APCO"), C("AP4H"), C("AVUI"), C("DXTC"), C("SP5X"), C("SP54"), C("R210"), C("B48R"),
                C("B64A"), C("BRA "), C("JPEG"), C("MJPA"), C("MJPB"), C("MTSJ"), C("ZYGO"), C("CRAM")}))
    return KeyRule::EveryFrame;
  return KeyRule::Unknown;
}

// Position just past the next "00 00 01" at or after from, or count.
size_t NextStartCode(const uint8_t* d, size_t count, size_t from) {
  // The 01 found with memchr, then the two zeros before it.
  for (size_t i = from + 2; i < count;) {
    const void* one = std::memchr(d + i, 1, count - i);
    if (!one) break;
    i = size_t(static_cast<const uint8_t*>(one) - d);
    if (d[i - 1] == 0 && d[i - 2] == 0) return i + 1;
    ++i;
  }
  return count;
}

int Mpeg4(const uint8_t* d, size_t count, uint64_t frameBytes) {
  for (size_t p = NextStartCode(d, count, 0); p < count; p = NextStartCode(d, count, p)) {
    if (d[p] != 0xB6) continue;
    if (p + 1 >= count) break;
    // A VOP of at most 4 bytes after its start code codes no picture
    // (vop_coded 0: the "N-VOP" Xvid and ffmpeg store for a dropped frame),
    // whatever its coding type says.
    if (frameBytes - p <= 5) return 0;
    return (d[p + 1] >> 6) == 0 ? 1 : 0;
  }
  return count < frameBytes ? -1 : 0;
}

// 1 key, 0 not, -1 no slice seen yet.
int H264Nal(uint8_t header) {
  const int type = header & 0x1F;
  if (type == 5) return 1;
  if (type >= 1 && type <= 4) return 0;  // a slice of a picture that is no IDR
  return -1;
}

int H264(const uint8_t* d, size_t count, uint64_t frameBytes) {
  // Annex B: a start code opens the frame.
  const bool annexB = count >= 3 && d[0] == 0 && d[1] == 0 && (d[2] == 1 || (count >= 4 && d[2] == 0 && d[3] == 1));
  if (annexB) {
    for (size_t p = NextStartCode(d, count, 0); p < count; p = NextStartCode(d, count, p)) {
      const int r = H264Nal(d[p]);
      if (r >= 0) return r;
    }
    return count < frameBytes ? -1 : 0;
  }
  // Otherwise 4-byte big-endian lengths before each NAL (as in MP4).
  uint64_t p = 0;
  while (p + 5 <= count) {
    const uint64_t length = uint64_t(d[p]) << 24 | uint64_t(d[p + 1]) << 16 | uint64_t(d[p + 2]) << 8 | d[p + 3];
    if (length == 0 || p + 4 + length > frameBytes) return 0;
    const int r = H264Nal(d[p + 4]);
    if (r >= 0) return r;
    p += 4 + length;
  }
  return p < frameBytes && count < frameBytes ? -1 : 0;
}

int MpegPicture(const uint8_t* d, size_t count, uint64_t frameBytes) {
  for (size_t p = NextStartCode(d, count, 0); p < count; p = NextStartCode(d, count, p)) {
    if (d[p] != 0x00) continue;
    if (p + 2 >= count) break;
    return ((d[p + 2] >> 3) & 7) == 1 ? 1 : 0;
  }
  return count < frameBytes ? -1 : 0;
}

}  // namespace

KeyRule KeyRuleForCodec(uint32_t compression, uint32_t handler) {
  const KeyRule byCompression = RuleOfCode(compression);
  if (byCompression != KeyRule::Unknown && compression != 0) return byCompression;
  const KeyRule byHandler = handler ? RuleOfCode(handler) : KeyRule::Unknown;
  if (byHandler != KeyRule::Unknown) return byHandler;
  return byCompression;  // BI_RGB (0) without a telling handler: uncompressed
}

int IsKeyFrame(KeyRule rule, const uint8_t* data, size_t count, uint64_t frameBytes) {
  if (frameBytes == 0) return 0;  // a skipped frame repeats the one before
  switch (rule) {
    case KeyRule::EveryFrame: return 1;
    case KeyRule::Mpeg4Vop: return Mpeg4(data, count, frameBytes);
    case KeyRule::H264Idr: return H264(data, count, frameBytes);
    case KeyRule::MpegPicture: return MpegPicture(data, count, frameBytes);
    case KeyRule::Unknown: return 0;
  }
  return 0;
}

const char* KeyRuleName(KeyRule rule) {
  switch (rule) {
    case KeyRule::EveryFrame: return "every frame (an intra-only codec)";
    case KeyRule::Mpeg4Vop: return "the MPEG-4 VOP coding type";
    case KeyRule::H264Idr: return "H.264 IDR slices";
    case KeyRule::MpegPicture: return "the MPEG picture coding type";
    case KeyRule::Unknown: return "nothing (a codec whose key frames cannot be told)";
  }
  return "";
}
