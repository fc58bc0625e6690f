// PCM loudness read without a decoder (detect/pcm_peaks.h): each sample's
// peak is its loudest channel's magnitude as a share of full scale, for
// the channel counts and sample sizes AVI files carry, with samples split
// between chunks as writers split them.
#include <gtest/gtest.h>

#include <vector>

#include "detect/pcm_peaks.h"

namespace {

StreamFormat Pcm(int channels, int bits) {
  StreamFormat f;
  f.formatTag = 1;
  f.channels = uint16_t(channels);
  f.bitsPerSample = uint16_t(bits);
  f.blockAlign = uint16_t(channels * bits / 8);
  return f;
}

// 16-bit little-endian samples, channels interleaved.
std::vector<uint8_t> Bytes16(const std::vector<int16_t>& values) {
  std::vector<uint8_t> out;
  for (int16_t v : values) out.insert(out.end(), {uint8_t(uint16_t(v) & 0xFF), uint8_t(uint16_t(v) >> 8)});
  return out;
}

// Each chunk split after every `split` bytes: the peaks do not depend on it.
std::vector<float> PeaksOf(const StreamFormat& f, const std::vector<uint8_t>& bytes, size_t split) {
  PcmPeaks pcm(f);
  std::vector<float> peaks;
  for (size_t at = 0; at < bytes.size(); at += split)
    pcm.Add(bytes.data() + at, std::min(split, bytes.size() - at), &peaks);
  return peaks;
}

TEST(PcmPeaks, SixteenBitsLoudestChannelAnyChannelsAnySplit) {
  const std::vector<int16_t> values = {0, -32768, 32767, 100, -100, 0, 5, -7, 16384, -16384, 1, -1};
  const struct {
    int channels;
    std::vector<float> peaks;
  } cases[] = {
      {1, {0, 1, 32767 / 32768.f, 100 / 32768.f, 100 / 32768.f, 0, 5 / 32768.f, 7 / 32768.f, 0.5f, 0.5f,
           1 / 32768.f, 1 / 32768.f}},
      {2, {1, 32767 / 32768.f, 100 / 32768.f, 7 / 32768.f, 0.5f, 1 / 32768.f}},
      {3, {1, 100 / 32768.f, 0.5f, 0.5f}},
      {6, {1, 0.5f}},
  };
  for (const auto& c : cases)
    for (size_t split : {size_t(1), size_t(3), size_t(5), size_t(24)})
      EXPECT_EQ(PeaksOf(Pcm(c.channels, 16), Bytes16(values), split), c.peaks)
          << c.channels << " channels, chunks of " << split << " bytes";
}

TEST(PcmPeaks, EightBitsAreUnsignedAndTwentyFourSigned) {
  EXPECT_EQ(PeaksOf(Pcm(2, 8), {0x80, 0x80, 0x00, 0x90, 0xC0, 0x40}, 3), (std::vector<float>{0, 1, 0.5f}));
  // 0x800000 is the most negative 24-bit value, 0x400000 half of full scale.
  EXPECT_EQ(PeaksOf(Pcm(1, 24), {0, 0, 0x80, 0, 0, 0x40, 0, 0, 0}, 2), (std::vector<float>{1, 0.5f, 0}));
}

}  // namespace
