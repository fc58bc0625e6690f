// The joined-file writer on crafted pairs: a randomised differential test
// against a direct reading of the merge plan (layout, chunks, seam, header
// figures, size equal to the engine's count), and the refusals: cancel, an
// input shorter than its index, a failing sink, a file too large.
#include <gtest/gtest.h>

#include <random>

#include "io/output_stream.h"
#include "chain/chain_writer.h"
#include "merge/merge_output.h"
#include "tests/native/test_merge_support.h"
#include "tests/native/test_split_support.h"

using avitest::AviLayout;
using avitest::Bytes;
using avitest::ChunkLayout;
using avitest::GetU32;
using avitest::SetU32;

namespace {

struct Joined {
  WriteResult result;
  Bytes bytes;
  MergePlan plan;
  uint64_t counted;  // the engine's size of the joined file
};

Joined Join(mergetest::Analysed& p, size_t failAfter = SIZE_MAX) {
  Joined j;
  j.plan = mergetest::Plan(p);
  j.counted = p.a().moviOffset + CountMergedBytes(p.Sources(), j.plan) + 12;
  MemoryOutput out(failAfter);
  j.result = WriteJoinedFile(JoinRequestFor(p.Sources(), j.plan), out, nullptr);
  j.bytes = std::move(out.bytes);
  return j;
}

// Writes the joined file of a planned pair to path as the plug-in does.
WriteResult WriteTo(mergetest::Analysed& p, const MergePlan& plan, const std::string& path) {
  PlannedMerge planned;
  planned.firstPath = p.path;
  planned.first.OpenMemory(p.first.data(), p.first.size());
  planned.second.OpenMemory(p.second.data(), p.second.size());
  planned.firstAnalysis = p.firstAnalysis;
  planned.secondAnalysis = p.secondAnalysis;
  planned.plan = plan;
  planned.joinedName = path;
  return WriteJoinedFileFor(planned, "", p.host);
}

struct Chunk {
  uint32_t ckid;
  Bytes data;
};

// Every stream chunk of a built file, in index order, with its stream and
// its number within the stream.
struct Indexed {
  Chunk chunk;
  int stream;
  uint32_t k;
};
std::vector<Indexed> ChunksOf(const Bytes& file) {
  ByteInput input;
  input.OpenMemory(file.data(), file.size());
  AviAnalysis a{};
  mergetest::WalkInput(a, input, uint32_t(file.size()));
  std::vector<Indexed> out;
  uint32_t seen[kMaxStreams] = {};
  for (uint32_t i = 0; i < a.idx1EntryTotal; ++i) {
    size_t e = a.idx1Offset + 8 + 16 * size_t(i);
    int st = StreamOfCkid(GetU32(file, e));
    if (st < 0 || uint32_t(st) >= a.streamCount) continue;
    size_t at = size_t(a.chunkBase) + GetU32(file, e + 8) + 8;
    uint32_t len = GetU32(file, e + 12);
    out.push_back({{GetU32(file, e), Bytes(file.begin() + at, file.begin() + at + len)}, st, seen[st]++});
  }
  return out;
}

// The joined file's chunks read straight from the plan: the first input's
// kept chunks, then all of the second's, the audio seam joined or dropped.
std::vector<Chunk> ExpectedChunks(const Bytes& first, const Bytes& second, const MergePlan& plan,
                                  const AviAnalysis& a) {
  std::vector<Chunk> out;
  std::vector<Indexed> one = ChunksOf(first), two = ChunksOf(second);
  Bytes seamHead[kMaxStreams];
  bool joins[kMaxStreams] = {};
  for (uint32_t s = 0; s < a.streamCount; ++s)
    joins[s] = int(s) != a.firstVideoStream && a.streams[s].type == StreamAudio && plan.seamJoinBytes[s] != 0;
  for (const Indexed& c : one) {
    const uint32_t keep = plan.keepCount[c.stream], partial = plan.seamPartialBytes[c.stream];
    if (joins[c.stream] && partial != 0 && c.k == keep)
      seamHead[c.stream] = Bytes(c.chunk.data.begin(), c.chunk.data.begin() + partial);
    if (c.k >= keep) continue;
    if (joins[c.stream] && partial == 0 && c.k + 1 == keep) {
      seamHead[c.stream] = c.chunk.data;
      continue;
    }
    out.push_back(c.chunk);
  }
  for (const Indexed& c : two) {
    Chunk chunk = c.chunk;
    if (c.k == 0 && joins[c.stream]) chunk.data.insert(chunk.data.begin(), seamHead[c.stream].begin(), seamHead[c.stream].end());
    out.push_back(chunk);
  }
  return out;
}

// Checks the joined file against the plan; returns its layout.
splittest::OutputLayout CheckJoined(const Joined& j, mergetest::Analysed& p) {
  splittest::OutputLayout layout;
  EXPECT_EQ(j.result, WriteResult::Written);
  splittest::CheckOutput(j.bytes, &layout, p.a().firstVideoStream);
  EXPECT_EQ(j.bytes.size(), j.counted) << "the size the summary reports";

  std::vector<Chunk> want = ExpectedChunks(p.first, p.second, j.plan, p.a());
  EXPECT_EQ(layout.index.size(), want.size());
  for (size_t i = 0; i < want.size() && i < layout.index.size(); ++i) {
    EXPECT_EQ(layout.index[i].ckid, want[i].ckid) << "chunk " << i;
    EXPECT_TRUE(layout.chunkData[i] == want[i].data) << "chunk " << i;
  }

  // Header: frames and lengths patched, everything else as the first input's.
  const AviAnalysis& a = p.a();
  const int v = a.firstVideoStream;
  const uint32_t frames = j.plan.keepCount[v] + p.b().streams[v].idx1EntryCount;
  EXPECT_EQ(GetU32(j.bytes, a.totalFramesOffset), frames);
  for (uint32_t s = 0; s < a.streamCount; ++s) {
    const uint32_t at = a.streams[s].lengthOffset;
    if (int(s) == v) {
      EXPECT_EQ(GetU32(j.bytes, at), frames);
    } else if (a.streams[s].type == StreamAudio) {
      uint64_t bytes = 0;
      for (size_t i = 0; i < layout.index.size(); ++i)
        if (StreamOfCkid(layout.index[i].ckid) == int(s)) bytes += layout.index[i].length;
      EXPECT_EQ(GetU32(j.bytes, at), bytes / GetU32(p.first, a.streams[s].sampleSizeOffset));
    }
  }
  auto patched = [&](uint32_t at) {
    bool in = at - a.totalFramesOffset < 4;
    for (uint32_t s = 0; s < a.streamCount; ++s) in |= at - a.streams[s].lengthOffset < 4;
    return in;
  };
  for (uint32_t at = 8; at < a.moviOffset - 4; ++at)
    if (!patched(at) && j.bytes[at] != p.first[at]) {
      ADD_FAILURE() << "header byte " << at;
      break;
    }
  return layout;
}

}  // namespace

