// Split then merge on files written by real muxers (ffmpeg, gstreamer's
// avimux with absolute index offsets, mencoder; PCM, MP3, AC3; key frames
// every 1 to 250): the merge finds the overlap the split left and reports the
// playing time of the file that was split.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "split/split_job.h"
#include "tests/native/test_merge_support.h"
#include "tests/native/sample_list.h"

using namespace mergetest;

using avitest::Sample;
using avitest::Samples;

namespace {

std::string FreshDir(const std::string& name) {
  std::string dir = testing::TempDir() + "tavrin_merge_" + name;
  EXPECT_EQ(std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str()), 0);
  return dir + "/";
}

void CopyFile(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  std::ofstream out(to, std::ios::binary);
  out << in.rdbuf();
}

// Splits path at the given seconds with both outputs (the split job, as the
// Split tab runs it); returns its result.
int32_t Split(const std::string& path, double seconds, const std::string& overlap) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", seconds);
  SplitRequest request;
  request.path = path;
  request.hours = "0";
  request.minutes = "0";
  request.seconds = text;
  request.overlap = overlap;
  NativeSink sink;
  return SplitJob(request, sink).Number();
}

struct Facts {
  uint32_t frames = 0;  // video index entries
  uint32_t microSecPerFrame = 0;
  uint64_t size = 0;
};

Facts FactsOf(const std::string& path) {
  ByteInput input;
  AviAnalysis a{};
  Facts f;
  EXPECT_TRUE(input.Open(path.c_str()));
  f.size = input.Size();
  WalkInput(a, input, uint32_t(f.size));
  f.frames = a.streams[a.firstVideoStream].idx1EntryCount;
  f.microSecPerFrame = input.U32At(a.microSecPerFrameOffset);
  return f;
}

// "Time ..min..sec\n(Overlap ..sec)" as the English summary shows them.
std::string TimeLines(double seconds, double overlap) {
  double minutes = std::floor(seconds / 60);
  char text[128];
  std::snprintf(text, sizeof text, "Time %1.0fmin%1.1fsec\n(Overlap %1.1fsec)", minutes,
                seconds - 60 * minutes, overlap);
  return text;
}

}  // namespace

TEST(MergeSamples, SplitThenMergeFindsTheOverlapTheSplitLeft) {
  std::vector<Sample> samples = Samples();
  if (samples.empty()) GTEST_SKIP() << "TAVRIN_SAMPLES not set or empty";
  const std::string dir = FreshDir("samples");
  int merged = 0;
  int withOverlap = 0;
  for (const Sample& s : samples) {
    for (const char* overlap : {"0", "0.5", "5", "60"}) {
      // A 60 s overlap needs 60 s before the cut.
      double at = std::string(overlap) == "60" ? s.seconds - 20 : s.seconds / 2;
      if (at < 60 && std::string(overlap) == "60") continue;
      SCOPED_TRACE(s.file + " overlap " + overlap);
      const std::string in = dir + "clip.avi";
      CopyFile(s.file, in);
      int32_t split = Split(in, at, overlap);
      if (split != 0) {
        // A key frame interval longer than the overlap: the split refuses,
        // there is nothing to merge.
        EXPECT_TRUE(split == 23 || split == 24 || split == 25) << split;
        continue;
      }
      const Facts whole = FactsOf(in), first = FactsOf(dir + "clip-1.avi"),
                  second = FactsOf(dir + "clip-2.avi");
      const uint32_t repeated = first.frames + second.frames - whole.frames;
      const double u = whole.microSecPerFrame;
      if (std::string(overlap) == "0") EXPECT_EQ(repeated, 0u);
      withOverlap += repeated > 0;

      for (int englishUi : {1, 0}) {
        auto run = RunJob(dir + "clip-1.avi", dir + "clip-2.avi", englishUi);
        ASSERT_EQ(run->result, 0) << run->message();
        ASSERT_EQ(run->host.messages.size(), 1u);
        if (englishUi) {
          std::string text = run->message();
          EXPECT_NE(text.find(TimeLines(u * whole.frames * 0.000001, u * repeated * 0.000001)),
                    std::string::npos)
              << text;
          // The joined file is about the file that was split: header, the
          // same chunks, an index; only the audio seam may differ by a chunk.
          double megabytes = std::strtod(text.c_str() + text.find("Size ") + 5, nullptr);
          EXPECT_NEAR(megabytes, whole.size / 1048576.0, 0.02) << text;
          EXPECT_EQ(run->outcome.mergedName, dir + "clip-m.avi");
        } else {
          EXPECT_EQ(run->message().rfind("結合可能\n\n結合後サイズ ", 0), 0u);
        }
      }
      // Analysing both parts at once shows what one after the other shows.
      if (std::string(overlap) == "5") {
        ExpectSameWithAndWithoutThreads(dir + "clip-1.avi", dir + "clip-2.avi");
        ExpectSameWithAndWithoutThreads(dir + "clip-2.avi", dir + "clip-1.avi");
      }
      ++merged;
    }
  }
  EXPECT_GE(merged, int(samples.size()) * 2);
  EXPECT_GE(withOverlap, int(samples.size()));
}

TEST(MergeSamples, PartsOfOneFileWithNoCommonFramesAddUp) {
  std::vector<Sample> samples = Samples();
  if (samples.empty()) GTEST_SKIP() << "TAVRIN_SAMPLES not set or empty";
  const std::string dir = FreshDir("unrelated");
  int checked = 0;
  for (const Sample& s : samples) {
    if (s.seconds < 20) continue;
    SCOPED_TRACE(s.file);
    // The head of the file up to 1/4 and its tail from 3/4: same headers, no common frame.
    CopyFile(s.file, dir + "a.avi");
    CopyFile(s.file, dir + "b.avi");
    if (Split(dir + "a.avi", s.seconds / 4, "0") != 0 || Split(dir + "b.avi", s.seconds * 3 / 4, "0") != 0)
      continue;
    const Facts head = FactsOf(dir + "a-1.avi"), tail = FactsOf(dir + "b-2.avi");
    auto run = RunJob(dir + "a-1.avi", dir + "b-2.avi");
    ASSERT_EQ(run->result, 0) << run->message();
    const double u = head.microSecPerFrame;
    EXPECT_NE(run->message().find(TimeLines(u * (head.frames + tail.frames) * 0.000001, 0.0)),
              std::string::npos)
        << run->message();
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

TEST(MergeSamples, DifferentFilesCannotBeMerged) {
  std::vector<Sample> samples = Samples();
  if (samples.size() < 2) GTEST_SKIP() << "TAVRIN_SAMPLES not set or too few";
  for (size_t i = 0; i + 1 < samples.size(); ++i) {
    auto run = RunJob(samples[i].file, samples[i + 1].file);
    SCOPED_TRACE(samples[i].file + " + " + samples[i + 1].file);
    EXPECT_GE(run->result, 8);
    EXPECT_LE(run->result, 12);
    EXPECT_EQ(run->message(), "Can't Merge (Structure is different)");
    ExpectSameWithAndWithoutThreads(samples[i].file, samples[i + 1].file);
  }
}
