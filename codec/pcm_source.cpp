// The first sound stream as 16-bit PCM from a chosen time (codec/pcm_source.h).
#include "codec/pcm_source.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "codec/sound_decoder.h"

namespace {

// More than any sound chunk of a real recording; a larger one is damage.
constexpr uint32_t kMaxChunk = 16u << 20;
// Compressed sound is decoded from a little before the sample asked for:
// an MP3 frame can take its first bytes from the frames before it (the bit
// reservoir), and the parser needs a frame's start to find its feet.
constexpr uint64_t kPrerollDivisor = 8;  // 1/8 s

int16_t ClipPcm(long v) { return int16_t(std::min(32767L, std::max(-32768L, v))); }

// Sample c of a plain PCM frame as 16-bit.
int16_t PlainSample(const uint8_t* p, const StreamFormat& f) {
  if (f.formatTag == 0x0003) {  // IEEE float, rounded as FFmpeg's conversion does
    float v;
    std::memcpy(&v, p, 4);
    return ClipPcm(std::lrintf(v * 32768.0f));
  }
  switch (f.bitsPerSample) {
    case 8: return int16_t((p[0] - 0x80) << 8);  // 8-bit PCM is unsigned: silence is 0x80
    case 16: return int16_t(p[0] | (p[1] << 8));
    case 24: return int16_t(p[1] | (p[2] << 8));  // the top 16 bits
    default: return int16_t(p[2] | (p[3] << 8));
  }
}

bool ReadablePcm(const StreamFormat& f) {
  if (f.formatTag == 0x0003) return f.bitsPerSample == 32;
  return f.bitsPerSample == 8 || f.bitsPerSample == 16 || f.bitsPerSample == 24 || f.bitsPerSample == 32;
}

}  // namespace

PcmSource::PcmSource(ByteInput& input, const AviAnalysis& analysis)
    : input_(input), analysis_(analysis), index_(input, analysis.idx1Offset, analysis.idx1EntryTotal) {}

PcmSource::~PcmSource() = default;

bool PcmSource::Open(std::string* why) {
  if (analysis_.idx1Offset == 0) {
    *why = "the file has no index (idx1)";
    return false;
  }
  const std::vector<StreamFormat> formats = ReadStreamFormats(analysis_, input_);
  for (size_t n = 0; n < formats.size() && stream_ < 0; ++n)
    if (formats[n].fccType == kAuds) stream_ = int(n);
  if (stream_ < 0) {
    *why = "the file has no sound stream";
    return false;
  }
  format_ = formats[size_t(stream_)];
  channels_ = std::min<uint16_t>(format_.channels, 2);
  if (format_.samplesPerSec == 0 || channels_ == 0) {
    *why = "its sound stream has no sample rate or no channels";
    return false;
  }
  if (IsPlainPcm(format_.formatTag)) {
    if (ReadablePcm(format_) && format_.blockAlign >= channels_ * format_.bitsPerSample / 8) return true;
    *why = "its PCM sound has " + std::to_string(format_.bitsPerSample) + "-bit samples";
    return false;
  }
  decoder_.reset(new SoundDecoder);
  return decoder_->Open(format_, why);
}

uint64_t PcmSource::StartOf(uint64_t bytesBefore, uint64_t chunksBefore) const {
  if (!Compressed()) return bytesBefore / format_.blockAlign;
  if (format_.rate == 0) return 0;
  // Constant-rate sound counts bytes (dwSampleSize), variable-rate sound
  // (most MP3 in AVI) one strh sample per chunk; dwScale/dwRate seconds each.
  const uint64_t units = format_.sampleSize > 0 ? bytesBefore / format_.sampleSize : chunksBefore;
  return uint64_t(double(units) * format_.scale * format_.samplesPerSec / format_.rate);
}

void PcmSource::Seek(uint64_t micros) {
  target_ = uint64_t(double(micros) * format_.samplesPerSec / 1e6);
  const uint64_t preroll = Compressed() ? format_.samplesPerSec / kPrerollDivisor : 0;
  const uint64_t from = target_ > preroll ? target_ - preroll : 0;
  uint64_t bytes = 0, chunks = 0;
  entry_ = 0;
  position_ = 0;
  // The last sound chunk that starts at or before the sample to decode from.
  for (uint32_t i = 0; i < index_.Total(); ++i) {
    const IndexEntry e = index_.At(i);
    if (StreamOfCkid(e.ckid) != stream_) continue;
    const uint64_t start = StartOf(bytes, chunks);
    if (start > from) break;
    entry_ = i;
    position_ = start;
    bytes += e.length;
    ++chunks;
  }
  if (decoder_) decoder_->Reset();
  finished_ = false;
  pending_.clear();
  used_ = 0;
}

size_t PcmSource::Read(int16_t* out, size_t frames) {
  size_t done = 0;
  while (done < frames) {
    const size_t have = pending_.size() / channels_ - used_;
    if (have > 0) {
      const size_t n = std::min(have, frames - done);
      std::memcpy(out + done * channels_, pending_.data() + used_ * channels_, n * channels_ * sizeof(int16_t));
      used_ += n;
      done += n;
      continue;
    }
    position_ += pending_.size() / channels_;
    pending_.clear();
    used_ = 0;
    if (!NextChunk()) break;
    if (position_ < target_) used_ = size_t(std::min<uint64_t>(target_ - position_, pending_.size() / channels_));
  }
  return done;
}

bool PcmSource::NextChunk() {
  while (entry_ < index_.Total()) {
    const IndexEntry e = index_.At(entry_++);
    if (StreamOfCkid(e.ckid) != stream_ || e.length > kMaxChunk) continue;
    const uint64_t at = ChunkPosition(analysis_.chunkBase, e) + 8;
    chunk_.resize(e.length);
    if (at + e.length > input_.Size() || input_.ReadBulk(at, chunk_.data(), e.length) != e.length) return false;
    if (Compressed())
      decoder_->DecodePcm(chunk_.data(), chunk_.size(), &pending_);
    else
      ConvertPcm(chunk_.data(), chunk_.size());
    if (!pending_.empty()) return true;
  }
  if (Compressed() && !finished_) {  // the frames the decoder still holds
    finished_ = true;
    decoder_->FinishPcm(&pending_);
    return !pending_.empty();
  }
  return false;
}

void PcmSource::ConvertPcm(const uint8_t* data, size_t size) {
  const size_t bytes = format_.bitsPerSample / 8;
  // Whole blocks only: a chunk that ends inside a block is damage, its part block dropped.
  for (size_t at = 0; at + format_.blockAlign <= size; at += format_.blockAlign)
    for (uint16_t c = 0; c < channels_; ++c) pending_.push_back(PlainSample(data + at + c * bytes, format_));
}
