// The split on files written by real muxers (ffmpeg, gstreamer's avimux with
// absolute index offsets, mencoder; PCM, MP3, AC3; key frames every 1 to 250).
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <sstream>

#include "tests/native/test_split_support.h"
#include "tests/native/sample_list.h"

using namespace avitest;
using namespace splittest;

namespace {

std::string Copy(const std::string& from, const std::string& dir) {
  std::string to = dir + "in.avi";
  EXPECT_TRUE(WriteFile(to, ReadBytes(from)));
  return to;
}

// Video index entries with data in [from, to): ffprobe skips empty ones.
long NonEmptyFrames(const std::string& path, uint32_t from, uint32_t to) {
  auto an = Analyse(path);
  Bytes src = ReadBytes(path);
  std::vector<Bytes> v = SourceChunks(src, an->analysis, an->analysis.firstVideoStream);
  long n = 0;
  for (uint32_t i = from; i < to && i < v.size(); ++i) n += v[i].empty() ? 0 : 1;
  return n;
}

// An MP3 stream with a constant dwSampleSize is cut by bytes like PCM, so an
// output may begin or end inside an MP3 frame; the decoder says "Header
// missing" once and resynchronises at the next frame header.
std::string WithoutMp3Resync(const std::string& errors, const Sample& s) {
  if (s.audio.find("mp3") == std::string::npos) return errors;
  std::string kept, line;
  std::stringstream in(errors);
  while (std::getline(in, line))
    if (line.find("mp3") == std::string::npos || line.find("Header missing") == std::string::npos)
      kept += line + "\n";
  return kept;
}

}  // namespace

TEST(SplitSamples, OutputsPlayAndHoldExactlyTheirShare) {
  std::vector<Sample> samples = Samples();
  if (samples.empty()) GTEST_SKIP() << "TAVRIN_SAMPLES not set or empty";
  std::string dir = FreshDir("samples");
  for (size_t i = 0; i < samples.size(); ++i) {
    const Sample& s = samples[i];
    SCOPED_TRACE(s.file);
    std::string in = Copy(s.file, dir);
    const long sourcePackets = Ffprobe(in).packets;
    auto source = Analyse(in);
    const AviAnalysis& a = source->analysis;
    const uint32_t V = a.streams[a.firstVideoStream].idx1EntryCount;
    struct {
      double at;
      const char* overlap;
    } cuts[] = {{s.seconds * 0.31, ""}, {s.seconds * 0.62, "5"}, {s.seconds * 0.5, "0.7"}};
    for (size_t k = 0; k < 3; ++k) {
      if (!avitest::SampleTakesCase(i, k, 3, 2)) continue;
      const auto& c = cuts[k];
      char seconds[32];
      std::snprintf(seconds, sizeof seconds, "%.3f", c.at);
      SCOPED_TRACE(std::string(seconds) + " s, overlap " + c.overlap);
      SplitFields f;
      f.file = in;
      f.seconds = seconds;
      f.overlap = c.overlap;
      auto run = RunSplitJob(f);
      // Long key-frame intervals may leave no key frame after the time or
      // before the overlap; those refusals are fine, anything else is not.
      if (run->result == 9 || run->result == 23 || run->result == 24) continue;
      ASSERT_EQ(run->result, 0) << run->message();
      std::string p1 = dir + "in-1.avi", p2 = dir + "in-2.avi";
      OutputLayout first, second;
      CheckOutput(ReadBytes(p1), &first, a.firstVideoStream);
      CheckOutput(ReadBytes(p2), &second, a.firstVideoStream);
      CheckAgainstSource(in, &first, &second);
      ProbeReport r1 = Ffprobe(p1), r2 = Ffprobe(p2);
      EXPECT_EQ(WithoutMp3Resync(r1.errors, s), "");
      EXPECT_EQ(WithoutMp3Resync(r2.errors, s), "");
      EXPECT_GT(r1.frames, 0);
      EXPECT_GT(r2.frames, 0);
      // Frame counts add up, the overlap counted twice.
      uint32_t secondStart = V - second.videoEntries;
      ASSERT_GE(first.videoEntries, secondStart);
      EXPECT_EQ(r1.packets + r2.packets, sourcePackets + NonEmptyFrames(in, secondStart, first.videoEntries));
      if (c.overlap[0] == 0) {
        EXPECT_EQ(first.videoEntries, secondStart);
      }
    }
  }
}

TEST(SplitSamples, BothAtOnceEqualSeparateRuns) {
  std::vector<Sample> samples = Samples();
  if (samples.empty()) GTEST_SKIP() << "TAVRIN_SAMPLES not set or empty";
  std::string dir = FreshDir("samples_modes");
  int compared = 0;
  for (const Sample& s : samples) {
    // One file per muxer is enough here.
    if (s.file.find("ffmpeg_mpeg4_pcm_g12") == std::string::npos &&
        s.file.find("gst_mpeg4_mp3") == std::string::npos && s.file.find("mencoder_mpeg4_pcm") == std::string::npos)
      continue;
    SCOPED_TRACE(s.file);
    std::string in = Copy(s.file, dir);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", s.seconds * 0.55);
    SplitFields f;
    f.file = in;
    f.seconds = seconds;
    f.overlap = "3";
    ASSERT_EQ(RunSplitJob(f)->result, 0);
    Bytes both1 = ReadBytes(dir + "in-1.avi"), both2 = ReadBytes(dir + "in-2.avi");
    std::remove((dir + "in-1.avi").c_str());
    std::remove((dir + "in-2.avi").c_str());
    f.create = CreateMode::First;
    ASSERT_EQ(RunSplitJob(f)->result, 0);
    f.create = CreateMode::Second;
    ASSERT_EQ(RunSplitJob(f)->result, 0);
    EXPECT_TRUE(ReadBytes(dir + "in-1.avi") == both1);
    EXPECT_TRUE(ReadBytes(dir + "in-2.avi") == both2);
    ++compared;
  }
  EXPECT_EQ(compared, 3);
}
