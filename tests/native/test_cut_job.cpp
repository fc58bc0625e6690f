// The cut job on crafted files: an OpenDML input is cut as its flattened
// twin is (the same bytes), a thousand ranges in one file keep their frames
// and their PCM to the byte, a cancel or a refusal leaves nothing, and the
// plan alone (what the window shows) is the cut's.
#include <gtest/gtest.h>

#include <map>

#include "cut/cut_job.h"
#include "job/native_sink.h"
#include "tests/native/odml_builder.h"
#include "tests/native/test_split_support.h"

using namespace avitest;
using namespace splittest;

namespace {

CutOutcome RunCut(CutRequest request, NativeSink* sinkOrNull = nullptr) {
  NativeSink own;
  NativeSink& sink = sinkOrNull ? *sinkOrNull : own;
  sink.englishUi = 1;
  return CutJob(request, sink);
}

std::string Put(const std::string& dir, const Bytes& bytes, const std::string& name = "clip.avi") {
  EXPECT_TRUE(WriteFile(dir + name, bytes));
  return dir + name;
}

// A file's idx1, per stream: entries and data bytes; and the video's key flags.
struct IndexFigures {
  std::map<int, uint32_t> entries;
  std::map<int, uint64_t> bytes;
  std::vector<bool> keys;
};

IndexFigures ReadIndex(const Bytes& file) {
  IndexFigures f;
  for (size_t at = file.size() >= 8 ? file.size() - 8 : 0; at-- > 12;) {
    if (std::memcmp(&file[at], "idx1", 4) != 0) continue;
    const uint32_t size = GetU32(file, at + 4);
    if (at + 8 + size != file.size()) continue;
    for (size_t e = at + 8; e + 16 <= at + 8 + size; e += 16) {
      const int stream = (file[e] - '0') * 10 + (file[e + 1] - '0');
      f.entries[stream]++;
      f.bytes[stream] += GetU32(file, e + 12);
      if (stream == 0) f.keys.push_back((GetU32(file, e + 4) & 0x10) != 0);
    }
    break;
  }
  return f;
}

// Video at 25 fps, 100-byte frames, a key frame every `gop`; PCM 8 kHz mono
// 16-bit (320 bytes a frame) in chunks of 500 bytes, so chunks straddle cuts.
AviLayout SmallClip(int frames, int gop) {
  AviLayout layout = SimpleClip(0, gop, 0);
  StreamLayout& audio = layout.streams[1];
  audio.rate = 8000;
  audio.samplesPerSec = 8000;
  audio.channels = 1;
  audio.sampleSize = 2;
  audio.suggestedBufferSize = 1000;
  uint64_t sound = 0;
  for (int f = 0; f < frames; ++f) {
    layout.chunks.push_back({0, uint32_t(100 + f % 7), f % gop == 0, uint8_t(f)});
    while (sound < uint64_t(f + 1) * 320) {
      layout.chunks.push_back({1, 500, true, uint8_t(sound / 500)});
      sound += 500;
    }
  }
  return layout;
}

TEST(CutJob, AThousandRangesKeepTheirFramesAndSoundToTheByte) {
  const std::string dir = FreshDir("cut_thousand");
  const std::string clip = Put(dir, BuildAvi(SmallClip(4000, 2)));
  // Range j asks for a moment inside group 2j (frames 4j, 4j + 1): it keeps
  // that group alone, 2 frames and 640 bytes of sound (320 bytes a frame
  // exactly: 8000 x 2 / 25), and no two ranges touch.
  CutRequest request;
  request.path = clip;
  for (int j = 0; j < 1000; ++j) {
    const double start = j * 0.16 + 0.01;
    char text[64];
    std::snprintf(text, sizeof text, "%.2f-%.2f", start, start + 0.02);
    request.keep.push_back(text);
  }
  const CutOutcome outcome = RunCut(request);
  ASSERT_EQ(outcome.Number(), 0) << outcome.message << outcome.detail;
  ASSERT_EQ(outcome.ranges.size(), 1000u);
  EXPECT_EQ(outcome.ranges[999].firstFrame, 3996u);
  EXPECT_EQ(outcome.droppedFrames, 2000u);
  const IndexFigures out = ReadIndex(ReadBytes(outcome.outputs[0]));
  EXPECT_EQ(out.entries.at(0), 2000u);
  EXPECT_EQ(out.bytes.at(1), 640000u);
  for (size_t f = 0; f < out.keys.size(); ++f) ASSERT_EQ(out.keys[f], f % 2 == 0) << f;
}

TEST(CutJob, OpenDmlInputsAreCutAsTheirFlattenedTwins) {
  const AviLayout clip = SmallClip(300, 12);
  const Bytes odml = BuildOdml(FfmpegLike(clip, {clip.chunks.size() / 3, clip.chunks.size() * 2 / 3})).bytes;
  std::string why;
  const Bytes flat = Flattened(odml, &why);
  ASSERT_FALSE(flat.empty()) << why;

  const std::string odmlDir = FreshDir("cut_odml_in"), flatDir = FreshDir("cut_flat_in");
  const std::string odmlClip = Put(odmlDir, odml), flatClip = Put(flatDir, flat);
  for (bool separate : {false, true}) {
    CutRequest request;
    request.separate = separate;
    request.drop = {"1.3-2.9", "7.5-9"};
    request.path = odmlClip;
    const CutOutcome fromOdml = RunCut(request);
    request.path = flatClip;
    const CutOutcome fromFlat = RunCut(request);
    ASSERT_EQ(fromOdml.Number(), 0) << fromOdml.message << fromOdml.detail;
    ASSERT_EQ(fromFlat.Number(), 0) << fromFlat.message << fromFlat.detail;
    ASSERT_EQ(fromOdml.outputs.size(), separate ? 3u : 1u);
    ASSERT_EQ(fromOdml.outputs.size(), fromFlat.outputs.size());
    for (size_t j = 0; j < fromOdml.outputs.size(); ++j)
      EXPECT_TRUE(ReadBytes(fromOdml.outputs[j]) == ReadBytes(fromFlat.outputs[j])) << separate << " " << j;
  }
}

// Pad bytes that are not 0 make the chunks not lie as the writer writes
// them: the run from the guessed analysis must not stand, the cut is made
// again from the walk, and its outputs are those of the same file with zero
// pads (the writer's), its message shown once.
TEST(CutJob, AGuessThatTheWalkDoesNotConfirmIsCutAgain) {
  AviLayout clip = SmallClip(300, 12);
  const std::string zeroDir = FreshDir("cut_zero_pads"), oddDir = FreshDir("cut_odd_pads");
  const std::string zero = Put(zeroDir, BuildAvi(clip));
  for (ChunkLayout& c : clip.chunks) c.padByte = 0xEE;
  const std::string odd = Put(oddDir, BuildAvi(clip));
  for (bool separate : {false, true}) {
    CutRequest request;
    request.separate = separate;
    request.keep = {"0.5-3.3", "6-8.1"};
    request.path = zero;
    const CutOutcome fromZero = RunCut(request);
    NativeSink sink;
    request.path = odd;
    const CutOutcome fromOdd = RunCut(request, &sink);
    ASSERT_EQ(fromOdd.Number(), 0) << fromOdd.message << fromOdd.detail;
    EXPECT_EQ(sink.messages.size(), 1u);
    ASSERT_EQ(fromOdd.outputs.size(), fromZero.outputs.size());
    for (size_t j = 0; j < fromOdd.outputs.size(); ++j)
      EXPECT_TRUE(ReadBytes(fromOdd.outputs[j]) == ReadBytes(fromZero.outputs[j])) << separate << " " << j;
  }
}

TEST(CutJob, CancelAndRefusalsLeaveNothing) {
  const std::string dir = FreshDir("cut_cancel");
  const std::string clip = Put(dir, BuildAvi(SmallClip(300, 12)));
  Put(dir, Bytes{1, 2, 3}, "clip-c.avi");  // an earlier file that must stay
  CutRequest request;
  request.path = clip;
  request.keep = {"1-2", "5-7"};
  for (bool separate : {false, true}) {
    request.separate = separate;
    NativeSink sink;
    // Cancel once the writing has begun.
    sink.onProgress = [&sink](const char*, int cells) {
      if (cells > 10) sink.cancelRequested = 1;
    };
    const CutOutcome cancelled = RunCut(request, &sink);
    EXPECT_EQ(cancelled.result, CutResult::Cancelled);
    EXPECT_TRUE(cancelled.outputs.empty());
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"clip-c.avi", "clip.avi"}));
  }
  EXPECT_TRUE(ReadBytes(dir + "clip-c.avi") == (Bytes{1, 2, 3}));

  request.separate = false;
  request.keep = {"20-"};  // the clip lasts 12 s
  CutOutcome refused = RunCut(request);
  EXPECT_EQ(refused.result, CutResult::StartsAfterEnd);
  EXPECT_NE(refused.message.find("12.000 s long (300 frames)"), std::string::npos) << refused.message;
  request.keep = {};
  request.drop = {"-5", "4-"};
  refused = RunCut(request);
  EXPECT_EQ(refused.result, CutResult::NothingKept);
  EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"clip-c.avi", "clip.avi"}));
}

