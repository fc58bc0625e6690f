// The merge engine on crafted pairs: where the overlap search starts and what
// it finds, the audio seam, the size count, the joined name and the summary.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "avi/fourcc.h"
#include "merge/merge_result.h"
#include "merge/overlap_search.h"
#include "tests/native/test_merge_support.h"

using namespace mergetest;
using avitest::SimpleClip;
using avitest::StreamLayout;

namespace {

constexpr int kVideo = 0;
constexpr int kAudio = 1;

// Position of idx1 entry i (walked file).
size_t EntryAt(const Bytes& file, uint32_t idx1Offset, uint32_t i) { return idx1Offset + 8 + 16 * i; }

// The i-th idx1 entry of a stream in a built file.
size_t NthEntryOf(const Bytes& file, uint32_t idx1Offset, int stream, uint32_t n) {
  uint32_t total = avitest::GetU32(file, idx1Offset + 4) / 16;
  for (uint32_t i = 0; i < total; ++i) {
    size_t at = EntryAt(file, idx1Offset, i);
    if (StreamOfCkid(avitest::GetU32(file, at)) == stream && n-- == 0) return at;
  }
  ADD_FAILURE() << "no such entry";
  return 0;
}

uint32_t Idx1Of(const Bytes& file) {
  // idx1 follows the movi list, the last chunk of the RIFF.
  for (size_t at = 12; at + 8 <= file.size();) {
    uint32_t code = avitest::GetU32(file, at);
    uint32_t size = avitest::GetU32(file, at + 4);
    if (code == FourCC('i', 'd', 'x', '1')) return uint32_t(at);
    if (code == FourCC('L', 'I', 'S', 'T') && avitest::GetU32(file, at + 8) == FourCC('h', 'd', 'r', 'l')) {
      at += 8 + size + (size & 1);
      continue;
    }
    at += 8 + size + (size & 1);
  }
  return 0;
}

// Video only: frames with given lengths and fill bytes (identical frames
// share both); every gop-th frame a key frame.
AviLayout VideoClip(const std::vector<std::pair<uint32_t, uint8_t>>& frames, int gop = 1) {
  AviLayout layout;
  StreamLayout video;
  video.suggestedBufferSize = 4096;
  layout.streams = {video};
  for (size_t f = 0; f < frames.size(); ++f)
    layout.chunks.push_back({0, frames[f].first, f % gop == 0, frames[f].second, true});
  return layout;
}

}  // namespace

TEST(MergeOverlap, FindsWhereTheSecondPartOfASplitBegins) {
  // 80 s at 25 fps: the window reaches back to frame 400 of the first part.
  AviLayout whole = SimpleClip(2000, 12);
  Pair pair = SplitPair(whole, 1900, 1800, 2000);
  auto p = Analyse(pair.first, pair.second);
  MergePlan plan = Plan(*p);
  EXPECT_EQ(plan.keepCount[kVideo], 1800u);
  // 1900 - 200 frames of the second input: the search cannot start earlier.
  EXPECT_EQ(plan.searchStartFrame, 1700u);
  EXPECT_EQ(plan.searchStartEntry, 3400u);
  // The audio (a quarter of real time here) ends before the kept time: all kept.
  EXPECT_EQ(plan.keepCount[kAudio], 1900u);
  EXPECT_EQ(plan.seamPartialBytes[kAudio], 0u);
  std::string text = Summary(*p);
  EXPECT_NE(text.find("Time 1min20.0sec\n(Overlap 4.0sec)"), std::string::npos) << text;
}

TEST(MergeOverlap, SearchStartsAtTheKeyFrameBeforeTheWindow) {
  // A long second part: the window, not the second's length, decides the start.
  AviLayout whole = SimpleClip(3100, 250);
  Pair pair = SplitPair(whole, 2000, 1500, 3100);
  auto p = Analyse(pair.first, pair.second);
  MergePlan plan = Plan(*p);
  // 80 s - 60 s = frame 500; the key frame at or before it is 500 itself.
  EXPECT_EQ(plan.searchStartFrame, 500u);
  EXPECT_EQ(plan.searchStartEntry, 1000u);
  EXPECT_EQ(plan.keepCount[kVideo], 1500u);

  pair = SplitPair(whole, 2010, 1500, 3100);  // target 510: back to key frame 500
  p = Analyse(pair.first, pair.second);
  plan = Plan(*p);
  EXPECT_EQ(plan.searchStartFrame, 500u);
  EXPECT_EQ(plan.keepCount[kVideo], 1500u);
}

TEST(MergeOverlap, FirstRepeatedFrameNeedNotBeAKeyFrame) {
  AviLayout whole = SimpleClip(400, 250);
  Pair pair = SplitPair(whole, 300, 263, 400);  // 263 is no key frame
  auto p = Analyse(pair.first, pair.second);
  EXPECT_EQ(Plan(*p).keepCount[kVideo], 263u);
  EXPECT_NE(Summary(*p).find("(Overlap 1.5sec)"), std::string::npos);
}

