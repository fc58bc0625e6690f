#include "sound/mpeg_audio_frames.h"

#include <algorithm>
#include <cstring>

#include "sound/frame_file.h"
#include "texts/sound_texts.h"

namespace {

// kbit/s by [MPEG-1 or not][layer - 1][index].
constexpr uint16_t kBitrates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
};
constexpr uint32_t kSampleRates[3] = {44100, 48000, 32000};  // MPEG-1; halved for 2, quartered for 2.5

bool MpegFacts(const uint8_t* b, FrameFacts* f) {
  MpegFrameHeader h;
  if (!ParseMpegFrameHeader(b, &h)) return false;
  f->bytes = h.bytes;
  f->samples = h.samples;
  f->sampleRate = h.sampleRate;
  f->bitrate = h.bitrate;
  f->channels = h.channels;
  f->stream = uint32_t(h.version) << 24 | uint32_t(h.layer) << 16 | uint32_t(h.channels) << 20 | (h.sampleRate & 0xFFFF);
  return true;
}

// The side information's length, after which a Xing / Info header lies.
uint32_t SideInfoBytes(const MpegFrameHeader& h) {
  if (h.version == 1) return h.channels == 1 ? 17 : 32;
  return h.channels == 1 ? 9 : 17;
}

// True when the frame at `at` is an encoder's header frame, not sound.
bool IsHeaderFrame(ByteInput& input, uint64_t at, const MpegFrameHeader& h) {
  if (h.layer != 3) return false;
  uint8_t tag[4];
  input.Seek(at + 4 + (h.crc ? 2 : 0) + SideInfoBytes(h));
  input.Read(tag, 4);
  if (std::memcmp(tag, "Xing", 4) == 0 || std::memcmp(tag, "Info", 4) == 0) return true;
  input.Seek(at + 4 + 32);
  input.Read(tag, 4);
  return std::memcmp(tag, "VBRI", 4) == 0;
}

bool HeaderAt(ByteInput& input, uint64_t at, MpegFrameHeader* h) {
  uint8_t b[4];
  input.Seek(at);
  input.Read(b, 4);
  return ParseMpegFrameHeader(b, h);
}

// The first frame at or after `from`: one that the file's end or another
// frame of its stream follows. Searched over at most 64 KiB of leading bytes.
bool FindFirstFrame(ByteInput& input, uint64_t from, uint64_t* at) {
  const uint64_t last = std::min<uint64_t>(input.Size(), from + 65536);
  for (uint64_t p = from; p + 4 <= last; ++p) {
    MpegFrameHeader h, next;
    if (!HeaderAt(input, p, &h)) continue;
    const uint64_t after = p + h.bytes;
    if (after == input.Size() || (HeaderAt(input, after, &next) && SameMpegStream(h, next))) {
      *at = p;
      return true;
    }
  }
  return false;
}

std::string Describe(const MpegFrameHeader& h, const FrameScan& scan) {
  const std::string v = h.version == 25 ? "2.5" : std::to_string(h.version);
  std::string text = "MPEG-" + v + " Layer " + (h.layer == 1 ? "I" : h.layer == 2 ? "II" : "III") + ", " +
                     std::to_string(h.sampleRate) + " Hz, ";
  if (scan.oneBitrate) text += std::to_string(h.bitrate / 1000) + " kbit/s";
  else text += "variable bit rate";
  return text;
}

}  // namespace

bool ParseMpegFrameHeader(const uint8_t b[4], MpegFrameHeader* h) {
  if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return false;
  const int versionBits = (b[1] >> 3) & 3, layerBits = (b[1] >> 1) & 3;
  const int bitrateIndex = b[2] >> 4, rateIndex = (b[2] >> 2) & 3;
  if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
  if ((b[3] & 3) == 2) return false;  // reserved emphasis
  h->version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
  h->layer = 4 - layerBits;
  h->crc = (b[1] & 1) == 0;
  h->bitrateIndex = bitrateIndex;
  h->bitrate = uint32_t(kBitrates[h->version == 1 ? 0 : 1][h->layer - 1][bitrateIndex]) * 1000;
  h->sampleRate = kSampleRates[rateIndex] / (h->version == 1 ? 1 : h->version == 2 ? 2 : 4);
  const uint32_t padding = (b[2] >> 1) & 1;
  h->mode = b[3] >> 6;
  h->modeExtension = (b[3] >> 4) & 3;
  h->emphasis = b[3] & 3;
  h->channels = h->mode == 3 ? 1 : 2;
  if (h->layer == 1) {
    h->samples = 384;
    h->bytes = (12 * h->bitrate / h->sampleRate + padding) * 4;
  } else if (h->layer == 2 || h->version == 1) {
    h->samples = 1152;
    h->bytes = 144 * h->bitrate / h->sampleRate + padding;
  } else {
    h->samples = 576;
    h->bytes = 72 * h->bitrate / h->sampleRate + padding;
  }
  return h->bytes > 4;
}

