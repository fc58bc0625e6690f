#include "avi/stream_format.h"

#include <algorithm>
#include <cstdio>

#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "texts/avi_texts.h"

namespace {

constexpr uint32_t kWaveFormatEx = 18;
// More than any sound codec's setup takes; a larger cbSize is damage.
constexpr uint32_t kMaxSoundSetup = 1u << 16;

uint16_t U16At(ByteInput& input, uint64_t position) {
  uint8_t b[2];
  input.Seek(position);
  input.Read(b, 2);
  return uint16_t(b[0] | b[1] << 8);
}

// A four-character code as text; codes with unprintable bytes (such as the
// BI_RGB 0) as a number.
std::string CodeText(uint32_t code) {
  if (IsPrintableFourCC(code)) {
    std::string text;
    for (int i = 0; i < 4; ++i) text += char(code >> (8 * i));
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text.empty() ? "0" : text;
  }
  return std::to_string(code);
}

std::string KindText(uint32_t fccType, bool english) {
  if (fccType == kVids) return Pick(texts::kKindVideo, english);
  if (fccType == kAuds) return Pick(texts::kKindSound, english);
  return CodeText(fccType);
}

std::string Hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", unsigned(v));
  return text;
}

// Builds "what X, the first file has Y" in both languages.
struct Differ {
  FormatDifference d;
  bool Found() const { return !d.Same(); }
  void Say(const std::string& en, const std::string& ja, const std::string& later, const std::string& first) {
    if (Found()) return;
    d.english = Fill(texts::kFormatDiffers.english, {en, later, first});
    d.japanese = Fill(texts::kFormatDiffers.japanese, {ja, later, first});
  }
  // The same for a named field of stream n ("stream 1: codec").
  void Say(const std::string& en, const std::string& ja, const TextPair& field, const std::string& later,
           const std::string& first) {
    Say(en + field.english, ja + field.japanese, later, first);
  }
  void Say(const TextPair& field, const std::string& later, const std::string& first) {
    Say(field.english, field.japanese, later, first);
  }
};

// The cbSize bytes after a WAVEFORMATEX. Some writers leave cbSize at 0
// with bytes after it, or claim more than strf holds: only what both allow.
void ReadSoundSetup(ByteInput& input, uint64_t strf, uint32_t size, StreamFormat* f) {
  const uint32_t claimed = U16At(input, strf + 8 + 16);
  const uint32_t extra = std::min(claimed, size - kWaveFormatEx);
  f->setup.clear();
  if (extra == 0 || extra > kMaxSoundSetup) return;
  f->setup.resize(extra);
  if (input.ReadBulk(strf + 8 + kWaveFormatEx, f->setup.data(), extra) != extra) f->setup.clear();
}

}  // namespace

void ReadStreamHeader(ByteInput& input, uint64_t strh, StreamFormat* f) {
  f->fccType = input.U32At(strh + 8);
  f->handler = input.U32At(strh + 12);
  f->scale = input.U32At(strh + 28);
  f->rate = input.U32At(strh + 32);
  f->sampleSize = input.U32At(strh + 52);
}

void ReadFormatChunk(ByteInput& input, uint64_t strf, StreamFormat* f) {
  if (input.U32At(strf) != kStrf) return;
  const uint32_t size = input.U32At(strf + 4);
  f->hasFormat = true;
  if (f->fccType == kVids && size >= 20) {  // BITMAPINFOHEADER
    f->width = int32_t(input.U32At(strf + 12));
    f->height = int32_t(input.U32At(strf + 16));
    f->bitCount = U16At(input, strf + 22);
    f->compression = input.U32At(strf + 24);
  } else if (f->fccType == kAuds && size >= 8) {  // WAVEFORMATEX, as far as it goes
    f->formatTag = U16At(input, strf + 8);
    f->channels = U16At(input, strf + 10);
    f->samplesPerSec = input.U32At(strf + 12);
    if (size >= 14) f->blockAlign = U16At(input, strf + 20);
    if (size >= 16) f->bitsPerSample = U16At(input, strf + 22);
    if (size > kWaveFormatEx) ReadSoundSetup(input, strf, size, f);
  }
}