TEST(MergeOverlap, UnrelatedInputsKeepTheWholeFirstAndSumTheirTimes) {
  AviLayout a = SimpleClip(300, 12);
  AviLayout b = SimpleClip(200, 12);
  for (ChunkLayout& c : b.chunks) c.fill = uint8_t(c.fill + 77);
  auto p = Analyse(BuildAvi(a), BuildAvi(b));
  EXPECT_EQ(Plan(*p).keepCount[kVideo], 300u);
  std::string text = Summary(*p);
  EXPECT_NE(text.find("Time 0min20.0sec\n(Overlap 0.0sec)"), std::string::npos) << text;
}

TEST(MergeOverlap, FirstInputShorterThanTheWindow) {
  AviLayout whole = SimpleClip(300, 12);
  // Longer second input: the search runs from frame 0.
  Pair pair = SplitPair(whole, 100, 40, 300);
  auto p = Analyse(pair.first, pair.second);
  MergePlan plan = Plan(*p);
  EXPECT_EQ(plan.searchStartFrame, 0u);
  EXPECT_EQ(plan.keepCount[kVideo], 40u);
  // Shorter second input: the search starts N1 - N2 frames in.
  pair = SplitPair(whole, 100, 90, 120);
  p = Analyse(pair.first, pair.second);
  plan = Plan(*p);
  EXPECT_EQ(plan.searchStartFrame, 70u);
  EXPECT_EQ(plan.keepCount[kVideo], 90u);
}

TEST(MergeOverlap, SecondInputEndingBeforeTheFirstGivesNoOverlap) {
  AviLayout whole = SimpleClip(300, 12);
  // The second repeats frames 60..89 of a first input that runs to 100.
  Pair pair = SplitPair(whole, 100, 60, 90);
  auto p = Analyse(pair.first, pair.second);
  EXPECT_EQ(Plan(*p).keepCount[kVideo], 100u);
  EXPECT_NE(Summary(*p).find("Time 0min5.2sec\n(Overlap 0.0sec)"), std::string::npos);

  // Its head matches from frame 60 but it runs out before frame 99; the
  // search goes on and finds the later frame from which it does match.
  AviLayout first = FrameRange(whole, 0, 100);
  AviLayout second = FrameRange(whole, 60, 90);
  AviLayout tail = FrameRange(whole, 95, 100);
  AviLayout more = FrameRange(whole, 100, 300);
  second.chunks.clear();
  for (const AviLayout* part : {&tail, &more}) second.chunks.insert(second.chunks.end(), part->chunks.begin(), part->chunks.end());
  p = Analyse(BuildAvi(first), BuildAvi(second));
  EXPECT_EQ(Plan(*p).keepCount[kVideo], 95u);
}

TEST(MergeOverlap, ZeroFrameDurationSearchesFromFrameZero) {
  AviLayout whole = SimpleClip(300, 12);
  whole.microSecPerFrame = 0;
  Pair pair = SplitPair(whole, 200, 150, 300);
  auto p = Analyse(pair.first, pair.second);
  MergePlan plan = Plan(*p);
  EXPECT_EQ(plan.searchStartFrame, 50u);  // frame 0, moved on by N1 - N2
  EXPECT_EQ(plan.keepCount[kVideo], 150u);
  std::string text = Summary(*p);
  EXPECT_NE(text.find("Time 0min0.0sec\n(Overlap 0.0sec)"), std::string::npos) << text;
}

TEST(MergeOverlap, WindowZeroKeepsTheWholeFirstInput) {
  AviLayout whole = SimpleClip(300, 12);
  Pair pair = SplitPair(whole, 200, 150, 300);
  auto p = Analyse(pair.first, pair.second);
  MergePlan plan = Plan(*p, 0.0);
  EXPECT_EQ(plan.keepCount[kVideo], 200u);
  EXPECT_EQ(plan.searchStartFrame, 0u);
}

TEST(MergeOverlap, EachInputUsesItsOwnIndexOffsetBase) {
  AviLayout whole = SimpleClip(300, 12);
  for (bool firstAbsolute : {true, false}) {
    AviLayout first = FrameRange(whole, 0, 200);
    AviLayout second = FrameRange(whole, 170, 300);
    first.absoluteOffsets = firstAbsolute;
    second.absoluteOffsets = !firstAbsolute;
    auto p = Analyse(BuildAvi(first), BuildAvi(second));
    EXPECT_EQ(p->a().chunkBase == 0, firstAbsolute);
    EXPECT_EQ(p->b().chunkBase == 0, !firstAbsolute);
    EXPECT_EQ(Plan(*p).keepCount[kVideo], 170u) << firstAbsolute;
  }
}