// The window shows the plan before it cuts: the same ranges, drops and
// counts as the cut itself, a refusal with the cut's message, and no file.
TEST(CutJob, ThePlanIsTheCutsWithoutWriting) {
  const std::string dir = FreshDir("cut_plan");
  const std::string clip = Put(dir, BuildAvi(SmallClip(300, 12)));
  for (bool drops : {false, true}) {
    CutRequest request;
    request.path = clip;
    (drops ? request.drop : request.keep) = {"1.1-2", "5-7.3", "6-9"};
    NativeSink sink;
    sink.englishUi = 1;
    const CutOutcome plan = PlanCut(request, sink);
    ASSERT_EQ(plan.Number(), 0) << plan.message << plan.detail;
    EXPECT_TRUE(plan.outputs.empty());
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"clip.avi"}));
    const CutOutcome cut = RunCut(request);
    ASSERT_EQ(cut.Number(), 0) << cut.message << cut.detail;
    ASSERT_EQ(plan.ranges.size(), cut.ranges.size());
    for (size_t i = 0; i < plan.ranges.size(); ++i) {
      EXPECT_EQ(plan.ranges[i].firstFrame, cut.ranges[i].firstFrame) << i;
      EXPECT_EQ(plan.ranges[i].frames, cut.ranges[i].frames) << i;
      EXPECT_EQ(plan.ranges[i].asked, cut.ranges[i].asked) << i;
    }
    ASSERT_EQ(plan.drops.size(), cut.drops.size());
    for (size_t i = 0; i < plan.drops.size(); ++i) EXPECT_EQ(plan.drops[i].frames, cut.drops[i].frames) << i;
    EXPECT_EQ(plan.videoFrames, 300u);
    EXPECT_EQ(plan.droppedFrames, cut.droppedFrames);
    std::remove(cut.outputs[0].c_str());
  }
  CutRequest late;
  late.path = clip;
  late.keep = {"20-"};
  NativeSink sink;
  sink.englishUi = 1;
  const CutOutcome refused = PlanCut(late, sink);
  EXPECT_EQ(refused.result, CutResult::StartsAfterEnd);
  EXPECT_NE(refused.message.find("12.000 s long (300 frames)"), std::string::npos) << refused.message;
  EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"clip.avi"}));
}

}  // namespace