TEST(JoinedWriter, WritesWhatThePlanSaysForRandomPairs) {
  std::mt19937 random(20261207);
  int partialJoins = 0, drops = 0, boundaryJoins = 0;
  for (int round = 0; round < 120; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const int frames = 60 + int(random() % 200);
    std::vector<uint32_t> audio(frames);
    uint32_t largest = 0;
    const bool evenAudio = random() % 3 == 0;
    for (uint32_t& size : audio) {
      size = evenAudio ? 7056 : 4 * (1 + random() % 3000) + (random() % 4 == 0 ? 1 : 0);
      largest = std::max(largest, size);
    }
    // Suggested buffer sizes that let the seam join, or not.
    uint32_t suggested = random() % 2 ? largest * 2 : largest / 2;
    AviLayout whole = mergetest::AudioClip(frames, 1 + int(random() % 15), audio, suggested);
    if (random() % 4 == 0) {
      avitest::StreamLayout other;  // a variable-rate audio stream, cut by share
      other.type = "auds";
      other.handler = std::string("\0\0\0\0", 4);
      other.sampleSize = 0;
      whole.streams.push_back(other);
      for (size_t i = whole.chunks.size(); i-- > 0;)
        if (whole.chunks[i].stream == 0 && i % 3 == 0)
          whole.chunks.insert(whole.chunks.begin() + i + 1, ChunkLayout{2, uint32_t(100 + i % 77), true, uint8_t(i)});
    }
    whole.chunksPerRec = random() % 5 == 0 ? 3 : 0;
    whole.absoluteOffsets = random() % 5 == 0;
    const int firstEnd = frames / 2 + int(random() % (frames / 2));
    const int secondStart = firstEnd - int(random() % std::min(firstEnd - 1, 40));
    mergetest::Pair pair = mergetest::SplitPair(whole, firstEnd, secondStart, frames);
    auto p = mergetest::Analyse(pair.first, pair.second);
    Joined j = Join(*p);
    EXPECT_EQ(j.plan.keepCount[0], uint32_t(secondStart));
    CheckJoined(j, *p);
    if (j.plan.seamPartialBytes[1] != 0) (j.plan.seamJoinBytes[1] ? partialJoins : drops)++;
    if (j.plan.seamPartialBytes[1] == 0 && j.plan.seamJoinBytes[1] != 0) boundaryJoins++;
    if (HasFailure()) break;
  }
  // Every shape of the seam was met.
  EXPECT_GT(partialJoins, 5);
  EXPECT_GT(drops, 5);
  EXPECT_GT(boundaryJoins, 2);
}