TEST(MergeOverlap, StaticSceneGivesTheEarliestFrameFromWhichTheRestRepeats) {
  // Frames 100..250 are one still picture (same length, same bytes).
  std::vector<std::pair<uint32_t, uint8_t>> frames;
  for (int f = 0; f < 300; ++f)
    frames.push_back(f >= 100 && f <= 250 ? std::make_pair(700u, uint8_t(9))
                                          : std::make_pair(uint32_t(500 + f), uint8_t(f)));
  AviLayout whole = VideoClip(frames, 10);
  Pair pair = SplitPair(whole, 200, 180, 300);
  auto p = Analyse(pair.first, pair.second);
  // From frame 129 on, the first input's 71 still frames open the second input.
  EXPECT_EQ(Plan(*p).keepCount[kVideo], 129u);
}

TEST(MergeOverlap, ChunksPastTheEndOfAFileEqualOnlyOtherMissingChunks) {
  AviLayout whole = SimpleClip(60, 10);
  for (bool bothMissing : {true, false}) {
    Pair pair = SplitPair(whole, 40, 30, 60);
    // The first input's last frame and the second's tenth point past their file ends.
    uint32_t idx1 = Idx1Of(pair.first);
    size_t at = NthEntryOf(pair.first, idx1, kVideo, 39);
    avitest::SetU32(pair.first, at + 8, 0x70000000);
    if (bothMissing) {
      size_t at2 = NthEntryOf(pair.second, Idx1Of(pair.second), kVideo, 9);
      avitest::SetU32(pair.second, at2 + 8, 0x7FFF0000);
    }
    auto p = Analyse(pair.first, pair.second);
    EXPECT_EQ(Plan(*p).keepCount[kVideo], bothMissing ? 30u : 40u) << bothMissing;
  }
}

TEST(MergeOverlap, RecEntriesAreNoFrames) {
  AviLayout whole = SimpleClip(300, 12);
  AviLayout first = FrameRange(whole, 0, 200);
  AviLayout second = FrameRange(whole, 150, 300);
  first.chunksPerRec = 2;
  second.chunksPerRec = 2;
  auto p = Analyse(BuildAvi(first), BuildAvi(second));
  ASSERT_TRUE(p->a().hasRecEntries);
  MergePlan plan = Plan(*p);
  EXPECT_EQ(plan.keepCount[kVideo], 150u);
  EXPECT_EQ(plan.searchStartFrame, 50u);
  EXPECT_EQ(plan.searchStartEntry, 151u);  // rec, video, audio per frame
  EXPECT_EQ(plan.keepCount[kAudio], 200u);
  // The count takes one chunk per stream entry: no rec list, no rec entry.
  uint64_t firstChunks = 0;
  uint64_t secondChunks = 0;
  for (int f = 0; f < 150; ++f) firstChunks += 24 + 2 * ((first.chunks[2 * f].size + 1) / 2);
  firstChunks += 200 * (24 + 1764);
  for (const ChunkLayout& c : second.chunks) secondChunks += 24 + 2 * ((c.size + 1) / 2);
  // The second input's first audio chunk joins the first's last kept one
  // (they fit in the suggested buffer size of 3528).
  EXPECT_EQ(plan.seamJoinBytes[kAudio], 1764u);
  EXPECT_EQ(CountMergedBytes(p->Sources(), plan), firstChunks + secondChunks - 24);
}

