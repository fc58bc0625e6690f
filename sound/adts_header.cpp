// The AudioSpecificConfig read and the ADTS header made (sound/adts_header.h).
#include "sound/adts_header.h"

namespace {

constexpr uint32_t kAdtsRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                 22050, 16000, 12000, 11025, 8000,  7350};

class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint32_t Bits(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i, ++at_) {
      if (at_ / 8 >= size_) {
        short_ = true;
        v <<= 1;
        continue;
      }
      v = (v << 1) | ((data_[at_ / 8] >> (7 - at_ % 8)) & 1);
    }
    return v;
  }
  bool Short() const { return short_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
  bool short_ = false;
};

int ObjectType(BitReader& bits) {
  const int type = int(bits.Bits(5));
  return type == 31 ? 32 + int(bits.Bits(6)) : type;
}

// The index of a rate, or -1.
int IndexOfRate(uint32_t rate) {
  for (int i = 0; i < 13; ++i)
    if (kAdtsRates[i] == rate) return i;
  return -1;
}

int FrequencyIndex(BitReader& bits) {
  const int index = int(bits.Bits(4));
  return index == 15 ? IndexOfRate(bits.Bits(24)) : index;
}

uint16_t FormatU16(const std::vector<uint8_t>& b, size_t at) {
  return b.size() >= at + 2 ? uint16_t(b[at] | (b[at + 1] << 8)) : 0;
}
uint32_t FormatU32(const std::vector<uint8_t>& b, size_t at) { return FormatU16(b, at) | (uint32_t(FormatU16(b, at + 2)) << 16); }

}  // namespace

AacConfigProblem ReadAacConfig(const std::vector<uint8_t>& format, AacConfig* config) {
  const uint16_t tag = FormatU16(format, 0);
  const size_t extra = format.size() >= 18 ? format.size() - 18 : 0;
  const size_t cbSize = FormatU16(format, 16) < extra ? FormatU16(format, 16) : extra;
  size_t at = 18;
  size_t bytes = cbSize;
  if (tag == 0x1610 && bytes >= 12) at += 12, bytes -= 12;  // HEAACWAVEINFO's own fields
  if (bytes < 2) {
    // No configuration: AAC LC at the WAVEFORMATEX's rate and channels.
    const int index = IndexOfRate(FormatU32(format, 4));
    const int channels = FormatU16(format, 2);
    if (index < 0) return AacConfigProblem::Frequency;
    // Configurations 1..6 are that many channels; 7 is eight (7.1).
    if (channels < 1 || channels > 8 || channels == 7) return AacConfigProblem::Channels;
    *config = AacConfig{2, index, channels == 8 ? 7 : channels};
    return AacConfigProblem::None;
  }
  BitReader bits(format.data() + at, bytes);
  AacConfig c;
  c.objectType = ObjectType(bits);
  c.frequencyIndex = FrequencyIndex(bits);
  c.channels = int(bits.Bits(4));
  if (c.objectType == 5 || c.objectType == 29) {  // SBR / PS: the core follows
    FrequencyIndex(bits);                           // the extension's rate
    c.objectType = ObjectType(bits);
  }
  if (bits.Short()) return AacConfigProblem::NoConfig;
  if (c.objectType < 1 || c.objectType > 4) return AacConfigProblem::ObjectType;
  if (c.frequencyIndex < 0 || c.frequencyIndex > 12) return AacConfigProblem::Frequency;
  if (c.channels < 1 || c.channels > 7) return AacConfigProblem::Channels;
  *config = c;
  return AacConfigProblem::None;
}

void MakeAdtsHeader(const AacConfig& c, uint32_t frameBytes, uint8_t h[7]) {
  const uint32_t length = frameBytes + 7;
  h[0] = 0xFF;
  h[1] = 0xF1;  // MPEG-4, layer 0, no CRC
  h[2] = uint8_t(((c.objectType - 1) << 6) | (c.frequencyIndex << 2) | ((c.channels >> 2) & 1));
  h[3] = uint8_t(((c.channels & 3) << 6) | ((length >> 11) & 3));
  h[4] = uint8_t(length >> 3);
  h[5] = uint8_t(((length & 7) << 5) | 0x1F);  // buffer fullness 0x7FF: variable rate
  h[6] = 0xFC;                                 // ... and one raw data block
}

bool IsAdtsFrame(const uint8_t* d, size_t size) {
  if (size < 7 || d[0] != 0xFF || (d[1] & 0xF6) != 0xF0) return false;
  const uint32_t length = (uint32_t(d[3] & 3) << 11) | (uint32_t(d[4]) << 3) | (d[5] >> 5);
  return length == size;
}