TEST(JoinedWriter, SeamShapes) {
  // 100 frames of 40 ms; the second input repeats the last 20.
  const uint32_t kept = uint32_t(std::trunc(40000.0 * 80 * 0.000001 * 44100.0)) * 4;  // 3.2 s of audio
  struct Case {
    std::vector<uint32_t> firstAudio, secondAudio;
    uint32_t suggested;
    uint32_t keep, partial, join;
  } cases[] = {
      // Kept time inside a chunk: its head joined to the second's first chunk.
      {std::vector<uint32_t>(20, 40000), {3000, 4000}, 50000, kept / 40000, kept % 40000, 3000},
      // The same, too large together: the head is dropped.
      {std::vector<uint32_t>(20, 40000), {48000, 4000}, 50000, kept / 40000, kept % 40000, 0},
      // Kept time on a chunk boundary: the neighbours become one chunk.
      {{kept / 2, kept - kept / 2, 9000, 9000}, {3001, 4000}, kept, 2, 0, kept - kept / 2},
  };
  for (const Case& c : cases) {
    AviLayout whole = avitest::SimpleClip(200, 10, 0);
    AviLayout first = mergetest::AudioClip(100, 10, c.firstAudio, c.suggested),
              second = mergetest::AudioClip(120, 10, c.secondAudio, c.suggested);
    AviLayout firstVideo = mergetest::FrameRange(whole, 0, 100), secondVideo = mergetest::FrameRange(whole, 80, 200);
    size_t v = 0;
    for (ChunkLayout& ch : first.chunks)
      if (ch.stream == 0) ch = firstVideo.chunks[v++];
    v = 0;
    for (ChunkLayout& ch : second.chunks)
      if (ch.stream == 0) ch = secondVideo.chunks[v++];
    auto p = mergetest::Analyse(avitest::BuildAvi(first), avitest::BuildAvi(second));
    Joined j = Join(*p);
    EXPECT_EQ(j.plan.keepCount[1], c.keep);
    EXPECT_EQ(j.plan.seamPartialBytes[1], c.partial);
    EXPECT_EQ(j.plan.seamJoinBytes[1], c.join);
    splittest::OutputLayout layout = CheckJoined(j, *p);
    // The first audio chunk after the kept ones holds the seam.
    std::vector<Bytes> audio = splittest::OutputChunks(layout, 1);
    const uint32_t seamChunk = c.partial == 0 ? c.keep - 1 : c.keep;
    ASSERT_GT(audio.size(), seamChunk);
    const uint32_t head = c.partial != 0 ? (c.join ? c.partial : 0) : c.firstAudio[c.keep - 1];
    EXPECT_EQ(audio[seamChunk].size(), head + c.secondAudio[0]);
  }
}