// Frame sequences over a small alphabet, where wrong shortcuts show: the
// string search, its constant-memory fallback and a plain reading of the rule
// must agree on every pair.
TEST(MergeOverlap, StringSearchAgreesWithCandidateByCandidateSearch) {
  std::mt19937 random(1234);
  const std::pair<uint32_t, uint8_t> alphabet[] = {{40, 1}, {40, 2}, {40, 3}, {41, 1}, {0, 0}};
  for (int round = 0; round < 300; ++round) {
    int symbols = 1 + int(random() % 5);
    auto sequence = [&](int length) {
      std::vector<int> s;
      for (int i = 0; i < length; ++i) s.push_back(int(random() % symbols));
      return s;
    };
    std::vector<int> a = sequence(1 + int(random() % 40));
    std::vector<int> b = sequence(1 + int(random() % 40));
    if (random() % 2) {  // make b start with a tail of a
      size_t tail = random() % a.size();
      std::vector<int> head(a.end() - long(tail), a.end());
      b.insert(b.begin(), head.begin(), head.end());
    }
    auto frames = [&](const std::vector<int>& s) {
      std::vector<std::pair<uint32_t, uint8_t>> f;
      for (int x : s) f.push_back(alphabet[x % 5]);
      return f;
    };
    // Some frames' index entries point past the end of the file: such a
    // frame equals only another missing frame of the same length.
    auto build = [&](std::vector<int>& s) {
      Bytes file = BuildAvi(VideoClip(frames(s), 3));
      uint32_t idx1 = Idx1Of(file);
      for (size_t i = 0; i < s.size(); ++i)
        if (round % 3 == 0 && random() % 6 == 0) {
          avitest::SetU32(file, NthEntryOf(file, idx1, 0, uint32_t(i)) + 8, 0x7FFF0000);
          s[i] = 1000 + int(alphabet[s[i]].first);  // missing, of this length
        }
      return file;
    };
    Bytes fa = build(a), fb = build(b);
    auto p = Analyse(fa, fb);
    // The rule read plainly: the earliest start from which a's rest opens b.
    uint32_t expected = uint32_t(a.size());
    for (size_t f = 0; f < a.size(); ++f) {
      size_t n = a.size() - f;
      if (n <= b.size() && std::equal(a.begin() + long(f), a.end(), b.begin())) {
        expected = uint32_t(f);
        break;
      }
    }
    const AviAnalysis& an = p->a();
    const AviAnalysis& bn = p->b();
    OverlapSource first{&p->firstInput, an.idx1Offset, an.idx1EntryTotal, an.chunkBase};
    OverlapSource second{&p->secondInput, bn.idx1Offset, bn.idx1EntryTotal, bn.chunkBase};
    OverlapSearch search{0, 0, 0};
    auto keep = [&](OverlapResult r) { return r.outcome == OverlapOutcome::Found ? r.frame : uint32_t(a.size()); };
    EXPECT_EQ(keep(FindOverlap(p->host, first, second, search)), expected) << round;
    EXPECT_EQ(keep(FindOverlapDirect(p->host, first, second, search)), expected) << round;
    EXPECT_EQ(keep(FindOverlapHashed(p->host, first, second, search)), expected) << round;
    search.maxRememberedFrames = 2;  // the string search hands over to the fixed-memory one
    EXPECT_EQ(keep(FindOverlap(p->host, first, second, search)), expected) << round;
    // Through the planner (window 60 s covers these short clips entirely).
    EXPECT_EQ(Plan(*p).keepCount[0], expected) << round;
  }
}

// Frames larger than what the search reads at once, frames that differ only
// in their last byte, and frames whose index entry points partly or wholly
// past the end of the file: every search agrees with the rule read byte for
// byte (a byte past the end equals only another byte past the end).
TEST(MergeOverlap, LargeAndCutShortFramesAgreeWithAByteForByteReading) {
  std::mt19937 random(99);
  const uint32_t lengths[] = {131064, 131072, 262151, 40};
  struct Frame {
    const Bytes* file;
    uint64_t position;
    uint32_t length;
  };
  auto same = [](const Frame& x, const Frame& y) {
    if (x.length != y.length) return false;
    for (uint64_t j = 0; j < uint64_t(x.length) + 8; ++j) {
      int u = x.position + j < x.file->size() ? (*x.file)[size_t(x.position + j)] : -1;
      int v = y.position + j < y.file->size() ? (*y.file)[size_t(y.position + j)] : -1;
      if (u != v) return false;
    }
    return true;
  };
  for (int round = 0; round < 40; ++round) {
    auto sequence = [&](size_t n) {
      std::vector<std::pair<uint32_t, uint8_t>> f;
      for (size_t i = 0; i < n; ++i) f.push_back({lengths[random() % 4], uint8_t(1 + random() % 2)});
      return f;
    };
    auto a = sequence(1 + random() % 8), b = sequence(1 + random() % 8);
    if (random() % 2) b.insert(b.begin(), a.end() - long(random() % a.size()), a.end());
    auto p = Analyse(BuildAvi(VideoClip(a, 3)), BuildAvi(VideoClip(b, 3)));
    // Damage in place (the analysis stays valid) and list the frames as the index now gives them.
    auto frames = [&](Bytes& file, uint64_t base, size_t count) {
      std::vector<Frame> out;
      const uint32_t idx1 = Idx1Of(file);
      for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = NthEntryOf(file, idx1, kVideo, i);
        const uint32_t length = avitest::GetU32(file, entry + 12);
        const uint32_t kind = random() % 8;
        if (kind == 0) {  // the last few bytes of the file, the rest missing
          const uint32_t tail = std::vector<uint32_t>{2, 4, 100}[random() % 3];
          avitest::SetU32(file, entry + 8, uint32_t(file.size() - tail - base));
        } else if (kind == 1) {  // wholly past the end
          avitest::SetU32(file, entry + 8, 0x7FFF0000);
        }
        Frame f{&file, base + avitest::GetU32(file, entry + 8), length};
        if (kind == 2 && f.position + length + 8 <= file.size()) file[size_t(f.position + length + 7)] ^= 0x5A;
        out.push_back(f);
      }
      return out;
    };
    const std::vector<Frame> fa = frames(p->first, p->a().chunkBase, a.size());
    const std::vector<Frame> fb = frames(p->second, p->b().chunkBase, b.size());
    uint32_t expected = uint32_t(fa.size());
    for (size_t f = 0; f < fa.size() && expected == fa.size(); ++f) {
      bool all = fa.size() - f <= fb.size();
      for (size_t i = 0; all && f + i < fa.size(); ++i) all = same(fa[f + i], fb[i]);
      if (all) expected = uint32_t(f);
    }
    OverlapSource first{&p->firstInput, p->a().idx1Offset, p->a().idx1EntryTotal, p->a().chunkBase};
    OverlapSource second{&p->secondInput, p->b().idx1Offset, p->b().idx1EntryTotal, p->b().chunkBase};
    OverlapSearch search{0, 0, 0};
    auto keep = [&](OverlapResult r) { return r.outcome == OverlapOutcome::Found ? r.frame : uint32_t(fa.size()); };
    EXPECT_EQ(keep(FindOverlap(p->host, first, second, search)), expected) << round;
    EXPECT_EQ(keep(FindOverlapDirect(p->host, first, second, search)), expected) << round;
    EXPECT_EQ(keep(FindOverlapHashed(p->host, first, second, search)), expected) << round;
    search.maxRememberedFrames = 2;
    EXPECT_EQ(keep(FindOverlap(p->host, first, second, search)), expected) << round;
  }
}

