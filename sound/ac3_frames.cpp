#include "sound/ac3_frames.h"

#include "avi/stream_description.h"
#include "sound/frame_file.h"

namespace {

constexpr uint16_t kKbits[19] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 448, 512, 576, 640};
constexpr uint32_t kAc3Rates[3] = {48000, 44100, 32000};
constexpr int kFullBand[8] = {2, 1, 2, 3, 3, 4, 4, 5};  // by acmod

bool Ac3Facts(const uint8_t* b, FrameFacts* f) {
  Ac3FrameHeader h;
  if (!ParseAc3FrameHeader(b, &h)) return false;
  f->bytes = h.bytes;
  f->samples = 1536;
  f->sampleRate = h.sampleRate;
  f->bitrate = h.bitrate;
  f->channels = h.channels;
  f->stream = h.sampleRate << 4 | uint32_t(h.channels);
  return true;
}

}  // namespace

bool ParseAc3FrameHeader(const uint8_t b[8], Ac3FrameHeader* h) {
  if (b[0] != 0x0B || b[1] != 0x77) return false;
  const int fscod = b[4] >> 6, frmsizecod = b[4] & 0x3F;
  const int bsid = b[5] >> 3;
  if (fscod == 3 || frmsizecod >= 38 || bsid > 10) return false;
  h->frmsizecod = frmsizecod;
  h->sampleRate = kAc3Rates[fscod];
  const uint32_t kbits = kKbits[frmsizecod / 2];
  h->bitrate = kbits * 1000;
  // 16-bit words a frame: 1536 samples at the bit rate; 44.1 kHz rounds down
  // and the odd codes carry one word more.
  uint32_t words = fscod == 0 ? 2 * kbits : fscod == 2 ? 3 * kbits : kbits * 960 / 441 + (frmsizecod & 1);
  h->bytes = words * 2;
  // acmod, then the mix levels that lie between it and lfeon.
  const int acmod = b[6] >> 5;
  int bit = 3;  // bits of b[6] used
  if ((acmod & 1) && acmod != 1) bit += 2;
  if (acmod & 4) bit += 2;
  if (acmod == 2) bit += 2;
  const uint32_t bits = uint32_t(b[6]) << 8 | b[7];
  const bool lfe = (bits >> (15 - bit)) & 1;
  h->channels = kFullBand[acmod] + (lfe ? 1 : 0);
  return true;
}

std::unique_ptr<SoundSource> OpenAc3(const std::string& path, SoundRefusal* refusal) {
  auto input = std::make_shared<ByteInput>();
  if (!input->Open(path.c_str())) {
    refusal->kind = SoundRefusal::Unreadable;
    refusal->english = refusal->japanese = input->OpenError();
    return nullptr;
  }
  FrameScan scan;
  *refusal = ScanFrames(*input, 0, Ac3Facts, &scan);
  if (*refusal) return nullptr;
  SoundFormat format;
  FrameFormat(scan, 0x2000, &format);
  PutU16(format.strf, 0);  // cbSize
  format.kind = "AC-3, " + std::to_string(scan.head.sampleRate) + " Hz, " + ChannelCount(scan.head.channels) + ", " +
                (scan.oneBitrate ? std::to_string(scan.head.bitrate / 1000) + " kbit/s" : "variable bit rate");
  return MakeFrameSource(input, scan, Ac3Facts, format);
}