StreamFormat ReadStreamFormat(ByteInput& input, uint64_t strh) {
  StreamFormat f;
  ReadStreamHeader(input, strh, &f);
  const uint32_t strhSize = input.U32At(strh + 4);
  ReadFormatChunk(input, strh + 8 + strhSize + (strhSize & 1), &f);
  return f;
}

std::vector<StreamFormat> ReadStreamFormats(const AviAnalysis& a, ByteInput& input) {
  std::vector<StreamFormat> formats;
  for (uint32_t n = 0; n < a.streamCount; ++n) {
    // dwLength lies 40 bytes after the strh chunk's header.
    const uint64_t length = a.streams[n].lengthOffset;
    formats.push_back(length >= 40 ? ReadStreamFormat(input, length - 40) : StreamFormat());
  }
  return formats;
}

FormatDifference CompareFormats(const std::vector<StreamFormat>& first, const std::vector<StreamFormat>& later) {
  Differ say;
  if (first.size() != later.size()) {
    say.d.english = Fill(texts::kFormatStreamCount.english, {std::to_string(later.size()), std::to_string(first.size())});
    say.d.japanese = Fill(texts::kFormatStreamCount.japanese, {std::to_string(later.size()), std::to_string(first.size())});
    return say.d;
  }
  for (size_t n = 0; n < first.size() && !say.Found(); ++n) {
    const StreamFormat& x = first[n];
    const StreamFormat& y = later[n];
    const std::string en = Fill(texts::kFormatStream.english, {std::to_string(n)});
    const std::string ja = Fill(texts::kFormatStream.japanese, {std::to_string(n)});
    if (x.fccType != y.fccType) {
      say.d.english = Fill(texts::kFormatKindDiffers.english, {en, KindText(y.fccType, true), KindText(x.fccType, true)});
      say.d.japanese = Fill(texts::kFormatKindDiffers.japanese, {ja, KindText(y.fccType, false), KindText(x.fccType, false)});
      break;
    }
    if (x.handler != y.handler || x.compression != y.compression) {
      const std::string xs = CodeText(x.handler) + "/" + CodeText(x.compression);
      const std::string ys = CodeText(y.handler) + "/" + CodeText(y.compression);
      say.Say(en, ja, texts::kFormatCodec, ys, xs);
    }
    if (x.hasFormat != y.hasFormat)
      say.Say(en, ja, texts::kFormatChunk, y.hasFormat ? "present" : "missing",
              x.hasFormat ? "present" : "missing");
    if (x.fccType == kVids) {
      if (x.width != y.width || x.height != y.height)
        say.Say(texts::kFormatFrameSize, std::to_string(y.width) + "x" + std::to_string(y.height),
                std::to_string(x.width) + "x" + std::to_string(x.height));
      if (x.bitCount != y.bitCount)
        say.Say(texts::kFormatBitDepth, std::to_string(y.bitCount), std::to_string(x.bitCount));
    } else if (x.fccType == kAuds) {
      if (x.formatTag != y.formatTag)
        say.Say(en, ja, texts::kFormatSoundFormat, Hex(y.formatTag), Hex(x.formatTag));
      if (x.channels != y.channels)
        say.Say(en, ja, texts::kFormatChannels, std::to_string(y.channels), std::to_string(x.channels));
      if (x.samplesPerSec != y.samplesPerSec)
        say.Say(en, ja, texts::kFormatSampleRate, std::to_string(y.samplesPerSec) + " Hz",
                std::to_string(x.samplesPerSec) + " Hz");
      if (x.blockAlign != y.blockAlign)
        say.Say(en, ja, texts::kFormatBlockAlign, std::to_string(y.blockAlign),
                std::to_string(x.blockAlign));
      if (x.bitsPerSample != y.bitsPerSample)
        say.Say(en, ja, texts::kFormatSampleSize, std::to_string(y.bitsPerSample) + " bits",
                std::to_string(x.bitsPerSample) + " bits");
    }
    // Last: for PCM the rate is the sample rate, named above.
    if (x.scale != y.scale || x.rate != y.rate)
      say.Say(x.fccType == kVids ? "" : en, x.fccType == kVids ? "" : ja,
              x.fccType == kVids ? texts::kFormatFrameRate : texts::kFormatRate, std::to_string(y.rate) + "/" + std::to_string(y.scale),
              std::to_string(x.rate) + "/" + std::to_string(x.scale));
  }
  return say.d;
}