TEST(MergeOverlap, FixedMemorySearchOnTheMaterialThatMadeTheOldFallbackQuadratic) {
  // Thousands of byte-identical frames in both inputs: every candidate agrees
  // for a long way. With the first input's last frame different no tail
  // repeats at all; with it the same, the whole first input repeats.
  std::vector<std::pair<uint32_t, uint8_t>> still(6000, {300, 5});
  for (bool lastDiffers : {true, false}) {
    std::vector<std::pair<uint32_t, uint8_t>> firstFrames = still;
    if (lastDiffers) firstFrames.back().second = 6;
    auto p = Analyse(BuildAvi(VideoClip(firstFrames, 25)), BuildAvi(VideoClip(still, 25)));
    const AviAnalysis& an = p->a();
    const AviAnalysis& bn = p->b();
    OverlapSource first{&p->firstInput, an.idx1Offset, an.idx1EntryTotal, an.chunkBase};
    OverlapSource second{&p->secondInput, bn.idx1Offset, bn.idx1EntryTotal, bn.chunkBase};
    OverlapSearch search{0, 0, 0};
    search.maxRememberedFrames = 16;
    OverlapResult r = FindOverlap(p->host, first, second, search);
    if (lastDiffers) {
      EXPECT_EQ(r.outcome, OverlapOutcome::NotFound);
    } else {
      ASSERT_EQ(r.outcome, OverlapOutcome::Found);
      EXPECT_EQ(r.frame, 0u);
    }
  }
}

TEST(MergeOverlap, CancelDuringTheSearchStopsIt) {
  std::vector<std::pair<uint32_t, uint8_t>> still(3000, {100, 5});
  auto p = Analyse(BuildAvi(VideoClip(still, 25)), BuildAvi(VideoClip(still, 25)));
  p->host.cancelRequested = -2;
  MergePlan plan;
  EXPECT_EQ(PlanMerge(p->Sources(), 60.0, p->host, plan), PlanOutcome::Cancelled);
  // The engine says so, reports nothing and makes no text.
  MergeEngineOutput out;
  EXPECT_EQ(MergeEngine(p->Sources(), 60.0, 1, p->host, out), MergeResult::Cancelled);
  EXPECT_EQ(out.text, "");
  EXPECT_TRUE(p->host.progressCells.empty());
}

// ---- Audio seam ----

namespace {

// Kept audio bytes for a video frame count, as the engine computes them.
uint32_t KeptBytes(uint32_t frames) {
  return uint32_t(std::trunc(40000.0 * frames * 0.000001 * 44100.0)) * 4;
}

struct SeamCase {
  MergePlan plan;
  uint64_t counted;
  uint64_t firstSize, secondSize, moviOffset;
};

// A first input of 100 frames whose last 20 the second input repeats, with
// the first input's audio chunks and the second input's given.
SeamCase Seam(const std::vector<uint32_t>& firstAudio, const std::vector<uint32_t>& secondAudio,
              uint32_t suggested) {
  AviLayout whole = SimpleClip(200, 10, 0);
  AviLayout first = AudioClip(100, 10, firstAudio, suggested);
  AviLayout second = AudioClip(120, 10, secondAudio, suggested);
  // Same video as the whole clip's frames 80..199.
  AviLayout secondVideo = FrameRange(whole, 80, 200);
  size_t v = 0;
  for (ChunkLayout& c : second.chunks)
    if (c.stream == 0) c = secondVideo.chunks[v++];
  AviLayout firstVideo = FrameRange(whole, 0, 100);
  v = 0;
  for (ChunkLayout& c : first.chunks)
    if (c.stream == 0) c = firstVideo.chunks[v++];
  Bytes a = BuildAvi(first), b = BuildAvi(second);
  auto p = Analyse(a, b);
  SeamCase out;
  out.plan = Plan(*p);
  EXPECT_EQ(out.plan.keepCount[kVideo], 80u);
  out.counted = CountMergedBytes(p->Sources(), out.plan);
  out.firstSize = a.size();
  out.secondSize = b.size();
  out.moviOffset = p->a().moviOffset;
  return out;
}

}  // namespace

