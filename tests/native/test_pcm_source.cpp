// The preview's sound (codec/pcm_source.h) against FFmpeg's own decoding of
// the real writers' samples: the samples read from a time are the samples
// `ffmpeg -i F -ss T -f s16le` gives from that time, for PCM, MP3 (constant
// and variable rate), AC-3 and AAC (raw, its setup bytes after strf's
// WAVEFORMATEX), and the stream ends where FFmpeg's does.
// (-ss after -i: FFmpeg decodes from the start and drops what lies before T.
// Before -i it starts at the first sound chunk after the video chunk it seeks
// to, up to a chunk later than T.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "avi/avi_source.h"
#include "codec/pcm_source.h"
#include "sample_list.h"

namespace {

std::vector<avitest::Sample> SoundSamples() {
  std::vector<avitest::Sample> out;
  for (const avitest::Sample& s : avitest::Samples())
    if (s.audio != "none") out.push_back(s);
  return out;
}

// FFmpeg's 16-bit PCM of the first sound stream from seconds on (all of it
// to the end when frames is 0), channels interleaved.
std::vector<int16_t> FfmpegPcm(const std::string& path, double seconds, unsigned channels, size_t frames) {
  std::ostringstream cmd;
  cmd << "ffmpeg -v error -i '" << path << "' -ss " << seconds << " -map 0:a:0 -ac " << channels
      << " -f s16le - 2>/dev/null";
  std::vector<int16_t> out;
  std::FILE* p = popen(cmd.str().c_str(), "r");
  if (p == nullptr) return out;
  int16_t buffer[4096];
  size_t got;
  while ((frames == 0 || out.size() < frames * channels) &&
         (got = std::fread(buffer, sizeof(int16_t), 4096, p)) > 0)
    out.insert(out.end(), buffer, buffer + got);
  pclose(p);
  if (frames > 0 && out.size() > frames * channels) out.resize(frames * channels);
  return out;
}

std::vector<int16_t> OursFrom(PcmSource& sound, double seconds, size_t frames) {
  sound.Seek(uint64_t(seconds * 1e6));
  std::vector<int16_t> out(frames * sound.Channels());
  out.resize(sound.Read(out.data(), frames) * sound.Channels());
  return out;
}

struct Opened {
  AviSource source;
  AviAnalysis analysis{};
  bool Open(const std::string& path) { return source.Open(path.c_str()) && source.Analyse(analysis, nullptr, 0, 10); }
};

// Runs check on each sample with sound, its sound opened.
template <typename Check>
void ForEachSound(Check check) {
  const std::vector<avitest::Sample> samples = SoundSamples();
  if (samples.empty()) GTEST_SKIP() << "no samples";
  for (const avitest::Sample& s : samples) {
    SCOPED_TRACE(s.file);
    Opened file;
    ASSERT_TRUE(file.Open(s.file));
    PcmSource sound(file.source.Input(), file.analysis);
    std::string why;
    ASSERT_TRUE(sound.Open(&why)) << why;
    check(s, sound);
  }
}

// Samples that differ from FFmpeg's by more than a rounding step, at the
// best of the lags allowed.
size_t Differing(const std::vector<int16_t>& ours, const std::vector<int16_t>& theirs, size_t frames,
                 unsigned channels, int lags) {
  size_t best = ours.size();
  for (int lag = -lags; lag <= lags; ++lag) {
    size_t differ = 0;
    for (size_t i = 2 * channels; i < (frames - 2) * channels; ++i)
      differ += std::abs(ours[i] - theirs[size_t(long(i) + lag * long(channels))]) > (lags ? 1 : 0);
    best = std::min(best, differ);
  }
  return best;
}

TEST(PcmSource, SamplesFromATimeAreFfmpegs) {
  ForEachSound([](const avitest::Sample& s, PcmSource& sound) {
    // Decoders that give floating-point samples may round one step apart
    // from FFmpeg's converter; byte-counted MP3 (GStreamer's: frames of 417
    // and 418 bytes) starts from a time its bytes stand for, up to 2 samples
    // off the frames' own count.
    const bool plain = s.audio == "pcm" || s.audio == "pcm+mp3";
    for (double t : {0.0, 1.7, s.seconds / 2 + 0.31}) {
      SCOPED_TRACE(t);
      const size_t frames = 600;
      const std::vector<int16_t> ours = OursFrom(sound, t, frames);
      const std::vector<int16_t> theirs = FfmpegPcm(s.file, t, sound.Channels(), frames);
      ASSERT_EQ(ours.size(), frames * sound.Channels());
      ASSERT_EQ(theirs.size(), ours.size());
      EXPECT_EQ(Differing(ours, theirs, frames, sound.Channels(), plain ? 0 : 2), 0u)
          << "first: " << ours[0] << " vs " << theirs[0];
    }
  });
}

TEST(PcmSource, EndsWhereFfmpegsSoundEnds) {
  ForEachSound([](const avitest::Sample& s, PcmSource& sound) {
    const double t = s.seconds - 1.5;
    const size_t theirs = FfmpegPcm(s.file, t, sound.Channels(), 0).size() / sound.Channels();
    sound.Seek(uint64_t(t * 1e6));
    std::vector<int16_t> buffer(1000 * sound.Channels());
    size_t ours = 0, got;
    while ((got = sound.Read(buffer.data(), 1000)) > 0) ours += got;
    EXPECT_EQ(sound.Read(buffer.data(), 1000), 0u);
    // GStreamer's byte-counted MP3: samples off, as above.
    EXPECT_NEAR(double(ours), double(theirs), s.audio == "pcm" ? 0.0 : 1.0) << "rate " << sound.Rate();
  });
}

}  // namespace
