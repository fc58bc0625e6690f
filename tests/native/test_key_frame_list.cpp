// The key-frame list and frame lookup against files whose layout is known:
// every frame's entry found from the key frame before it (chunk position,
// size, key flag), audio and "rec " entries passed over, a first frame that
// is no key frame, key frames of an OpenDML file at their places in the file
// as stored, a list stopped on request, and files without video or index.
#include <gtest/gtest.h>

#include "avi/avi_source.h"
#include "avi/key_frame_list.h"
#include "tests/native/avi_builder.h"
#include "tests/native/odml_builder.h"

using namespace avitest;

namespace {

struct Opened {
  Bytes bytes;
  AviSource source;
  AviAnalysis analysis{};
  explicit Opened(Bytes b) : bytes(std::move(b)) {
    source.OpenMemory(bytes.data(), bytes.size());
    EXPECT_TRUE(source.Analyse(analysis, nullptr, 0, 10));
  }
};

// Where each video chunk's header lies in a built version-1 file, found by
// looking for its code in order (the builder's data bytes never spell it).
std::vector<size_t> VideoChunkHeaders(const Bytes& b, size_t count) {
  std::vector<size_t> at;
  size_t from = 0;
  const std::string code = "00dc";
  while (at.size() < count) {
    auto it = std::search(b.begin() + long(from), b.end(), code.begin(), code.end());
    if (it == b.end()) break;
    at.push_back(size_t(it - b.begin()));
    from = at.back() + 8;
  }
  return at;
}

}  // namespace

TEST(KeyFrameList, EveryFrameFromTheKeyFrameBeforeIt) {
  const AviLayout clip = SimpleClip(40, 12);
  Opened f(BuildAvi(clip));
  KeyFrameList list;
  ASSERT_EQ(ListKeyFrames(f.source, f.analysis, &list), FrameListProblem::None);
  EXPECT_EQ(list.frames, 40u);
  EXPECT_EQ(list.frameMicros, 40000u);
  std::vector<uint32_t> keys;
  for (const FrameEntry& k : list.keys) keys.push_back(k.frame);
  EXPECT_EQ(keys, (std::vector<uint32_t>{0, 12, 24, 36}));

  // The data of frame n: its header found in the bytes, its size the layout's.
  const std::vector<size_t> headers = VideoChunkHeaders(f.bytes, 40);
  ASSERT_EQ(headers.size(), 40u);
  for (uint32_t n = 0; n < 40; ++n) {
    FrameEntry e;
    ASSERT_TRUE(FindFrame(f.source, f.analysis, list, n, &e)) << n;
    EXPECT_EQ(e.frame, n);
    EXPECT_EQ(e.position, headers[n]) << n;
    EXPECT_EQ(e.fileOffset, headers[n] + 8) << n;
    EXPECT_EQ(e.size, clip.chunks[2 * n].size) << n;
    EXPECT_EQ(e.key, n % 12 == 0) << n;
    EXPECT_EQ(f.bytes[e.DataPosition()], uint8_t(n)) << "the frame's own first data byte";
  }
  FrameEntry beyond;
  EXPECT_FALSE(FindFrame(f.source, f.analysis, list, 40, &beyond));
  EXPECT_EQ(list.MicrosOf(37), 37u * 40000u);

  EXPECT_EQ(list.KeyAtOrBefore(11), 0);
  EXPECT_EQ(list.KeyAtOrBefore(12), 1);
  EXPECT_EQ(list.KeyAfter(12), 2);
  EXPECT_EQ(list.KeyAfter(36), -1);
  EXPECT_EQ(list.KeyBefore(12), 0);
  EXPECT_EQ(list.KeyBefore(0), -1);
  EXPECT_TRUE(list.IsKey(24));
  EXPECT_FALSE(list.IsKey(25));
}

