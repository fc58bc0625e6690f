#include "avi/stream_format.h"

#include <cstdio>

#include "avi/byte_input.h"
#include "avi/fourcc.h"

namespace {


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
  if (fccType == kVids) return english ? "video" : "映像";
  if (fccType == kAuds) return english ? "sound" : "音声";
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
    d.english = en + " " + later + ", the first file has " + first;
    d.japanese = ja + " " + later + "（最初のファイルは " + first + "）";
  }
};

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
    say.d.english = std::to_string(later.size()) + " streams, the first file has " + std::to_string(first.size());
    say.d.japanese = "ストリーム数 " + std::to_string(later.size()) + "（最初のファイルは " +
                     std::to_string(first.size()) + "）";
    return say.d;
  }
  for (size_t n = 0; n < first.size() && !say.Found(); ++n) {
    const StreamFormat& x = first[n];
    const StreamFormat& y = later[n];
    const std::string en = "stream " + std::to_string(n) + ": ";
    const std::string ja = "ストリーム" + std::to_string(n) + ": ";
    if (x.fccType != y.fccType) {
      say.d.english = en + KindText(y.fccType, true) + ", the first file has " + KindText(x.fccType, true);
      say.d.japanese = ja + KindText(y.fccType, false) + "（最初のファイルは " + KindText(x.fccType, false) + "）";
      break;
    }
    if (x.handler != y.handler || x.compression != y.compression) {
      const std::string xs = CodeText(x.handler) + "/" + CodeText(x.compression);
      const std::string ys = CodeText(y.handler) + "/" + CodeText(y.compression);
      say.Say(en + "codec", ja + "コーデック", ys, xs);
    }
    if (x.hasFormat != y.hasFormat)
      say.Say(en + "format chunk", ja + "フォーマット", y.hasFormat ? "present" : "missing",
              x.hasFormat ? "present" : "missing");
    if (x.fccType == kVids) {
      if (x.width != y.width || x.height != y.height)
        say.Say("frame size", "フレームサイズ", std::to_string(y.width) + "x" + std::to_string(y.height),
                std::to_string(x.width) + "x" + std::to_string(x.height));
      if (x.bitCount != y.bitCount)
        say.Say("bit depth", "色深度", std::to_string(y.bitCount), std::to_string(x.bitCount));
    } else if (x.fccType == kAuds) {
      if (x.formatTag != y.formatTag)
        say.Say(en + "sound format", ja + "音声フォーマット", Hex(y.formatTag), Hex(x.formatTag));
      if (x.channels != y.channels)
        say.Say(en + "channels", ja + "チャンネル数", std::to_string(y.channels), std::to_string(x.channels));
      if (x.samplesPerSec != y.samplesPerSec)
        say.Say(en + "sample rate", ja + "サンプリングレート", std::to_string(y.samplesPerSec) + " Hz",
                std::to_string(x.samplesPerSec) + " Hz");
      if (x.blockAlign != y.blockAlign)
        say.Say(en + "block align", ja + "ブロックアライン", std::to_string(y.blockAlign),
                std::to_string(x.blockAlign));
      if (x.bitsPerSample != y.bitsPerSample)
        say.Say(en + "sample size", ja + "サンプルサイズ", std::to_string(y.bitsPerSample) + " bits",
                std::to_string(x.bitsPerSample) + " bits");
    }
    // Last: for PCM the rate is the sample rate, named above.
    if (x.scale != y.scale || x.rate != y.rate)
      say.Say(x.fccType == kVids ? "frame rate" : en + "rate", x.fccType == kVids ? "フレームレート" : ja + "レート",
              std::to_string(y.rate) + "/" + std::to_string(y.scale),
              std::to_string(x.rate) + "/" + std::to_string(x.scale));
  }
  return say.d;
}
