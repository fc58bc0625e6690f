// The FourCC table (codec/video_codecs.h).
#include "codec/video_codecs.h"

#include <cstdio>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

struct CodecRow {
  const char* fourccs;  // codes of four characters one after the other, upper case
  AVCodecID id;
};

// Writers name one format by many codes; the names below are what the
// recordings met in the wild carry (3IVD is DivX 3 in 3ivx's clothes).
const CodecRow kRows[] = {
    {"XVIDDIVXDX50FMP4MP4VMP4SM4S23IV2DIV1UMP4RMP4SMP4DM4VHDX4DXGMBLZ0WV1FSEDGFFDSFVFWDCODMVXMPM4V"
     "VIDMM4T3GEOXDMK2DIGIINMCEPHVEM4AM4CCSN40VSPXULDXGEOVSIPPSM4VXVIXDREXQMP4PLV1GLV4GMP4MNM4GTM4",
     AV_CODEC_ID_MPEG4},
    {"MP43DIV3MPG3DIV4DIV5DIV6AP41COL1COL03IVD", AV_CODEC_ID_MSMPEG4V3},
    {"MP42DIV2", AV_CODEC_ID_MSMPEG4V2},
    {"MPG4MP41", AV_CODEC_ID_MSMPEG4V1},
    {"H264X264AVC1DAVCSMV2VSSHQ264V264GAVCUMSVTSHD", AV_CODEC_ID_H264},
    {"HEVCH265X265HVC1HEV1", AV_CODEC_ID_HEVC},
    {"MPG1PIM1VCR2", AV_CODEC_ID_MPEG1VIDEO},
    {"MPG2MPEGPIM2DVR MMESLMP2SLIFEM2VM701M702M703M704M705MPGVBW10XMPGHDV1", AV_CODEC_ID_MPEG2VIDEO},
    {"MJPGAVRNACDVQIVGDMB1JPGLIJPGAVDJ", AV_CODEC_ID_MJPEG},
    {"DVSDDVHDDVSLDV25DV50CDVCCDVHCDV5DVC DVCSDVH1DVISPDVCSL25SLDVAVD1", AV_CODEC_ID_DVVIDEO},
    {"HFYU", AV_CODEC_ID_HUFFYUV},
    {"FFVH", AV_CODEC_ID_FFVHUFF},
    {"ULRAULRGULY0ULY2ULY4ULH0ULH2ULH4UQY0UQY2UQRGUQRAUMY2UMH2UMY4UMH4UMRGUMRA", AV_CODEC_ID_UTVIDEO},
    {"FFV1", AV_CODEC_ID_FFV1},
    {"LAGS", AV_CODEC_ID_LAGARITH},
    {"CVID", AV_CODEC_ID_CINEPAK},
    {"MSVCCRAMWHAM", AV_CODEC_ID_MSVIDEO1},
    {"RT21", AV_CODEC_ID_INDEO2},
    {"IV31IV32", AV_CODEC_ID_INDEO3},
    {"IV41", AV_CODEC_ID_INDEO4},
    {"IV50", AV_CODEC_ID_INDEO5},
};

// Uncompressed YUV and grey layouts that raw video reads by their FourCC.
const char kRawLayouts[] = "YUY2UYVYYVYUI420IYUVYV12YV16Y800Y8  GREYNV12NV21Y41PYVU9";

uint32_t Upper(uint32_t code) {
  uint32_t out = 0;
  for (int i = 0; i < 4; ++i) {
    uint8_t c = uint8_t(code >> (8 * i));
    if (c >= 'a' && c <= 'z') c = uint8_t(c - 'a' + 'A');
    out |= uint32_t(c) << (8 * i);
  }
  return out;
}

bool Listed(const char* list, uint32_t code) {
  const uint32_t upper = Upper(code);
  for (size_t at = 0; list[at] != 0; at += 4) {
    uint32_t listed;
    std::memcpy(&listed, list + at, 4);  // little-endian, as the FourCC is stored
    if (listed == upper) return true;
  }
  return false;
}

AVCodecID Compressed(uint32_t code) {
  for (const CodecRow& row : kRows)
    if (Listed(row.fourccs, code)) return row.id;
  return AV_CODEC_ID_NONE;
}

bool IsRgbCode(uint32_t code) { return code == 0 || Upper(code) == Upper(0x20424944) || Upper(code) == 0x20424752; }

}  // namespace

VideoCodecChoice ChooseVideoCodec(uint32_t compression, uint32_t handler, uint16_t bitCount, int32_t height) {
  VideoCodecChoice choice;
  // BI_RGB: biCompression 0 ("DIB " and "RGB " as some writers put it).
  if (IsRgbCode(compression) && (bitCount == 24 || bitCount == 32)) {
    choice.codecId = AV_CODEC_ID_RAWVIDEO;
    choice.bottomUp = height > 0;
    return choice;
  }
  if (Listed(kRawLayouts, compression)) {
    choice.codecId = AV_CODEC_ID_RAWVIDEO;
    choice.rawTag = compression;
    return choice;
  }
  AVCodecID id = compression ? Compressed(compression) : AV_CODEC_ID_NONE;
  // Some writers leave biCompression at a generic value and name the codec
  // in the stream header's handler only.
  if (id == AV_CODEC_ID_NONE && handler != 0) id = Compressed(handler);
  choice.codecId = id;
  choice.mpeg4Part2 = id == AV_CODEC_ID_MPEG4;
  return choice;
}

std::string FourCcText(uint32_t code) {
  char text[12];
  bool printable = true;
  for (int i = 0; i < 4; ++i) {
    const uint8_t c = uint8_t(code >> (8 * i));
    printable = printable && c >= 0x20 && c < 0x7F;
    text[i] = char(c);
  }
  if (!printable) {
    std::snprintf(text, sizeof text, "0x%08X", unsigned(code));
    return text;
  }
  text[4] = 0;
  return text;
}
