// The stream commands where the command line tests cannot reach: OpenDML
// inputs (every real writer's index layout in miniature) must give what
// their flattened version-1 twins give, an output past the OpenDML
// threshold (lowered here) must read back with every kept stream's chunks
// and key flags, renumbered, and a WAV past 4 GiB gets its RF64 layout.
#include <gtest/gtest.h>

#include <map>

#include "avi/avi_source.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "job/native_sink.h"
#include "sound/wav_header.h"
#include "streams/extract_job.h"
#include "streams/stream_select_job.h"
#include "streams/stream_subset.h"
#include "streams/streams_run.h"
#include "tests/native/odml_builder.h"
#include "tests/native/sharing_memory.h"
#include "tests/native/test_split_support.h"

using namespace avitest;
using splittest::FilesIn;
using splittest::FreshDir;
using splittest::ReadBytes;

namespace {

// A clip of three streams: video, PCM, and a second sound track.
AviLayout ThreeStreams() {
  AviLayout clip = SimpleClip(48, 12, 1764);
  StreamLayout second = clip.streams[1];
  second.sampleSize = 0;
  clip.streams.push_back(second);
  std::vector<ChunkLayout> chunks;
  for (size_t i = 0; i < clip.chunks.size(); ++i) {
    chunks.push_back(clip.chunks[i]);
    if (clip.chunks[i].stream == 1) chunks.push_back({2, uint32_t(300 + i % 7), true, uint8_t(i)});
  }
  chunks[5].size = 0;  // a size-0 chunk of the second track
  chunks[7].size = 777;
  clip.chunks = chunks;
  return clip;
}

// Every stream's chunks (key flag, payload) as an analysed file's index gives them.
using Chunks = std::map<int, std::vector<std::pair<bool, Bytes>>>;
Chunks ChunksOf(AviSource& source) {
  AviAnalysis a{};
  EXPECT_TRUE(source.Analyse(a, nullptr, 0, 10));
  Chunks chunks;
  IndexReader index(source.Input(), a.idx1Offset, a.idx1EntryTotal);
  for (uint32_t i = 0; i < index.Total(); ++i) {
    const IndexEntry e = index.At(i);
    if (StreamOfCkid(e.ckid) < 0) continue;
    Bytes data(e.length);
    source.Input().Seek(ChunkPosition(a.chunkBase, e) + 8);
    source.Input().Read(data.data(), data.size());
    chunks[StreamOfCkid(e.ckid)].push_back({(e.flags & kKeyFrameFlag) != 0, data});
  }
  return chunks;
}

std::map<std::string, Bytes> RunStreamJobs(const std::string& dir) {
  NativeSink sink;
  StreamSelectRequest select;
  select.path = dir + "clip.avi";
  select.drop = {1};
  EXPECT_EQ(StreamSelectJob(select, sink).result, StreamsResult::Completed);
  for (int s : {0, 1, 2}) {
    ExtractRequest extract;
    extract.path = dir + "clip.avi";
    extract.stream = s;
    EXPECT_EQ(ExtractJob(extract, sink).result, StreamsResult::Completed) << s;
  }
  std::map<std::string, Bytes> files;
  for (const std::string& name : FilesIn(dir))
    if (name != "clip.avi") files[name] = ReadBytes(dir + name);
  return files;
}

}  // namespace

TEST(Streams, OpenDmlInputsGiveWhatTheirFlattenedTwinsGive) {
  const AviLayout clip = ThreeStreams();
  const std::vector<OdmlAviLayout> layouts = {
      FfmpegLike(clip, {clip.chunks.size() / 3, clip.chunks.size() * 2 / 3}),
      AvimuxLike(clip, {clip.chunks.size() / 2}),
      MencoderLike(clip, {clip.chunks.size() / 3}, uint32_t(clip.chunks.size() / 4 + 1)),
  };
  for (const OdmlAviLayout& layout : layouts) {
    const Bytes odml = BuildOdml(layout).bytes;
    const std::string odmlDir = FreshDir("streams-odml"), flatDir = FreshDir("streams-flat");
    ASSERT_TRUE(WriteFile(odmlDir + "clip.avi", odml));
    std::string why;
    const Bytes flat = Flattened(odml, &why);
    EXPECT_FALSE(flat.empty()) << why;
    ASSERT_TRUE(WriteFile(flatDir + "clip.avi", flat));
    const std::map<std::string, Bytes> fromOdml = RunStreamJobs(odmlDir), fromFlat = RunStreamJobs(flatDir);
    ASSERT_EQ(fromOdml.size(), 4u);  // clip-s.avi, clip.0.avi, clip.1.wav, clip.2.avi
    EXPECT_TRUE(fromOdml == fromFlat);
  }
}

