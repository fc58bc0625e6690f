// Reading PCM samples' loudness (detect/pcm_peaks.h).
#include "detect/pcm_peaks.h"

#include <algorithm>
#include <cmath>
#include <cstring>

PcmPeaks::PcmPeaks(const StreamFormat& f) {
  const int bits = f.bitsPerSample;
  // WAVE_FORMAT_EXTENSIBLE (0xFFFE) as its usual PCM sub-format.
  const bool integer = f.formatTag == 0x0001 || f.formatTag == 0xFFFE;
  if (integer && (bits == 8 || bits == 16 || bits == 24 || bits == 32)) bytes_ = bits / 8;
  if (f.formatTag == 0x0003 && bits == 32) {
    bytes_ = 4;
    isFloat_ = true;
  }
  channels_ = f.channels;
  // A block align that disagrees with the channels and bits is no layout this reads.
  if (f.blockAlign != 0 && f.blockAlign != bytes_ * channels_) bytes_ = 0;
}

namespace {

// 16-bit samples of `channels` channels, the usual case: a loop the
// compiler turns into vector instructions when the channels are known.
template <int kChannels>
void Peaks16(const uint8_t* data, size_t samples, int channels, float* out) {
  const int n = kChannels > 0 ? kChannels : channels;
  for (size_t i = 0; i < samples; ++i) {
    const uint8_t* s = data + i * size_t(n) * 2;
    int peak = 0;
    for (int c = 0; c < n; ++c, s += 2) {
      const int v = int16_t(uint16_t(s[0] | s[1] << 8));
      peak = std::max(peak, v < 0 ? -v : v);
    }
    out[i] = peak / 32768.0f;
  }
}

}  // namespace

float PcmPeaks::Peak(const uint8_t* s) const {
  if (bytes_ == 2) {  // the usual case, in integers
    int peak = 0;
    for (int c = 0; c < channels_; ++c, s += 2) {
      const int v = int16_t(uint16_t(s[0] | s[1] << 8));
      peak = std::max(peak, v < 0 ? -v : v);
    }
    return peak / 32768.0f;
  }
  float peak = 0;
  for (int c = 0; c < channels_; ++c, s += bytes_) {
    float v;
    switch (bytes_) {
      case 1: v = (int(s[0]) - 128) / 128.0f; break;
      case 2: v = int16_t(uint16_t(s[0] | s[1] << 8)) / 32768.0f; break;
      case 3: v = float(int32_t(uint32_t(s[0]) << 8 | uint32_t(s[1]) << 16 | uint32_t(s[2]) << 24) / 2147483648.0); break;
      default:
        if (isFloat_) {
          std::memcpy(&v, s, 4);  // little-endian hosts only, as every host Tavrin runs on
        } else {
          v = float(int32_t(uint32_t(s[0]) | uint32_t(s[1]) << 8 | uint32_t(s[2]) << 16 | uint32_t(s[3]) << 24) /
                    2147483648.0);
        }
    }
    peak = std::fmax(peak, std::fabs(v));
  }
  return peak;
}

void PcmPeaks::Add(const uint8_t* data, size_t size, std::vector<float>* peaks) {
  const size_t block = size_t(bytes_) * size_t(channels_);
  if (block == 0) return;
  if (!part_.empty()) {
    const size_t take = std::min(block - part_.size(), size);
    part_.insert(part_.end(), data, data + take);
    data += take;
    size -= take;
    if (part_.size() < block) return;
    peaks->push_back(Peak(part_.data()));
    part_.clear();
  }
  const size_t whole = size / block;
  const size_t at = peaks->size();
  peaks->resize(at + whole);
  float* out = peaks->data() + at;
  if (bytes_ == 2 && channels_ == 2)
    Peaks16<2>(data, whole, channels_, out);
  else if (bytes_ == 2 && channels_ == 1)
    Peaks16<1>(data, whole, channels_, out);
  else if (bytes_ == 2)
    Peaks16<0>(data, whole, channels_, out);
  else
    for (size_t i = 0; i < whole; ++i) out[i] = Peak(data + i * block);
  part_.assign(data + whole * block, data + size);
}