TEST(MergeSeam, KeptTimeInsideAChunkJoinsTheLeftoverToTheSecondInputsFirstChunk) {
  const uint32_t kept = KeptBytes(80);  // about 3.2 s of audio
  const uint32_t chunk = 40000;
  std::vector<uint32_t> firstAudio(20, chunk);  // 800000 bytes, beyond the kept time
  SeamCase c = Seam(firstAudio, {3000, 4000}, 50000);
  EXPECT_EQ(c.plan.keepCount[kAudio], kept / chunk);
  EXPECT_EQ(c.plan.seamPartialBytes[kAudio], kept % chunk);
  EXPECT_EQ(c.plan.seamJoinBytes[kAudio], 3000u);

  // Leftover + the second's first chunk larger than the suggested buffer: dropped.
  c = Seam(firstAudio, {48000, 4000}, 50000);
  EXPECT_EQ(c.plan.seamPartialBytes[kAudio], kept % chunk);
  EXPECT_EQ(c.plan.seamJoinBytes[kAudio], 0u);
}

TEST(MergeSeam, KeptTimeOnAChunkBoundaryJoinsTheNeighbours) {
  const uint32_t kept = KeptBytes(80);
  SeamCase c = Seam({kept / 2, kept - kept / 2, 9000, 9000}, {3000, 4000}, kept);
  EXPECT_EQ(c.plan.keepCount[kAudio], 2u);
  EXPECT_EQ(c.plan.seamPartialBytes[kAudio], 0u);
  EXPECT_EQ(c.plan.seamJoinBytes[kAudio], kept - kept / 2);
  // Too large together: nothing joined.
  c = Seam({kept / 2, kept - kept / 2, 9000}, {kept, 4000}, kept);
  EXPECT_EQ(c.plan.seamJoinBytes[kAudio], 0u);
}

TEST(MergeSeam, FirstInputAudioEndingBeforeTheKeptTimeLeavesNoPartialBytes) {
  // 3 chunks of 1000 bytes: far less than 3.2 s; no further chunk to cut.
  SeamCase c = Seam({1000, 1000, 1000}, {500, 4000}, 100000);
  EXPECT_EQ(c.plan.keepCount[kAudio], 3u);
  EXPECT_EQ(c.plan.seamPartialBytes[kAudio], 0u);
  EXPECT_EQ(c.plan.seamJoinBytes[kAudio], 1000u);  // last kept + first of the second fit
}

TEST(MergeSeam, NoAudioInTheSecondInputJoinsNothing) {
  SeamCase c = Seam(std::vector<uint32_t>(20, 40000), {}, 100000);
  EXPECT_NE(c.plan.seamPartialBytes[kAudio], 0u);
  EXPECT_EQ(c.plan.seamJoinBytes[kAudio], 0u);
}

TEST(MergeSeam, SizeCountFollowsTheSeam) {
  // The joined file counts both files' chunks and entries (each file's size
  // less movi + 12), less the repeated video and what the seam changes.
  const uint32_t kept = KeptBytes(80);
  auto videoBytes = [](int from, int to) {
    uint64_t total = 0;
    AviLayout whole = SimpleClip(200, 10, 0);
    for (const ChunkLayout& c : FrameRange(whole, from, to).chunks) total += 24 + c.size + (c.size & 1);
    return total;
  };
  const uint64_t droppedVideo = videoBytes(80, 100);

  // Boundary join: one header and one entry fewer.
  SeamCase c = Seam({kept / 2, kept - kept / 2}, {3001, 4000}, kept + 4000);
  ASSERT_EQ(c.plan.seamJoinBytes[kAudio], kept - kept / 2);
  uint64_t joinedOdd = ((kept - kept / 2) + 3001) & 1;
  EXPECT_EQ(c.counted, c.firstSize + c.secondSize - 2 * (c.moviOffset + 12) - droppedVideo - 24 - 1 + joinedOdd);

  // Partial join: the leftover bytes are added to the second's first chunk;
  // the first input's straddling chunk is not taken.
  c = Seam(std::vector<uint32_t>(20, 40000), {3000, 4000}, 100000);
  uint32_t partial = kept % 40000;
  ASSERT_EQ(c.plan.seamJoinBytes[kAudio], 3000u);
  uint64_t droppedAudio = (20 - c.plan.keepCount[kAudio]) * (24 + 40000ull);
  EXPECT_EQ(c.counted, c.firstSize + c.secondSize - 2 * (c.moviOffset + 12) - droppedVideo - droppedAudio +
                           partial + ((3000 + partial) & 1));
}

