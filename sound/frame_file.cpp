#include "sound/frame_file.h"

#include <algorithm>
#include <cstring>

#include "avi/read_fault.h"
#include "texts/sound_texts.h"

namespace {

std::string At(uint64_t at) { return std::to_string(at); }

class FrameCursor : public SoundCursor {
 public:
  FrameCursor(std::shared_ptr<ByteInput> input, const FrameScan& scan, const FrameParser& parse, bool byteUnits)
      : input_(std::move(input)), scan_(scan), parse_(parse), byteUnits_(byteUnits), at_(scan.first) {}
  bool Next(SoundPiece* piece) override {
    if (taken_ == scan_.frames) return false;
    uint8_t b[kFramePeek];
    input_->Seek(at_);
    input_->Read(b, sizeof b);
    FrameFacts f;
    if (!parse_(b, &f) || at_ + f.bytes > input_->Size()) return failed_ = true, false;  // changed under us
    piece->at = at_;
    piece->bytes = f.bytes;
    piece->units = byteUnits_ ? f.bytes : 1;
    at_ += f.bytes;
    ++taken_;
    return true;
  }
  bool Failed() const override { return failed_ || input_->Fault(); }

 private:
  std::shared_ptr<ByteInput> input_;
  FrameScan scan_;
  FrameParser parse_;
  bool byteUnits_;
  uint64_t at_;
  uint64_t taken_ = 0;
  bool failed_ = false;
};

class FrameSource : public SoundSource {
 public:
  FrameSource(std::shared_ptr<ByteInput> input, const FrameScan& scan, FrameParser parse, const SoundFormat& format)
      : input_(std::move(input)), scan_(scan), parse_(std::move(parse)), format_(format) {}
  const SoundFormat& Format() const override { return format_; }
  std::shared_ptr<ByteInput> Input() const override { return input_; }
  std::unique_ptr<SoundCursor> Begin() const override {
    return std::make_unique<FrameCursor>(input_, scan_, parse_, format_.sampleSize != 0);
  }

 private:
  std::shared_ptr<ByteInput> input_;
  FrameScan scan_;
  FrameParser parse_;
  SoundFormat format_;
};

}  // namespace

bool TrailingTag(ByteInput& input, uint64_t at) {
  const uint64_t left = input.Size() - at;
  uint8_t b[8] = {};
  input.Seek(at);
  input.Read(b, sizeof b);
  if (left == 128 && std::memcmp(b, "TAG", 3) == 0) return true;
  if (left >= 32 && std::memcmp(b, "APETAGEX", 8) == 0) return true;
  if (left >= 11 && std::memcmp(b, "LYRICSBEG", 8) == 0) return true;
  // Zeros to the end (a padded last block), checked in steps.
  uint8_t block[4096];
  for (uint64_t p = at; p < input.Size();) {
    const size_t n = size_t(std::min<uint64_t>(sizeof block, input.Size() - p));
    input.Seek(p);
    input.Read(block, n);
    for (size_t i = 0; i < n; ++i)
      if (block[i] != 0) return false;
    p += n;
  }
  return true;
}

SoundRefusal ScanFrames(ByteInput& input, uint64_t first, const FrameParser& parse, FrameScan* scan) {
  SoundRefusal refusal;
  *scan = FrameScan();
  scan->first = first;
  uint64_t at = first;
  const uint64_t size = input.Size();
  while (at < size) {
    uint8_t b[kFramePeek];
    input.Seek(at);
    input.Read(b, sizeof b);
    FrameFacts f;
    const bool frame = parse(b, &f) && (scan->frames == 0 || f.stream == scan->head.stream);
    if (!frame) {
      if (scan->frames > 0 && TrailingTag(input, at)) break;
      refusal.kind = SoundRefusal::NotSound;
      refusal.english = Fill(texts::kNoFrameAt.english, {At(at), std::to_string(scan->frames)});
      refusal.japanese = Fill(texts::kNoFrameAt.japanese, {At(at), std::to_string(scan->frames)});
      return refusal;
    }
    if (at + f.bytes > size) {
      refusal.kind = SoundRefusal::Truncated;
      refusal.english = Fill(texts::kLastFrameCutShort.english, {At(at), std::to_string(f.bytes), At(size - at)});
      refusal.japanese = Fill(texts::kLastFrameCutShort.japanese, {At(at), std::to_string(f.bytes), At(size - at)});
      return refusal;
    }
    if (scan->frames == 0) scan->head = f;
    if (f.bitrate != scan->head.bitrate) scan->oneBitrate = false;
    if (f.bytes > scan->largest) scan->largest = f.bytes;
    scan->frames++;
    scan->bytes += f.bytes;
    at += f.bytes;
  }
  scan->end = at;
  if (input.Fault()) {
    refusal.kind = SoundRefusal::Unreadable;
    refusal.english = refusal.japanese = DescribeReadFault(input.Fault(), 1);
    return refusal;
  }
  if (scan->frames == 0) {
    refusal.kind = SoundRefusal::Empty;
    refusal.english = texts::kNoFrames.english;
    refusal.japanese = texts::kNoFrames.japanese;
  }
  return refusal;
}

std::unique_ptr<SoundSource> MakeFrameSource(std::shared_ptr<ByteInput> input, const FrameScan& scan,
                                             FrameParser parse, const SoundFormat& format) {
  return std::make_unique<FrameSource>(std::move(input), scan, std::move(parse), format);
}

void PutU16(std::vector<uint8_t>& to, uint16_t v) {
  to.push_back(uint8_t(v));
  to.push_back(uint8_t(v >> 8));
}
void PutU32(std::vector<uint8_t>& to, uint32_t v) {
  PutU16(to, uint16_t(v));
  PutU16(to, uint16_t(v >> 16));
}

void FrameFormat(const FrameScan& scan, uint16_t formatTag, SoundFormat* f) {
  const FrameFacts& h = scan.head;
  f->formatTag = formatTag;
  f->channels = uint16_t(h.channels);
  f->sampleRate = h.sampleRate;
  f->pcm = false;
  f->pieces = scan.frames;
  // Seconds = frames x samples / rate; the byte rate of a constant bit rate.
  const uint64_t samples = scan.frames * h.samples;
  uint32_t avgBytes = samples ? uint32_t(scan.bytes * h.sampleRate / samples) : 0;
  if (scan.oneBitrate) {
    avgBytes = h.bitrate / 8;
    f->scale = 1;
    f->rate = avgBytes;
    f->sampleSize = 1;
    f->units = scan.bytes;
    f->blockAlign = 1;
  } else {
    f->scale = h.samples;
    f->rate = h.sampleRate;
    f->sampleSize = 0;
    f->units = scan.frames;
    f->blockAlign = uint16_t(h.samples);
  }
  f->strf.clear();
  PutU16(f->strf, formatTag);
  PutU16(f->strf, f->channels);
  PutU32(f->strf, f->sampleRate);
  PutU32(f->strf, avgBytes);
  PutU16(f->strf, f->blockAlign);
  PutU16(f->strf, 0);  // wBitsPerSample
}
