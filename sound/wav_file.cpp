#include "sound/wav_file.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "avi/fourcc.h"
#include "avi/stream_description.h"
#include "texts/sound_texts.h"

namespace {

constexpr uint32_t kRf64 = FourCC('R', 'F', '6', '4');
constexpr uint32_t kWave = FourCC('W', 'A', 'V', 'E');
constexpr uint32_t kFmt = FourCC('f', 'm', 't', ' ');
constexpr uint32_t kData = FourCC('d', 'a', 't', 'a');
constexpr uint32_t kDs64 = FourCC('d', 's', '6', '4');
constexpr uint64_t kPieceBytes = 1 << 20;

SoundRefusal Refuse(SoundRefusal::Kind kind, const std::string& english, const std::string& japanese) {
  SoundRefusal r;
  r.kind = kind;
  r.english = english;
  r.japanese = japanese;
  return r;
}

// The same from a text of the catalogue with its places filled.
SoundRefusal Refuse(SoundRefusal::Kind kind, const TextPair& text, std::initializer_list<std::string> values = {}) {
  return Refuse(kind, Fill(text.english, values), Fill(text.japanese, values));
}

class PcmCursor : public SoundCursor {
 public:
  PcmCursor(uint64_t at, uint64_t bytes, uint32_t block) : at_(at), end_(at + bytes), block_(block) {}
  bool Next(SoundPiece* piece) override {
    if (at_ >= end_) return false;
    const uint64_t n = std::min<uint64_t>(end_ - at_, kPieceBytes / block_ * block_);
    piece->at = at_;
    piece->bytes = uint32_t(n);
    piece->units = n / block_;
    at_ += n;
    return true;
  }

 private:
  uint64_t at_, end_;
  uint32_t block_;
};

class WavSource : public SoundSource {
 public:
  WavSource(std::shared_ptr<ByteInput> input, const SoundFormat& format, uint64_t dataAt, uint64_t dataBytes)
      : input_(std::move(input)), format_(format), dataAt_(dataAt), dataBytes_(dataBytes) {}
  const SoundFormat& Format() const override { return format_; }
  std::shared_ptr<ByteInput> Input() const override { return input_; }
  std::unique_ptr<SoundCursor> Begin() const override {
    return std::make_unique<PcmCursor>(dataAt_, dataBytes_, format_.blockAlign);
  }

 private:
  std::shared_ptr<ByteInput> input_;
  SoundFormat format_;
  uint64_t dataAt_, dataBytes_;
};

uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
uint32_t U32(const std::vector<uint8_t>& b, size_t at) { return U16(b, at) | uint32_t(U16(b, at + 2)) << 16; }

// The fmt chunk's facts; a refusal when they are no PCM that can be counted.
SoundRefusal ReadFormat(const std::vector<uint8_t>& fmt, SoundFormat* f) {
  if (fmt.size() < 16) return Refuse(SoundRefusal::NotSound, texts::kWavFmtTooShort);
  f->strf = fmt;
  f->formatTag = U16(fmt, 0);
  f->channels = U16(fmt, 2);
  f->sampleRate = U32(fmt, 4);
  f->blockAlign = U16(fmt, 12);
  if (f->formatTag != 1 && f->formatTag != 3 && f->formatTag != 0xFFFE) {
    char tag[8];
    std::snprintf(tag, sizeof tag, "0x%04X", f->formatTag);
    return Refuse(SoundRefusal::NotSound, texts::kWavNoPcm, {tag});
  }
  if (f->channels == 0 || f->sampleRate == 0 || f->blockAlign == 0 || f->blockAlign % f->channels != 0)
    return Refuse(SoundRefusal::Unstatable,
                  Fill(texts::kWavUnstatable.english, {ChannelCount(f->channels), std::to_string(f->sampleRate),
                                                       std::to_string(f->blockAlign)}),
                  Fill(texts::kWavUnstatable.japanese, {std::to_string(f->channels), std::to_string(f->sampleRate),
                                                        std::to_string(f->blockAlign)}));
  if (uint64_t(f->sampleRate) * f->blockAlign > 0xFFFFFFFFull)
    return Refuse(SoundRefusal::Unstatable, texts::kWavByteRateTooHigh);
  // The byte rate the stream header states is the true one.
  const uint32_t avg = f->sampleRate * f->blockAlign;
  f->strf[8] = uint8_t(avg), f->strf[9] = uint8_t(avg >> 8), f->strf[10] = uint8_t(avg >> 16), f->strf[11] = uint8_t(avg >> 24);
  if (f->strf.size() == 16) f->strf.push_back(0), f->strf.push_back(0);  // cbSize
  f->pcm = true;
  f->scale = 1;
  f->rate = f->sampleRate;
  f->sampleSize = f->blockAlign;
  f->kind = std::string(f->formatTag == 3 ? "IEEE float" : "PCM") + ", " + std::to_string(f->sampleRate) + " Hz, " +
            ChannelCount(f->channels) + ", " + std::to_string(U16(fmt, 14)) + " bits";
  return SoundRefusal();
}

}  // namespace

