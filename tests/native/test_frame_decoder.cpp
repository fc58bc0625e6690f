// The frame decoder (codec/frame_decoder.h) on the real writers' samples:
// a request for the next frame sends one chunk more, a request behind the
// last starts again at its key frame, and a frame reached step by step is
// the same picture as the frame reached at once. (Its pictures against
// FFmpeg's own: tests/cli/test_frame_cli.py.)
#include <gtest/gtest.h>

#include "avi/avi_source.h"
#include "avi/key_frame_list.h"
#include "codec/frame_decoder.h"
#include "sample_list.h"

namespace {

struct Opened {
  AviSource source;
  AviAnalysis analysis{};
  KeyFrameList keys;
  bool Open(const std::string& path) {
    return source.Open(path.c_str()) && source.Analyse(analysis, nullptr, 0, 10) &&
           ListKeyFrames(source, analysis, &keys) == FrameListProblem::None && keys.keys.size() >= 2;
  }
};

// The samples whose codec FFmpeg decodes (all of them) and whose groups are
// long enough to step in.
std::vector<std::string> SteppingSamples() {
  std::vector<std::string> out;
  for (const avitest::Sample& s : avitest::Samples())
    if (s.file.find("_g1.") == std::string::npos) out.push_back(s.file);
  return out;
}

TEST(FrameDecoder, NextFrameSendsOneChunkAndEarlierStartsAgain) {
  const std::vector<std::string> samples = SteppingSamples();
  if (samples.empty()) GTEST_SKIP() << "no samples";
  for (const std::string& path : samples) {
    SCOPED_TRACE(path);
    Opened file;
    ASSERT_TRUE(file.Open(path));
    FrameDecoder decoder(file.source, file.analysis, file.keys);
    ASSERT_EQ(decoder.Open(), DecodeStatus::Ok) << decoder.Failure();
    const uint32_t key = file.keys.keys[1].frame;
    Picture picture;
    ASSERT_EQ(decoder.Decode(key + 3, PictureFormat::Rgb24, &picture), DecodeStatus::Ok) << decoder.Failure();
    for (uint32_t n = key + 4; n < key + 8; ++n) {
      const uint64_t before = decoder.ChunksDecoded();
      ASSERT_EQ(decoder.Decode(n, PictureFormat::Rgb24, &picture), DecodeStatus::Ok) << decoder.Failure();
      EXPECT_LE(decoder.ChunksDecoded() - before, 1u) << "frame " << n;
    }
    // Behind the last request: from the key frame again (or the one before
    // it, whose group the B-frames of an open group need: libxvid packs the
    // first of them with the key frame), up to the frame and the decoder's
    // delay.
    const uint64_t before = decoder.ChunksDecoded();
    ASSERT_EQ(decoder.Decode(key + 1, PictureFormat::Rgb24, &picture), DecodeStatus::Ok) << decoder.Failure();
    EXPECT_LE(decoder.ChunksDecoded() - before, key + 1 - file.keys.keys[0].frame + 4u);
    EXPECT_GE(decoder.ChunksDecoded() - before, 2u);
  }
}

TEST(FrameDecoder, StepByStepIsTheFrameAtOnce) {
  const std::vector<std::string> samples = SteppingSamples();
  if (samples.empty()) GTEST_SKIP() << "no samples";
  for (const std::string& path : samples) {
    SCOPED_TRACE(path);
    Opened file;
    ASSERT_TRUE(file.Open(path));
    const uint32_t key = file.keys.keys[1].frame;
    const uint32_t target = std::min(key + 9, file.keys.frames - 1);
    FrameDecoder stepping(file.source, file.analysis, file.keys), direct(file.source, file.analysis, file.keys);
    ASSERT_EQ(stepping.Open(), DecodeStatus::Ok);
    ASSERT_EQ(direct.Open(), DecodeStatus::Ok);
    Picture stepped, atOnce, grey;
    for (uint32_t n = key > 2 ? key - 2 : 0; n <= target; ++n)
      ASSERT_EQ(stepping.Decode(n, PictureFormat::Rgb24, &stepped), DecodeStatus::Ok) << n << stepping.Failure();
    ASSERT_EQ(direct.Decode(target, PictureFormat::Rgb24, &atOnce), DecodeStatus::Ok) << direct.Failure();
    EXPECT_EQ(stepped.pixels, atOnce.pixels);
    EXPECT_EQ(atOnce.pixels.size(), size_t(atOnce.width) * atOnce.height * 3);
    ASSERT_EQ(direct.Decode(target, PictureFormat::Grey8, &grey), DecodeStatus::Ok);
    EXPECT_EQ(grey.pixels.size(), size_t(grey.width) * grey.height);
    EXPECT_EQ(direct.Decode(file.keys.frames, PictureFormat::Rgb24, &grey), DecodeStatus::PastEnd);
  }
}

}  // namespace