TEST(Streams, AnOpenDmlOutputKeepsEveryKeptStreamsChunksRenumbered) {
  const AviLayout clip = ThreeStreams();
  const Bytes input = BuildAvi(clip);
  AviSource source;
  source.OpenMemory(input.data(), input.size());
  const Chunks before = ChunksOf(source);
  AviAnalysis a{};
  ASSERT_TRUE(source.Analyse(a, nullptr, 0, 10));
  HeaderLayout layout;
  ASSERT_TRUE(ReadHeaderLayout(source.Input(), a.moviOffset, &layout));
  StreamSubset subset;
  subset.keep[1] = subset.keep[2] = true;  // the video dropped: both tracks move down
  AviOutput out = SubsetOutput(source.Input(), a, layout, subset);
  OdmlLimits limits;
  limits.riffThreshold = 30000;
  limits.riffLimit = 40000;
  MemoryOutput memory;
  ASSERT_EQ(WriteSubset(out, a, memory, nullptr, limits, WriterOptions()).result, WriteResult::Written);
  ASSERT_GT(memory.bytes.size(), 2 * limits.riffLimit);  // several RIFF lists

  AviSource written;
  written.OpenMemory(memory.bytes.data(), memory.bytes.size());
  const Chunks after = ChunksOf(written);
  ASSERT_TRUE(written.IsOpenDml());
  ASSERT_EQ(after.size(), 2u);
  EXPECT_TRUE(after.at(0) == before.at(1));
  EXPECT_TRUE(after.at(1) == before.at(2));
  EXPECT_EQ(GetU32(memory.bytes, 32 + 24), 2u);  // avih dwStreams
  EXPECT_EQ(GetU32(memory.bytes, 32 + 16), 0u);  // no video: no frames
}

// An OpenDML input's kept chunks come from the file itself: the same bytes
// as through its view, and with sharing, blocks shared with the file.
TEST(Streams, AnOpenDmlInputsKeptChunksShareTheFilesBlocks) {
  AviLayout clip = SimpleClip(300, 12, 1764);
  for (ChunkLayout& c : clip.chunks) c.size += c.stream == 0 ? 9000 : 0;
  const std::string path = FreshDir("streams-odml-share") + "clip.avi";
  AviSource source;
  AviAnalysis a{};
  ASSERT_TRUE(WriteAndOpenOdml(path, clip, {clip.chunks.size() / 2}, source, a));
  HeaderLayout layout;
  ASSERT_TRUE(ReadHeaderLayout(source.Input(), a.moviOffset, &layout));
  // Both streams kept: every chunk is carried over, back to back as in the
  // file, in runs long enough to be lined up (a stream dropped from between
  // them would leave each chunk a run of its own, too short to be worth it).
  StreamSubset subset;
  subset.keep[0] = subset.keep[1] = true;
  AviOutput viewed = SubsetOutput(source.Input(), a, layout, subset);
  AviOutput stored = SubsetOutput(source.Input(), a, layout, subset, &source);
  AviOutput sharing = SubsetOutput(source.Input(), a, layout, subset, &source);
  MemoryOutput throughView, fromFile;
  SharingMemory shared;
  WriterOptions clone;
  clone.clone = true;
  ASSERT_EQ(WriteSubset(viewed, a, throughView, nullptr, OdmlLimits(), WriterOptions()).result, WriteResult::Written);
  ASSERT_EQ(WriteSubset(stored, a, fromFile, nullptr, OdmlLimits(), WriterOptions()).result, WriteResult::Written);
  ASSERT_EQ(WriteSubset(sharing, a, shared, nullptr, OdmlLimits(), clone).result, WriteResult::Written);
  EXPECT_TRUE(fromFile.bytes == throughView.bytes);
  EXPECT_GT(double(shared.shared), 0.8 * double(shared.bytes.size()));
}

TEST(Streams, AWavPastFourGibibytesIsRf64WithItsSizesInDs64) {
  const std::vector<uint8_t> format = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0};
  WavFields at{};
  const std::vector<uint8_t> plain = WavHeader(format, 1001, &at, 1 << 20);
  EXPECT_FALSE(at.rf64);
  EXPECT_EQ(plain.size(), 44u);
  EXPECT_EQ(GetU32(plain, 4), 4u + 24 + 8 + 1001 + 1);  // the pad byte counted
  EXPECT_EQ(GetU32(plain, 40), 1001u);

  const uint64_t data = (1ull << 20) + 3;  // past the lowered limit
  const std::vector<uint8_t> big = WavHeader(format, data, &at, 1 << 20);
  ASSERT_TRUE(at.rf64);
  ASSERT_EQ(big.size(), 44u + 36);
  EXPECT_EQ(std::string(big.begin(), big.begin() + 4), "RF64");
  EXPECT_EQ(GetU32(big, 4), 0xFFFFFFFFu);
  EXPECT_EQ(std::string(big.begin() + 12, big.begin() + 16), "ds64");
  auto u64 = [&](size_t p) { return GetU32(big, p) | (uint64_t(GetU32(big, p + 4)) << 32); };
  EXPECT_EQ(u64(at.riffSize), 4 + 36 + 24 + 8 + data + 1);
  EXPECT_EQ(u64(at.dataSize), data);
  EXPECT_EQ(u64(at.dataSize + 8), data / 4);  // sample frames
  EXPECT_EQ(GetU32(big, big.size() - 4), 0xFFFFFFFFu);
}