bool SameMpegStream(const MpegFrameHeader& x, const MpegFrameHeader& y) {
  return x.version == y.version && x.layer == y.layer && x.sampleRate == y.sampleRate && x.channels == y.channels;
}

uint64_t SkipId3v2(ByteInput& input, uint64_t at) {
  uint8_t b[10];
  input.Seek(at);
  if (input.Read(b, 10) < 10 || std::memcmp(b, "ID3", 3) != 0 || b[3] == 0xFF || b[4] == 0xFF) return at;
  if ((b[6] | b[7] | b[8] | b[9]) & 0x80) return at;  // a syncsafe size has no high bits
  const uint64_t size = uint64_t(b[6]) << 21 | uint64_t(b[7]) << 14 | uint64_t(b[8]) << 7 | b[9];
  const uint64_t footer = (b[5] & 0x10) ? 10 : 0;
  return at + 10 + size + footer;
}

std::unique_ptr<SoundSource> OpenMpegAudio(const std::string& path, SoundRefusal* refusal) {
  auto input = std::make_shared<ByteInput>();
  if (!input->Open(path.c_str())) {
    refusal->kind = SoundRefusal::Unreadable;
    refusal->english = refusal->japanese = input->OpenError();
    return nullptr;
  }
  // Several tags in a row happen (a tool that adds one in front of another).
  uint64_t start = 0;
  for (uint64_t next; (next = SkipId3v2(*input, start)) != start;) start = next;
  uint64_t first = 0;
  if (start >= input->Size() || !FindFirstFrame(*input, start, &first)) {
    refusal->kind = start >= input->Size() && start > 0 ? SoundRefusal::Empty : SoundRefusal::NotSound;
    const TextPair& why = refusal->kind == SoundRefusal::Empty ? texts::kMpegTagOnly : texts::kMpegNoFrame;
    refusal->english = why.english;
    refusal->japanese = why.japanese;
    return nullptr;
  }
  MpegFrameHeader head;
  HeaderAt(*input, first, &head);
  if (IsHeaderFrame(*input, first, head)) first += head.bytes;
  FrameScan scan;
  *refusal = ScanFrames(*input, first, MpegFacts, &scan);
  if (*refusal) return nullptr;
  HeaderAt(*input, scan.first, &head);
  SoundFormat format;
  const uint16_t tag = head.layer == 3 ? 0x55 : 0x50;
  FrameFormat(scan, tag, &format);
  if (head.layer == 3) {  // MPEGLAYER3WAVEFORMAT
    PutU16(format.strf, 12);
    PutU16(format.strf, 1);  // wID: MPEG audio
    PutU32(format.strf, 2);  // fdwFlags: padding as the frames say
    PutU16(format.strf, uint16_t(scan.oneBitrate ? scan.bytes / scan.frames : head.samples));  // nBlockSize
    PutU16(format.strf, 1);  // nFramesPerBlock
    PutU16(format.strf, 0);  // nCodecDelay: unknown
  } else {  // MPEG1WAVEFORMAT
    PutU16(format.strf, 22);
    PutU16(format.strf, uint16_t(1 << (head.layer - 1)));                  // fwHeadLayer
    PutU32(format.strf, scan.oneBitrate ? head.bitrate : 0);               // dwHeadBitrate
    PutU16(format.strf, uint16_t(1 << head.mode));                         // fwHeadMode
    PutU16(format.strf, uint16_t(1 << head.modeExtension));                // fwHeadModeExt
    PutU16(format.strf, uint16_t(head.emphasis + 1));                      // wHeadEmphasis
    PutU16(format.strf, uint16_t((head.version == 1 ? 0x10 : 0) | (head.crc ? 8 : 0)));  // fwHeadFlags
    PutU32(format.strf, 0);
    PutU32(format.strf, 0);
  }
  format.kind = Describe(head, scan);
  return MakeFrameSource(input, scan, MpegFacts, format);
}