TEST(MergeSeam, KeptBytesBeyondFourGigabytesKeepEveryChunk) {
  // 300 s kept at one sample a second of 14316558 bytes: 2^32 + 104 bytes,
  // which in 32 bits would keep only 104 bytes.
  AviLayout whole = SimpleClip(400, 10, 0);
  whole.microSecPerFrame = 1000000;
  whole.streams[1].rate = 1;
  whole.streams[1].sampleSize = 14316558;
  whole.streams[1].suggestedBufferSize = 100;
  AviLayout first = FrameRange(whole, 0, 350);
  AviLayout second = FrameRange(whole, 300, 400);
  for (int i = 0; i < 5; ++i) first.chunks.push_back({1, 1000, true, 1});
  second.chunks.push_back({1, 1000, true, 2});
  auto p = Analyse(BuildAvi(first), BuildAvi(second));
  MergePlan plan = Plan(*p);
  EXPECT_EQ(plan.keepCount[kVideo], 300u);
  EXPECT_EQ(plan.keepCount[kAudio], 5u);
  EXPECT_EQ(plan.seamPartialBytes[kAudio], 0u);
}

TEST(MergeSeam, OtherStreamsKeepTheVideosShare) {
  AviLayout whole = SimpleClip(300, 10);
  StreamLayout second;  // a second video stream and a variable-rate audio stream
  StreamLayout vbr;
  vbr.type = "auds";
  vbr.sampleSize = 0;
  whole.streams.push_back(second);
  whole.streams.push_back(vbr);
  AviLayout spread = whole;
  spread.chunks.clear();
  for (size_t i = 0; i < whole.chunks.size(); ++i) {
    spread.chunks.push_back(whole.chunks[i]);
    if (i % 6 == 0) spread.chunks.push_back({2, 30, true, uint8_t(i)});
    if (i % 4 == 0) spread.chunks.push_back({3, 17, true, uint8_t(i)});
  }
  Pair pair = SplitPair(spread, 200, 170, 300);
  auto p = Analyse(pair.first, pair.second);
  MergePlan plan = Plan(*p);
  ASSERT_EQ(plan.keepCount[kVideo], 170u);
  uint32_t n2 = p->a().streams[2].idx1EntryCount, n3 = p->a().streams[3].idx1EntryCount;
  EXPECT_EQ(plan.keepCount[2], uint32_t(double(n2) * 170 / 200));
  EXPECT_EQ(plan.keepCount[3], uint32_t(double(n3) * 170 / 200));
  EXPECT_EQ(plan.seamJoinBytes[3], 0u);
}

// ---- Size count ----

TEST(MergeCount, SecondInputEntriesOfUndescribedStreamsAreNotCounted) {
  AviLayout a = SimpleClip(50, 10);
  AviLayout b = SimpleClip(50, 10);
  for (ChunkLayout& c : b.chunks) c.fill = uint8_t(c.fill + 100);
  a.streams[1].suggestedBufferSize = b.streams[1].suggestedBufferSize = 100;  // no seam join
  Bytes first = BuildAvi(a), second = BuildAvi(b);
  // Stream 5 of the second input's index: no stream header describes it.
  size_t at = NthEntryOf(second, Idx1Of(second), kAudio, 7);
  second[at + 1] = '5';
  auto p = Analyse(first, second);
  MergePlan plan = Plan(*p);
  ASSERT_EQ(plan.keepCount[kVideo], 50u);
  uint64_t expected = first.size() + second.size() - 2 * (p->a().moviOffset + 12) - (24 + 1764);
  EXPECT_EQ(CountMergedBytes(p->Sources(), plan), expected);
}

TEST(MergeCount, JoinedSizeBeyondFourGigabytesIsCounted) {
  // Index entries that claim 1.5 GB chunks: the count reads only the index.
  AviLayout a = SimpleClip(4, 1, 0);
  AviLayout b = SimpleClip(4, 1, 0);
  Bytes first = BuildAvi(a), second = BuildAvi(b);
  for (Bytes* f : {&first, &second})
    for (uint32_t n = 0; n < 2; ++n) avitest::SetU32(*f, NthEntryOf(*f, Idx1Of(*f), kVideo, n) + 12, 0x60000000);
  auto p = Analyse(first, second);
  MergePlan plan = Plan(*p, 0.0);
  uint64_t bytes = CountMergedBytes(p->Sources(), plan);
  EXPECT_GT(bytes, 0x100000000ull);
  MergeFigures figures = ComputeFigures(p->Sources(), plan, bytes);
  EXPECT_GT(figures.sizeMegabytes, 6144.0);
}

