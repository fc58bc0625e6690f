// The repair on recordings of real writers (ffmpeg, GStreamer's avimux with
// absolute index offsets, mencoder) damaged the ways recordings end badly:
// the repaired file holds exactly the whole chunks in order with the
// original's key flags, true counts and the original header otherwise,
// ffprobe reads it without a word, and it splits at its middle.
#include <gtest/gtest.h>

#include <set>

#include "tests/native/sample_list.h"
#include "tests/native/test_repair_support.h"

using namespace avitest;
using namespace repairtest;
using namespace splittest;

namespace {

// What ffprobe says at -v error while it reads every packet.
std::string ProbeErrors(const std::string& path) {
  const std::string cmd = "ffprobe -v error -show_entries packet=stream_index -of csv=p=0 '" + path + "' 2>&1 >/dev/null";
  std::string errors;
  if (std::FILE* p = popen(cmd.c_str(), "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) errors += buf;
    pclose(p);
  }
  return errors;
}

// Header bytes that differ only where the repair makes counts true.
void ExpectSameHeaderButCounts(const Bytes& original, const Bytes& repaired) {
  auto an = Analyse("original.avi");
  const AviAnalysis& a = an->analysis;
  std::set<size_t> counts = {4, size_t(a.microSecPerFrameOffset) + 12, size_t(a.totalFramesOffset),
                             size_t(a.moviOffset) - 4};
  for (uint32_t s = 0; s < a.streamCount; ++s) {
    counts.insert(size_t(a.streams[s].lengthOffset));
    counts.insert(size_t(a.streams[s].suggestedBufferSizeOffset));
  }
  // A dmlh frame count (GStreamer writes LIST odml into every file).
  for (size_t i = 0; i + 12 <= size_t(a.moviOffset); ++i)
    if (GetU32(original, i) == FourCC('d', 'm', 'l', 'h')) counts.insert(i + 8);
  ASSERT_EQ(FindTopLevel(repaired).moviList, FindTopLevel(original).moviList);
  std::vector<bool> count(size_t(a.moviOffset) + 4, false);
  for (size_t field : counts)
    for (size_t i = field; i < field + 4 && i < count.size(); ++i) count[i] = true;
  size_t differing = 0;
  for (size_t i = 0; i < count.size(); ++i) {
    if (count[i]) continue;
    if (original[i] != repaired[i] && differing++ < 3) ADD_FAILURE() << "header byte " << i << " changed";
  }
}

// The counts a player reads: frames, each stream's length.
void ExpectTrueCounts(const std::string& path, const std::vector<IndexedChunk>& chunks) {
  auto an = Analyse(path);
  const AviAnalysis& a = an->analysis;
  ByteInput& in = an->input;
  uint32_t video = 0;
  uint64_t streamChunks[kMaxStreams] = {}, streamBytes[kMaxStreams] = {};
  for (const IndexedChunk& c : chunks) {
    const int s = StreamOfCkid(c.ckid);
    streamChunks[s]++;
    streamBytes[s] += c.data.size();
    if (s == a.firstVideoStream) video++;
  }
  EXPECT_EQ(in.U32At(a.totalFramesOffset), video);
  for (uint32_t s = 0; s < a.streamCount; ++s) {
    const uint32_t sampleSize = a.streams[s].type == StreamAudio ? in.U32At(a.streams[s].sampleSizeOffset) : 0;
    EXPECT_EQ(in.U32At(a.streams[s].lengthOffset), sampleSize ? streamBytes[s] / sampleSize : streamChunks[s])
        << "dwLength of stream " << s;
  }
}

}  // namespace

TEST(RepairSamples, DamagedRecordingsComeBackWithTheirWholeChunksInOrder) {
  const std::vector<Sample> samples = Samples();
  if (samples.empty()) GTEST_SKIP() << "TAVRIN_SAMPLES not set or empty";
  const Damage damages[] = {Damage::CutAt35, Damage::CutAt70, Damage::CutInIndex, Damage::IndexRemoved,
                            Damage::IndexShifted};
  for (size_t i = 0; i < samples.size(); ++i) {
    const Sample& s = samples[i];
    SCOPED_TRACE(s.file);
    const Bytes good = ReadBytes(s.file);
    ASSERT_TRUE(WriteFile("original.avi", good));
    const std::vector<IndexedChunk> original = IndexedChunks(good);
    const bool avimux = s.file.find("gst_") != std::string::npos;  // marks its sound chunks not key
    for (size_t k = 0; k < 5; ++k) {
      if (!avitest::SampleTakesCase(i, k, 5, 2)) continue;
      const Damage d = damages[k];
      SCOPED_TRACE(Name(d));
      const Bytes bad = Damaged(good, d);
      ASSERT_TRUE(WriteFile("in.avi", bad));
      std::remove("in-r.avi");
      auto run = Repair("in.avi");
      ASSERT_EQ(run->outcome.result, RepairResult::Repaired) << run->outcome.detail;
      EXPECT_EQ(run->outcome.written, "in-r.avi");
      EXPECT_EQ(ReadBytes("in.avi"), bad) << "the input is never written";
      const Bytes repaired = ReadBytes("in-r.avi");
      EXPECT_EQ(run->outcome.bytes, repaired.size());
      OutputLayout layout;
      CheckOutput(repaired, &layout);
      const std::vector<IndexedChunk> chunks = IndexedChunks(repaired);
      // Every whole chunk of what is left, in order, the same bytes.
      size_t whole = 0;
      const size_t moviType = FindTopLevel(good).moviList + 8;
      size_t end = moviType + 4;
      for (const IndexedChunk& c : original) {
        end += 8 + c.data.size() + (c.data.size() & 1);
        if (end - (c.data.size() & 1) > bad.size()) break;
        whole++;
      }
      ASSERT_EQ(chunks.size(), whole);
      size_t wrongKeys = 0;
      for (size_t i = 0; i < chunks.size(); ++i) {
        ASSERT_EQ(chunks[i].ckid, original[i].ckid) << "chunk " << i;
        ASSERT_EQ(chunks[i].data, original[i].data) << "chunk " << i;
        const bool sound = (chunks[i].ckid >> 16) == ('w' | 'b' << 8);
        if (sound && avimux && d != Damage::CutInIndex) continue;  // no surviving entry says so
        wrongKeys += chunks[i].key != original[i].key;
      }
      EXPECT_EQ(wrongKeys, 0u);
      EXPECT_EQ(run->outcome.frames, uint32_t(layout.videoEntries));
      ExpectSameHeaderButCounts(good, repaired);
      ExpectTrueCounts("in-r.avi", chunks);
      EXPECT_EQ(ProbeErrors("in-r.avi"), "");

      // It splits at its middle (where a key frame follows it).
      if (run->outcome.seconds < 2 || d != Damage::CutAt70) continue;
      char middle[32];
      std::snprintf(middle, sizeof middle, "%.2f", run->outcome.seconds / 2);
      SplitFields f;
      f.file = "in-r.avi";
      f.seconds = middle;
      auto split = RunSplitJob(f);
      EXPECT_TRUE(split->result == 0 || split->outcome.result == SplitResult::NoKeyFrame) << split->message();
    }
  }
}

TEST(RepairSamples, IntactRecordingsAreLeftAlone) {
  const std::vector<Sample> samples = Samples();
  if (samples.empty()) GTEST_SKIP() << "TAVRIN_SAMPLES not set or empty";
  const std::string dir = FreshDir("intact");
  for (const Sample& s : samples) {
    SCOPED_TRACE(s.file);
    ASSERT_TRUE(WriteFile(dir + "in.avi", ReadBytes(s.file)));
    for (bool english : {true, false}) {
      auto run = Repair(dir + "in.avi", "", english);
      EXPECT_EQ(run->outcome.result, RepairResult::NothingToRepair);
      EXPECT_TRUE(run->outcome.nothingToRepair);
      EXPECT_EQ(run->outcome.Number(), 0);
      EXPECT_EQ(run->host.LastMessage(), english ? "nothing to repair" : "修復の必要はありません");
      EXPECT_GT(run->outcome.frames, 0u);
    }
    EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"in.avi"});
  }
}