TEST(KeyFrameList, RecGroupsAndAFirstFrameThatIsNoKeyFrame) {
  AviLayout clip = SimpleClip(20, 8);
  clip.chunks[0].key = false;  // a recording that begins inside a group of pictures
  clip.chunksPerRec = 2;
  Opened f(BuildAvi(clip));
  ASSERT_NE(f.analysis.hasRecEntries, 0);
  KeyFrameList list;
  ASSERT_EQ(ListKeyFrames(f.source, f.analysis, &list), FrameListProblem::None);
  EXPECT_EQ(list.frames, 20u);
  ASSERT_EQ(list.keys.size(), 2u);
  EXPECT_EQ(list.keys[0].frame, 8u);
  EXPECT_FALSE(list.first.key);
  EXPECT_EQ(list.KeyAtOrBefore(5), -1);
  FrameEntry e;
  ASSERT_TRUE(FindFrame(f.source, f.analysis, list, 5, &e));  // read on from frame 0
  EXPECT_EQ(e.frame, 5u);
  EXPECT_EQ(f.bytes[e.DataPosition()], uint8_t(5));

  // A cursor gives the frames in order, passing over audio and rec entries.
  FrameCursor cursor(f.source, f.analysis);
  cursor.Start(list.keys[0]);
  for (uint32_t n = 8; n < 20; ++n) {
    ASSERT_TRUE(cursor.Next(&e));
    EXPECT_EQ(e.frame, n);
    EXPECT_EQ(f.bytes[e.DataPosition()], uint8_t(n));
  }
  EXPECT_FALSE(cursor.Next(&e));
}

TEST(KeyFrameList, OpenDmlKeyFramesAtTheirPlacesInTheFile) {
  const AviLayout clip = SimpleClip(60, 10);
  const BuiltOdml built = BuildOdml(FfmpegLike(clip, {25}));
  Opened f(built.bytes);
  ASSERT_TRUE(f.source.IsOpenDml());
  KeyFrameList list;
  ASSERT_EQ(ListKeyFrames(f.source, f.analysis, &list), FrameListProblem::None);
  std::vector<PlacedChunk> video;
  for (const PlacedChunk& c : built.chunks)
    if (c.stream == 0) video.push_back(c);
  ASSERT_EQ(list.frames, video.size());
  ASSERT_EQ(list.keys.size(), 6u);
  for (const FrameEntry& k : list.keys) {
    EXPECT_EQ(k.fileOffset, video[k.frame].header + 8) << k.frame;  // past 2 RIFF lists, as stored
    EXPECT_EQ(k.size, video[k.frame].size);
  }
  FrameEntry e;
  ASSERT_TRUE(FindFrame(f.source, f.analysis, list, 33, &e));
  EXPECT_EQ(e.fileOffset, video[33].header + 8);
  EXPECT_EQ(f.bytes[e.fileOffset], uint8_t(33));
}

TEST(KeyFrameList, StoppedOnRequestAndFilesWithoutFrames) {
  Opened clip(BuildAvi(SimpleClip(10)));
  KeyFrameList list;
  EXPECT_EQ(ListKeyFrames(clip.source, clip.analysis, &list, [] { return false; }), FrameListProblem::Cancelled);
  EXPECT_TRUE(list.keys.empty());

  AviLayout noIndex = SimpleClip(10);
  noIndex.writeIndex = false;
  Opened unindexed(BuildAvi(noIndex));
  EXPECT_EQ(ListKeyFrames(unindexed.source, unindexed.analysis, &list), FrameListProblem::NoIndex);

  AviLayout soundOnly = SimpleClip(10);
  soundOnly.streams.erase(soundOnly.streams.begin());
  soundOnly.chunks.clear();
  for (int i = 0; i < 10; ++i) soundOnly.chunks.push_back({0, 1764, true, uint8_t(i)});
  soundOnly.streams[0].type = "auds";
  Opened sound(BuildAvi(soundOnly));
  EXPECT_EQ(ListKeyFrames(sound.source, sound.analysis, &list), FrameListProblem::NoVideo);
  ASSERT_NE(FrameListProblemText(FrameListProblem::NoVideo), nullptr);
  EXPECT_EQ(FrameListProblemText(FrameListProblem::None), nullptr);
}