bool LooksLikeWav(ByteInput& input) {
  const uint32_t riff = input.U32At(0);
  return (riff == kRiff || riff == kRf64) && input.U32At(8) == kWave;
}

std::unique_ptr<SoundSource> OpenWav(const std::string& path, SoundRefusal* refusal) {
  auto input = std::make_shared<ByteInput>();
  if (!input->Open(path.c_str())) {
    *refusal = Refuse(SoundRefusal::Unreadable, input->OpenError(), input->OpenError());
    return nullptr;
  }
  if (!LooksLikeWav(*input)) {
    *refusal = Refuse(SoundRefusal::NotSound, texts::kWavNotWav);
    return nullptr;
  }
  const bool rf64 = input->U32At(0) == kRf64;
  const uint64_t size = input->Size();
  uint64_t ds64Data = 0;
  bool haveFormat = false, haveData = false;
  SoundFormat format;
  uint64_t dataAt = 0, dataBytes = 0;
  for (uint64_t at = 12; at + 8 <= size && !haveData;) {
    const uint32_t code = input->U32At(at), bytes = input->U32At(at + 4);
    if (code == kDs64 && bytes >= 16) {
      input->Seek(at + 16);
      ds64Data = input->ReadU32();
      ds64Data |= uint64_t(input->ReadU32()) << 32;
    } else if (code == kFmt) {
      std::vector<uint8_t> fmt(std::min<uint32_t>(bytes, 1024));
      input->Seek(at + 8);
      if (input->Read(fmt.data(), fmt.size()) < fmt.size()) break;
      *refusal = ReadFormat(fmt, &format);
      if (*refusal) return nullptr;
      haveFormat = true;
    } else if (code == kData) {
      haveData = true;
      dataAt = at + 8;
      dataBytes = rf64 && bytes == 0xFFFFFFFFu ? ds64Data : bytes;
      if (!rf64 && bytes == 0xFFFFFFFFu) dataBytes = size - dataAt;
      continue;
    }
    at += 8 + uint64_t(bytes) + (bytes & 1);
  }
  if (!haveFormat || !haveData) {
    const bool none = size <= 12;
    *refusal = Refuse(none ? SoundRefusal::Empty : SoundRefusal::Truncated,
                      none ? texts::kWavNothingAfterHeader : texts::kWavNoChunk, {haveFormat ? "data" : "fmt"});
    return nullptr;
  }
  if (dataAt + dataBytes > size) {
    *refusal = Refuse(SoundRefusal::Truncated, texts::kWavDataCutShort,
                      {std::to_string(dataBytes), std::to_string(size - dataAt)});
    return nullptr;
  }
  if (dataBytes % format.blockAlign != 0) {
    *refusal = Refuse(SoundRefusal::Truncated, texts::kWavDataNotWholeSamples,
                      {std::to_string(dataBytes), std::to_string(format.blockAlign)});
    return nullptr;
  }
  if (dataBytes == 0) {
    *refusal = Refuse(SoundRefusal::Empty, texts::kWavNoSamples);
    return nullptr;
  }
  format.units = dataBytes / format.blockAlign;
  format.pieces = (dataBytes + kPieceBytes - 1) / kPieceBytes;
  return std::make_unique<WavSource>(input, format, dataAt, dataBytes);
}