TEST(JoinedWriter, RefusesInputsShorterThanTheirIndexAndFailingSinks) {
  AviLayout whole = avitest::SimpleClip(300, 12);
  mergetest::Pair pair = mergetest::SplitPair(whole, 250, 200, 300);
  {
    auto p = mergetest::Analyse(pair.first, pair.second);
    const uint32_t idx1 = p->b().idx1Offset;
    // Move the last entry's chunk past the end of the file.
    const size_t last = idx1 + 8 + 16 * size_t(p->b().idx1EntryTotal - 1);
    SetU32(p->second, last + 8, uint32_t(p->second.size()));
    EXPECT_EQ(Join(*p).result, WriteResult::InputShort);
  }
  {
    auto p = mergetest::Analyse(pair.first, pair.second);
    EXPECT_EQ(Join(*p, 1000).result, WriteResult::WriteFailed);
  }
  {
    // Index lengths that add up beyond 2 GiB: refused before a byte is written.
    auto p = mergetest::Analyse(pair.first, pair.second);
    const AviAnalysis& a = p->a();
    for (uint32_t i = 0; i < 12; ++i)
      if (StreamOfCkid(GetU32(p->first, a.idx1Offset + 8 + 16 * i)) == 0)
        SetU32(p->first, a.idx1Offset + 8 + 16 * i + 12, 0x20000000);
    Joined j = Join(*p);
    EXPECT_EQ(j.result, WriteResult::TooLarge);
    EXPECT_TRUE(j.bytes.empty());
  }
}

TEST(JoinedWriter, CancelOrFailureLeavesNothingBehindAndKeepsAnOlderFile) {
  // About 6 MB: several blocks, so the bar moves and a cancel lands mid-way.
  // Audio in real time without room to join chunks at the seam: the joined
  // file holds exactly the whole clip's chunks.
  AviLayout whole = avitest::SimpleClip(1200, 12, 7056);
  whole.streams[1].suggestedBufferSize = 7056;
  for (ChunkLayout& c : whole.chunks)
    if (c.stream == 0) c.size = 5000 + c.size;
  mergetest::Pair pair = mergetest::SplitPair(whole, 1000, 900, 1200);
  const std::string dir = splittest::FreshDir("joined_cancel");
  const std::string path = dir + "clip-m.avi";
  ASSERT_TRUE(avitest::WriteFile(path, Bytes{'o', 'l', 'd'}));
  auto listing = [&] {
    std::string cmd = "ls -A '" + dir + "'";
    std::string out;
    std::FILE* ls = popen(cmd.c_str(), "r");
    char buf[256];
    while (std::fgets(buf, sizeof buf, ls)) out += buf;
    pclose(ls);
    return out;
  };

  {
    auto p = mergetest::Analyse(pair.first, pair.second);
    MergePlan plan = mergetest::Plan(*p);
    p->host.onProgress = [&](const char*, int cells) {
      if (cells >= 40) p->host.cancelRequested.store(-2);
    };
    EXPECT_EQ(WriteTo(*p, plan, path), WriteResult::Cancelled);
    EXPECT_GE(p->host.progressCells.size(), 3u);
    EXPECT_EQ(listing(), "clip-m.avi\n");
    EXPECT_EQ(splittest::ReadBytes(path), (Bytes{'o', 'l', 'd'}));
  }
  {
    auto p = mergetest::Analyse(pair.first, pair.second);
    MergePlan plan = mergetest::Plan(*p);
    SetU32(p->second, p->b().idx1Offset + 8 + 8, uint32_t(p->second.size()));
    EXPECT_EQ(WriteTo(*p, plan, path), WriteResult::InputShort);
    EXPECT_EQ(listing(), "clip-m.avi\n");
    EXPECT_EQ(splittest::ReadBytes(path), (Bytes{'o', 'l', 'd'}));
  }
  {
    auto p = mergetest::Analyse(pair.first, pair.second);
    MergePlan plan = mergetest::Plan(*p);
    EXPECT_EQ(WriteTo(*p, plan, path), WriteResult::Written);
    EXPECT_EQ(listing(), "clip-m.avi\n");
    EXPECT_EQ(p->host.progressCells.back(), 100);
    Bytes written = splittest::ReadBytes(path);
    EXPECT_EQ(written.size(), p->a().moviOffset + CountMergedBytes(p->Sources(), plan) + 12);
    // The file the whole clip's chunks make.
    std::vector<Indexed> got = ChunksOf(written), want = ChunksOf(avitest::BuildAvi(whole));
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_TRUE(got[i].chunk.data == want[i].chunk.data) << i;
  }
}