// ---- Name ----

TEST(MergeName, JoinedFileNames) {
  auto named = [](const std::string& path, MergeResult expectResult) {
    std::string merged = path;
    EXPECT_EQ(MakeMergedName(path, &merged), expectResult) << path;
    return merged;
  };
  EXPECT_EQ(named("D:\\v\\clip-1.avi", MergeResult::Completed), "D:\\v\\clip-m.avi");
  EXPECT_EQ(named("/v/clip-1.AVI", MergeResult::Completed), "/v/clip-m.avi");
  EXPECT_EQ(named("clip.avi", MergeResult::Completed), "clip-m.avi");
  EXPECT_EQ(named("clip.xyz", MergeResult::Completed), "clip-m.avi");
  EXPECT_EQ(named("x.avi", MergeResult::Completed), "x-m.avi");
  EXPECT_EQ(named("-1.avi", MergeResult::Completed), "-1-m.avi");  // only longer names lose "-1.avi"
  EXPECT_EQ(named("movie.mpeg", MergeResult::Completed), "movie.mpeg-m.avi");
  EXPECT_EQ(named("a.av", MergeResult::BadSourceName), "a.av");
  EXPECT_EQ(named("", MergeResult::BadSourceName), "");
  std::string longest(253, 'd');
  EXPECT_EQ(named((longest + ".avi").c_str(), MergeResult::Completed), longest + "-m.avi");  // 259 characters
  EXPECT_EQ(named((longest + "d.avi").c_str(), MergeResult::NoOutputName), longest + "d.avi");
  EXPECT_EQ(named((longest + "-1.avi").c_str(), MergeResult::Completed), longest + "-m.avi");
}

// ---- Summary ----

TEST(MergeSummary, FormatsBothLanguages) {
  EXPECT_EQ(FormatSummary({50.0, 180.0, 10.0}, 1), "Merge O.K.\n\nFile Size 50.00MB\nTime 3min0.0sec\n(Overlap 10.0sec)");
  EXPECT_EQ(FormatSummary({50.0, 180.0, 10.0}, 0), "結合可能\n\n結合後サイズ 50.00MB\n結合後時間 3分0.0秒\n（ｵｰﾊﾞｰﾗｯﾌﾟ 10.0秒）");
  // Tenths show in English only.
  EXPECT_EQ(FormatSummary({1.234, 125.76, 0.04}, 1), "Merge O.K.\n\nFile Size 1.23MB\nTime 2min5.8sec\n(Overlap 0.0sec)");
  EXPECT_EQ(FormatSummary({1.234, 125.76, 0.04}, 0), "結合可能\n\n結合後サイズ 1.23MB\n結合後時間 2分5.0秒\n（ｵｰﾊﾞｰﾗｯﾌﾟ 0.0秒）");
  // The seconds are printed as they are, even when they round up to 60.0.
  EXPECT_EQ(FormatSummary({1.0, 119.96, 0.0}, 1), "Merge O.K.\n\nFile Size 1.00MB\nTime 1min60.0sec\n(Overlap 0.0sec)");
  EXPECT_EQ(FormatSummary({1.0, 119.96, 0.0}, 0), "結合可能\n\n結合後サイズ 1.00MB\n結合後時間 1分59.0秒\n（ｵｰﾊﾞｰﾗｯﾌﾟ 0.0秒）");
}

TEST(MergeSummary, FiguresOfASplitPair) {
  // 4500 frames kept in all at 25 fps, 250 of them repeated.
  AviLayout whole = SimpleClip(4500, 250, 0);
  Pair pair = SplitPair(whole, 3000, 2750, 4500);
  auto p = Analyse(pair.first, pair.second);
  MergePlan plan = Plan(*p);
  ASSERT_EQ(plan.keepCount[kVideo], 2750u);
  MergeFigures f = ComputeFigures(p->Sources(), plan, 52428800 - p->a().moviOffset - 12);
  EXPECT_EQ(FormatSummary(f, 1), "Merge O.K.\n\nFile Size 50.00MB\nTime 3min0.0sec\n(Overlap 10.0sec)");
  // The whole clip's own size: the merge rebuilds exactly what was split.
  uint64_t counted = CountMergedBytes(p->Sources(), plan);
  EXPECT_EQ(p->a().moviOffset + counted + 12, BuildAvi(whole).size());
}
