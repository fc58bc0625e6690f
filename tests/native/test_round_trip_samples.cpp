// Split then merge gives the original back, on files written by real muxers:
// time and size splits with overlaps from 0 to 60 s, merged with the joined
// file written. The joined file's video chunks are the original's, chunk for
// chunk; constant-size audio (PCM, gstreamer's CBR MP3) is the original's
// byte stream; variable-size audio (MP3, AC3), cut by its share of the
// entries, is the original's chunks with at most the one chunk at the seam
// missing (none without an overlap), and a length that counted the
// original's chunks counts the joined file's. ffprobe reads every joined file
// cleanly.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "split/size_split.h"
#include "tests/native/test_merge_support.h"
#include "tests/native/test_split_support.h"
#include "tests/native/sample_list.h"

using avitest::Bytes;
using avitest::GetU32;

using avitest::Sample;
using avitest::Samples;

namespace {

// ffprobe's complaints while demuxing and decoding every stream.
std::string ProbeErrors(const std::string& path) {
  std::string cmd = "ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 '" + path +
                    "' 2>&1 >/dev/null";
  std::string out;
  std::FILE* p = popen(cmd.c_str(), "r");
  char buf[512];
  while (p && std::fgets(buf, sizeof buf, p)) out += buf;
  if (p) pclose(p);
  return out;
}

struct MergeRun {
  int32_t result = 0;
  std::string message;
  std::string written;
  uint64_t counted = 0;  // the size behind the summary's MB figure
};

// The merge job with the joined file written, as "tavrin merge --write" runs it.
MergeRun MergeAndWrite(const std::string& first, const std::string& second) {
  MergeRun out;
  auto run = mergetest::RunJob(first, second, 1, [&](mergetest::JobRun& r) { r.host.doPluginWork = true; });
  out.result = run->result;
  for (const std::string& m : run->host.messages) out.message += m;
  out.written = run->host.pluginDone.written;
  // The size the engine counts for the pair (the summary's MB figure).
  auto pair = mergetest::Analyse(splittest::ReadBytes(first), splittest::ReadBytes(second));
  out.counted = pair->a().moviOffset + CountMergedBytes(pair->Sources(), mergetest::Plan(*pair)) + 12;
  return out;
}

// The original and its parts, as the checks read them.
struct Original {
  Bytes bytes;
  std::unique_ptr<splittest::Analysed> analysed;
  const AviAnalysis& a() const { return analysed->analysis; }
};

void CheckJoinedIsTheOriginal(const Original& original, const std::string& joinedPath, bool overlapped) {
  const AviAnalysis& a = original.a();
  Bytes joined = splittest::ReadBytes(joinedPath);
  splittest::OutputLayout layout;
  splittest::CheckOutput(joined, &layout, a.firstVideoStream);
  if (testing::Test::HasFatalFailure()) return;
  const int v = a.firstVideoStream;
  std::vector<uint32_t> flags;
  std::vector<Bytes> video = splittest::SourceChunks(original.bytes, a, v, &flags);
  std::vector<Bytes> gotVideo = splittest::OutputChunks(layout, v);
  ASSERT_EQ(gotVideo.size(), video.size()) << "video chunks";
  for (size_t i = 0; i < video.size(); ++i) ASSERT_TRUE(gotVideo[i] == video[i]) << "video chunk " << i;
  size_t k = 0;
  for (const splittest::IndexItem& e : layout.index)
    if (StreamOfCkid(e.ckid) == v) ASSERT_EQ(e.flags, flags[k++]) << "video flags " << k;
  EXPECT_EQ(GetU32(joined, a.totalFramesOffset), video.size());
  EXPECT_EQ(GetU32(joined, a.streams[v].lengthOffset), video.size());

  for (uint32_t s = 0; s < a.streamCount; ++s) {
    if (int(s) == v) continue;
    SCOPED_TRACE("stream " + std::to_string(s));
    std::vector<Bytes> want = splittest::SourceChunks(original.bytes, a, int(s));
    std::vector<Bytes> got = splittest::OutputChunks(layout, int(s));
    if (a.streams[s].type == StreamAudio) {
      // Constant-size audio: the same bytes, whatever the chunk boundaries.
      ASSERT_TRUE(splittest::Concat(got) == splittest::Concat(want)) << "audio bytes";
      const uint32_t block = GetU32(original.bytes, a.streams[s].sampleSizeOffset);
      EXPECT_EQ(GetU32(joined, a.streams[s].lengthOffset), splittest::Concat(want).size() / block);
    } else {
      // Cut by share: the original's chunks, at most one missing at the seam.
      ASSERT_LE(got.size(), want.size());
      const size_t missing = want.size() - got.size();
      ASSERT_LE(missing, overlapped ? 1u : 0u) << "chunks missing";
      size_t head = 0;
      while (head < got.size() && got[head] == want[head]) ++head;
      for (size_t i = head; i < got.size(); ++i) ASSERT_TRUE(got[i] == want[i + missing]) << "chunk " << i;
      // A length that counts the original's chunks counts the joined file's.
      if (GetU32(original.bytes, a.streams[s].lengthOffset) == want.size())
        EXPECT_EQ(GetU32(joined, a.streams[s].lengthOffset), got.size()) << "dwLength";
    }
  }
  EXPECT_EQ(ProbeErrors(joinedPath), "");
}

// Splits in (a copy of the sample) as the fields say, merges the parts with
// the joined file written and checks it. False when the split refused.
bool RoundTrip(const Original& original, splittest::SplitFields fields, int* overlappedFrames) {
  auto split = splittest::RunSplitJob(fields, [](splittest::JobRun& run) { run.host.doPluginWork = true; });
  const int32_t sizeResult = split->host.pluginDone.sizeSplitNumber;
  if (fields.bySize ? sizeResult != 0 : split->result != 0) {
    // Refusals only, where key frames are too far apart: none after the
    // time, none to begin the second file at, a first group beyond the size.
    const int32_t code = fields.bySize ? sizeResult : split->result;
    EXPECT_TRUE(code == 9 || code == 23 || code == 24 || code == 25 || code == 31)
        << code << " " << split->message();
    return false;
  }
  const std::string dir = fields.file.substr(0, fields.file.rfind('/') + 1);
  const std::string first = dir + "in-1.avi", second = dir + "in-2.avi";
  if (fields.bySize) {
    EXPECT_LE(splittest::ReadBytes(first).size(), SizeLimitBytes(std::stod(fields.sizeMb))) << "the first file fits";
  }
  MergeRun merge = MergeAndWrite(first, second);
  EXPECT_EQ(merge.result, 0) << merge.message;
  EXPECT_EQ(merge.message, "Completed");
  EXPECT_EQ(merge.written, dir + "in-m.avi");
  EXPECT_EQ(splittest::ReadBytes(merge.written).size(), merge.counted) << "size as the summary counts it";
  auto one = splittest::Analyse(first), two = splittest::Analyse(second);
  const uint32_t v = uint32_t(original.a().firstVideoStream);
  *overlappedFrames = int(one->analysis.streams[v].idx1EntryCount + two->analysis.streams[v].idx1EntryCount) -
                      int(original.a().streams[v].idx1EntryCount);
  CheckJoinedIsTheOriginal(original, merge.written, *overlappedFrames > 0);
  std::remove(merge.written.c_str());
  return true;
}

struct Tally {
  int tried = 0;
  int cases = 0;  // split and merged (not refused)
  int overlapped = 0;
};

// Every sample, split at perSample of the overlaps (avitest::SampleTakesCase):
// at the middle of what the overlap leaves before the end, or by size at a
// third and two thirds of the file.
Tally RunAll(const std::vector<double>& overlaps, bool bySize, size_t perSample) {
  Tally tally;
  const std::string dir = splittest::FreshDir(bySize ? "round_trip_size" : "round_trip_time");
  const std::vector<Sample> samples = Samples();
  for (size_t i = 0; i < samples.size(); ++i) {
    const Sample& s = samples[i];
    const std::string in = dir + "in.avi";
    Original original;
    original.bytes = splittest::ReadBytes(s.file);
    avitest::WriteFile(in, original.bytes);
    original.analysed = splittest::Analyse(in);
    for (size_t k = 0; k < overlaps.size(); ++k) {
      if (!avitest::SampleTakesCase(i, k, overlaps.size(), perSample)) continue;
      const double overlap = overlaps[k];
      for (int part = 1; part <= (bySize ? 2 : 1); ++part) {
        char text[32];
        splittest::SplitFields f;
        f.file = in;
        std::snprintf(text, sizeof text, "%g", overlap);
        f.overlap = text;
        f.bySize = bySize;
        if (bySize) {
          std::snprintf(text, sizeof text, "%.3f", original.bytes.size() * part / 3.0 / 1048576.0);
          f.sizeMb = text;
        } else {
          if (overlap + 2 > s.seconds) continue;
          std::snprintf(text, sizeof text, "%.2f", overlap + (s.seconds - overlap) / 2);
          f.seconds = text;
        }
        SCOPED_TRACE(s.file + (bySize ? " size " + f.sizeMb : " at " + f.seconds) + " overlap " + f.overlap);
        int overlapped = 0;
        tally.tried++;
        if (RoundTrip(original, f, &overlapped)) {
          tally.cases++;
          tally.overlapped += overlapped > 0;
        }
        if (std::getenv("TAVRIN_ROUND_TRIP_LOG"))
          std::printf("%s %s overlap %s: %d frames repeated\n", s.file.c_str(),
                      bySize ? ("size " + f.sizeMb).c_str() : ("at " + f.seconds).c_str(), f.overlap.c_str(),
                      overlapped);
        if (testing::Test::HasFailure()) return tally;
      }
    }
  }
  return tally;
}

}  // namespace

TEST(RoundTripSamples, TimeSplitsWithShortOverlaps) {
  if (Samples().empty()) GTEST_SKIP() << "TAVRIN_SAMPLES not set or empty";
  Tally t = RunAll({0, 0.04, 0.5, 2.75, 5.5}, false, 2);
  EXPECT_GE(t.cases, t.tried * 4 / 5);
  EXPECT_GE(t.overlapped, t.tried * 3 / 5);
}

TEST(RoundTripSamples, TimeSplitsWithLongOverlaps) {
  if (Samples().empty()) GTEST_SKIP() << "TAVRIN_SAMPLES not set or empty";
  Tally t = RunAll({9.96, 29.5, 59.99, 60}, false, 4);  // few samples are long enough for more than one
  EXPECT_GE(t.cases, int(Samples().size()));
  EXPECT_GE(t.overlapped, int(Samples().size()));
}

TEST(RoundTripSamples, SizeSplits) {
  if (Samples().empty()) GTEST_SKIP() << "TAVRIN_SAMPLES not set or empty";
  Tally t = RunAll({0, 3.5}, true, 1);
  EXPECT_GE(t.cases, t.tried * 3 / 4);
  EXPECT_GE(t.overlapped, t.tried / 4);
}
