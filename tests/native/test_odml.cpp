// OpenDML reading: the layouts of real writers in miniature, the flattened
// version-1 view against a direct construction of it, files past 4 GiB, and
// broken indexes refused with their reason.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "avi/avi_analysis.h"
#include "avi/byte_input.h"
#include "avi/odml_flat_view.h"
#include "avi/odml_headers.h"
#include "avi/odml_reader.h"
#include "tests/native/odml_builder.h"

using namespace avitest;

namespace {

struct Opened {
  Bytes bytes;
  ByteInput input;
  OdmlReader reader;
  bool ok = false;
};

std::unique_ptr<Opened> ReadOdml(Bytes bytes) {
  auto o = std::make_unique<Opened>();
  o->bytes = std::move(bytes);
  o->input.OpenMemory(o->bytes.data(), o->bytes.size());
  o->ok = o->reader.Read(o->input, o->bytes.size());
  return o;
}

std::string WriteTemp(const Bytes& bytes, const char* name) {
  const std::string path = testing::TempDir() + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  EXPECT_TRUE(f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
  if (f) std::fclose(f);
  return path;
}

// Read from memory, and from a file on disk (whose chunk headers are read a
// batch at a time): the same verdict, stream and place.
OdmlProblem ProblemOf(Bytes bytes) {
  const std::string path = WriteTemp(bytes, "odml_problem.avi");
  auto o = ReadOdml(std::move(bytes));
  EXPECT_EQ(o->ok, o->reader.Facts().fault.problem == OdmlProblem::kNone);
  ByteInput file;
  EXPECT_TRUE(file.Open(path.c_str()));
  OdmlReader fromDisk;
  fromDisk.Read(file, file.Size());
  const OdmlFault& a = o->reader.Facts().fault;
  const OdmlFault& b = fromDisk.Facts().fault;
  EXPECT_TRUE(a.problem == b.problem && a.stream == b.stream && a.position == b.position)
      << DescribeOdmlFault(a, 1) << " / " << DescribeOdmlFault(b, 1);
  unlink(path.c_str());
  return o->reader.Facts().fault.problem;
}

// The whole view, read front to back in uneven pieces through a ByteInput.
Bytes Materialise(OdmlFlatView& view) {
  ByteInput in;
  in.OpenSource(view);
  Bytes out(view.Size());
  size_t at = 0, piece = 1;
  while (at < out.size()) {
    size_t take = std::min(out.size() - at, piece);
    in.Seek(at);
    EXPECT_EQ(in.Read(out.data() + at, take), take);
    at += take;
    piece = piece * 3 % 100003 + 1;  // 1 byte up to ~100 KB
  }
  return out;
}

// Equal bytes, or where they first differ.
::testing::AssertionResult SameBytes(const Bytes& got, const Bytes& expected) {
  size_t n = std::min(got.size(), expected.size());
  for (size_t i = 0; i < n; ++i)
    if (got[i] != expected[i])
      return ::testing::AssertionFailure() << "first difference at byte " << i << ": " << int(got[i]) << " instead of "
                                           << int(expected[i]) << " (sizes " << got.size() << ", " << expected.size() << ")";
  if (got.size() != expected.size())
    return ::testing::AssertionFailure() << "sizes " << got.size() << " and " << expected.size();
  return ::testing::AssertionSuccess();
}

// A clip long enough for several RIFF lists: video at 25 fps, PCM audio.
AviLayout Clip(int frames) { return SimpleClip(frames, 12, 1764); }

struct NamedLayout {
  const char* name;
  OdmlAviLayout layout;
};

std::vector<NamedLayout> WriterLayouts(const AviLayout& clip) {
  size_t n = clip.chunks.size();
  return {
      {"ffmpeg, two RIFF lists", FfmpegLike(clip, {n / 2})},
      {"ffmpeg, four RIFF lists", FfmpegLike(clip, {n / 5, n / 2, n - 3})},
      {"avimux", AvimuxLike(clip, {n * 2 / 3})},
      // one index per stream of more than half its entries: spans both RIFFs
      {"mencoder", MencoderLike(clip, {n / 3}, uint32_t(n / 2 / 2 + 1))},
      {"dvgrab", DvgrabLike(clip, {n * 3 / 4}, n / 4)},
  };
}

}  // namespace

TEST(OdmlReader, WritersLayoutsFlattenToTheVersion1Rule) {
  AviLayout clip = Clip(60);
  clip.junkAfterHeader = "padding kept";
  clip.chunks[10].size = 0;  // a skipped frame, as ffmpeg and mencoder keep it
  clip.chunks[12].size = 777;  // odd: a pad byte follows
  for (const NamedLayout& w : WriterLayouts(clip)) {
    SCOPED_TRACE(w.name);
    BuiltOdml built = BuildOdml(w.layout);
    auto o = ReadOdml(built.bytes);
    ASSERT_TRUE(o->ok) << DescribeOdmlFault(o->reader.Facts().fault, 1);
    const OdmlFacts& f = o->reader.Facts();
    EXPECT_TRUE(f.hasSuperIndex);
    EXPECT_EQ(f.riffCount, w.layout.riffStarts.size() + 1);
    EXPECT_EQ(f.streamCount, 2u);
    EXPECT_EQ(f.streams[0].entries, 60u);
    EXPECT_EQ(f.streams[0].keyEntries, 5u);
    EXPECT_EQ(f.streams[1].entries, 60u);
    EXPECT_EQ(f.streams[1].keyEntries, w.layout.audioKey ? 60u : 0u);
    EXPECT_EQ(f.streams[1].dataBytes, 60u * 1764);
    uint64_t videoBytes = 0;
    for (const ChunkLayout& c : clip.chunks) videoBytes += c.stream == 0 ? c.size : 0;
    EXPECT_EQ(f.streams[0].dataBytes, videoBytes);
    EXPECT_EQ(f.chunkCount, 120u);

    OdmlFlatView view(o->input, o->reader);
    Bytes flat = Materialise(view);
    EXPECT_TRUE(SameBytes(flat, FlattenByRule(built, 60)));
    // Where the audio entries are key, the flattened file is just the
    // version-1 file of the same clip.
    if (w.layout.audioKey) {
      EXPECT_TRUE(SameBytes(flat, BuildAvi(clip)));
    }
  }
}

namespace {

struct Met : ChunkVisitor {
  std::vector<std::pair<uint64_t, uint64_t>> chunks;
  void Chunk(uint64_t position, uint64_t size) override { chunks.emplace_back(position, size); }
};

struct ViewWalk {
  std::unique_ptr<AviAnalysis> analysis = std::make_unique<AviAnalysis>();
  Met met;
  ReadFault::Kind fault = ReadFault::None;
  uint64_t found = 0, missed = 0;
};

// Writes bytes to a file, reads its indexes, cuts the file to keepBytes (if
// any), then walks its view: with the headers read beforehand where the
// indexes place them, or the full way.
ViewWalk WalkView(const Bytes& bytes, bool guided, size_t keepBytes = 0) {
  ViewWalk w;
  const std::string path = WriteTemp(bytes, "odml_view_walk.avi");
  ByteInput file;
  EXPECT_TRUE(file.Open(path.c_str()));
  OdmlReader reader;
  EXPECT_TRUE(reader.Read(file, file.Size())) << DescribeOdmlFault(reader.Facts().fault, 1);
  if (keepBytes != 0) {
    EXPECT_EQ(truncate(path.c_str(), off_t(keepBytes)), 0);
  }
  OdmlFlatView view(file, reader);
  ByteInput flat;
  flat.OpenSource(view);
  WalkProgress progress;
  progress.visitor = &w.met;
  std::unique_ptr<OdmlHeaders> headers(guided ? new OdmlHeaders(file, reader.FileSize(), reader.SuperIndexes(), view.ChunkPlaces()) : nullptr);
  flat.UseBeforehand(headers.get());
  AnalyseFile(*w.analysis, flat, view.Size(), progress);
  flat.UseBeforehand(nullptr);
  w.fault = file.Fault().kind;
  if (headers) w.found = headers->Found(), w.missed = headers->Missed();
  unlink(path.c_str());
  return w;
}

}  // namespace

// The walk of a view reads a few bytes of each chunk where the indexes place
// it, and meets what the full walk meets: tiny, empty, odd and far apart
// chunks in every writer's layout. A file cut short after its indexes were
// read is found changed either way (what the walk met before it found out
// may differ: the view reads a chunk whole, the pieces its first bytes).
TEST(OdmlReader, TheViewsWalkReadsOnlyTheHeadersAndWalksAsTheFullWalk) {
  AviLayout clip = Clip(60);
  clip.chunks[10].size = 0;
  clip.chunks[12].size = 777;
  clip.chunks[13].size = 3;
  for (size_t i = 20; i < 40; i += 2) clip.chunks[i].size = 9000 + uint32_t(i);  // beyond a merged read
  clip.chunks[30].fill = 'L';  // data that starts with a printable code, as a chunk would
  for (const NamedLayout& w : WriterLayouts(clip)) {
    SCOPED_TRACE(w.name);
    const BuiltOdml built = BuildOdml(w.layout);
    const ViewWalk full = WalkView(built.bytes, false);
    const ViewWalk guided = WalkView(built.bytes, true);
    EXPECT_TRUE(SameAnalysis(*guided.analysis, *full.analysis));
    EXPECT_EQ(guided.met.chunks, full.met.chunks);
    EXPECT_GE(guided.found, 10u);  // the far apart chunks at least
    EXPECT_EQ(guided.missed, 0u);
    for (size_t keep : {built.chunks[70].header + 3, built.bytes.size() - 2000}) {
      const ViewWalk cutFull = WalkView(built.bytes, false, keep);
      const ViewWalk cutGuided = WalkView(built.bytes, true, keep);
      EXPECT_EQ(cutFull.fault, ReadFault::Changed);
      EXPECT_EQ(cutGuided.fault, cutFull.fault);
    }
  }
}

TEST(OdmlReader, ManyChunksKeepTheCheckpointTableBoundedAndRandomReadsRight) {
  AviLayout clip = Clip(1500);  // 3000 chunks: the table is thinned twice
  BuiltOdml built = BuildOdml(FfmpegLike(clip, {1000, 2200}));
  auto o = ReadOdml(built.bytes);
  ASSERT_TRUE(o->ok) << DescribeOdmlFault(o->reader.Facts().fault, 1);
  EXPECT_LE(o->reader.CheckpointCount(), kMaxCheckpoints);
  EXPECT_GE(o->reader.CheckpointCount(), kMaxCheckpoints / 2);
  Bytes expected = FlattenByRule(built, 1500);
  OdmlFlatView view(o->input, o->reader);
  ASSERT_EQ(view.Size(), expected.size());
  // idx1 and movi read in turn, backwards and forwards, as a split does.
  uint32_t seed = 7;
  for (int round = 0; round < 3000; ++round) {
    seed = seed * 1103515245 + 12345;
    uint64_t at = (seed >> 4) % expected.size();
    size_t len = size_t(std::min<uint64_t>(expected.size() - at, (seed >> 20) % 5000 + 1));
    Bytes got(len);
    ASSERT_EQ(view.ReadAt(at, got.data(), len), len);
    ASSERT_TRUE(std::equal(got.begin(), got.end(), expected.begin() + at)) << at << "+" << len;
  }
  // Every copied byte maps back to the source byte it came from.
  for (uint64_t at = 0; at < expected.size(); at += 997) {
    uint64_t source;
    if (view.SourcePosition(at, &source)) {
      ASSERT_EQ(o->bytes[source], expected[at]) << at;
    } else {
      ASSERT_TRUE(at < 8 || at >= view.Idx1Position() || at < view.MoviTypePosition()) << at;
    }
  }
}

TEST(OdmlReader, Version1RulesReadTheFlattenedView) {
  BuiltOdml built = BuildOdml(MencoderLike(Clip(40), {30}, 25));
  auto o = ReadOdml(built.bytes);
  ASSERT_TRUE(o->ok);
  OdmlFlatView view(o->input, o->reader);
  ByteInput flat;
  flat.OpenSource(view);
  auto analysis = std::make_unique<AviAnalysis>();
  AviAnalysis& a = *analysis;
  AnalyseFile(a, flat, view.Size(), WalkProgress{});
  EXPECT_EQ(a.hasIndx, 0);
  EXPECT_EQ(a.moviOffset, view.MoviTypePosition());
  EXPECT_EQ(a.idx1Offset, view.Idx1Position());
  EXPECT_EQ(a.streams[0].idx1EntryCount, 40u);
  EXPECT_EQ(a.streams[1].idx1EntryCount, 40u);
  EXPECT_EQ(DetectChunkBase(a, flat), a.moviOffset);
  EXPECT_EQ(flat.U32At(a.totalFramesOffset), 40u);  // the source's avih counts the first RIFF's 15
  EXPECT_EQ(GetU32(o->bytes, a.totalFramesOffset), 15u);
}

TEST(OdmlReader, Version1FilesAreLeftToTheVersion1Rules) {
  auto o = ReadOdml(BuildAvi(Clip(10)));
  EXPECT_TRUE(o->ok);
  EXPECT_FALSE(o->reader.Facts().hasSuperIndex);
  EXPECT_EQ(o->reader.Facts().riffCount, 1u);
  EXPECT_EQ(o->reader.Facts().fault.problem, OdmlProblem::kNone);
  // Nor is one with 11 streams: the version-1 rules record the first 10.
  AviLayout many = Clip(4);
  while (many.streams.size() < 11) many.streams.push_back(many.streams[1]);
  EXPECT_EQ(ProblemOf(BuildAvi(many)), OdmlProblem::kNone);
  // An OpenDML file with as many is refused.
  EXPECT_EQ(ProblemOf(BuildOdml(FfmpegLike(many, {4})).bytes), OdmlProblem::kTooManyStreams);
  // A truncated version-1 file is not this reader's to refuse either.
  Bytes cut = BuildAvi(Clip(10));
  cut.resize(cut.size() - 100);
  EXPECT_EQ(ProblemOf(cut), OdmlProblem::kNone);
}

namespace {

// A file whose bytes are those of another with a gap of gapSize bytes at
// position at, holding RIFF AVIX lists of nothing but JUNK; every absolute
// position the indexes hold past at moves by the gap.
struct GappedSource : ByteSource {
  Bytes head, tail;
  uint64_t gap;
  std::vector<std::pair<uint64_t, Bytes>> gapHeaders;
  uint64_t Size() const override { return head.size() + gap + tail.size(); }
  size_t ReadAt(uint64_t position, uint8_t* out, size_t count) override {
    size_t done = 0;
    for (; done < count && position + done < Size(); ++done) out[done] = ByteAt(position + done);
    return done;
  }
  uint8_t ByteAt(uint64_t p) const {
    if (p < head.size()) return head[p];
    if (p >= head.size() + gap) return tail[p - head.size() - gap];
    for (const auto& h : gapHeaders)
      if (p >= h.first && p < h.first + h.second.size()) return h.second[p - h.first];
    return 0;
  }
};

GappedSource InsertGap(const BuiltOdml& b, uint64_t riffSpan, int riffs) {
  GappedSource g;
  size_t at = b.riffs[1];
  g.gap = riffSpan * riffs;
  Bytes bytes = b.bytes;
  auto move = [&](size_t field) {
    uint64_t v = GetU32(bytes, field) | (uint64_t(GetU32(bytes, field + 4)) << 32);
    if (v >= at) v += g.gap;
    SetU32(bytes, field, uint32_t(v));
    SetU32(bytes, field + 4, uint32_t(v >> 32));
  };
  for (size_t s : b.superIndexes)
    for (uint32_t k = 0; k < GetU32(bytes, s + 12); ++k) move(s + 32 + 16 * k);
  for (size_t ix : b.standardIndexes) move(ix + 20);
  g.head.assign(bytes.begin(), bytes.begin() + at);
  g.tail.assign(bytes.begin() + at, bytes.end());
  for (int r = 0; r < riffs; ++r) {
    Bytes h;
    PutCode(h, "RIFF");
    PutU32(h, uint32_t(riffSpan - 8));
    PutCode(h, "AVIX");
    PutCode(h, "JUNK");
    PutU32(h, uint32_t(riffSpan - 20));
    g.gapHeaders.push_back({at + r * riffSpan, h});
  }
  return g;
}

}  // namespace

TEST(OdmlReader, PositionsPast4GiBInASourceAndASparseFile) {
  AviLayout clip = Clip(30);
  BuiltOdml built = BuildOdml(FfmpegLike(clip, {40}));
  // Two 3 GiB lists of JUNK before the AVIX: its chunks and indexes lie past 6 GiB.
  GappedSource gapped = InsertGap(built, 3ull << 30, 2);
  ByteInput in;
  in.OpenSource(gapped);
  OdmlReader reader;
  ASSERT_TRUE(reader.Read(in, gapped.Size())) << DescribeOdmlFault(reader.Facts().fault, 1);
  EXPECT_EQ(reader.Facts().riffCount, 4u);
  EXPECT_GT(reader.Facts().riffs[3].position, 6ull << 30);
  EXPECT_EQ(reader.Facts().streams[0].entries, 30u);
  OdmlFlatView view(in, reader);
  // The JUNK lists hold no chunk: the flattened file is the gapless one's.
  EXPECT_TRUE(SameBytes(Materialise(view), FlattenByRule(built, 30)));

  // The same as a sparse file on disk, read through the file reader.
  std::string path = testing::TempDir() + "sparse.avi";
  int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  auto put = [&](uint64_t at, const Bytes& b) { return pwrite(fd, b.data(), b.size(), off_t(at)) == ssize_t(b.size()); };
  bool written = put(0, gapped.head) && put(gapped.head.size() + gapped.gap, gapped.tail);
  for (const auto& h : gapped.gapHeaders) written = written && put(h.first, h.second);
  close(fd);
  ASSERT_TRUE(written);
  ByteInput file;
  ASSERT_TRUE(file.Open(path.c_str()));
  OdmlReader fromFile;
  ASSERT_TRUE(fromFile.Read(file, gapped.Size())) << DescribeOdmlFault(fromFile.Facts().fault, 1);
  OdmlFlatView fileView(file, fromFile);
  EXPECT_TRUE(SameBytes(Materialise(fileView), FlattenByRule(built, 30)));
  unlink(path.c_str());
}

namespace {

// The position of stream s's entry e in the first ix## listing it.
size_t EntryAt(const BuiltOdml& b, const OdmlAviLayout& l, int stream, uint32_t e) {
  for (size_t i = 0; i < l.slots.size(); ++i)
    if (l.slots[i].stream == stream) return b.standardIndexes[i] + 32 + 8 * e;
  return 0;
}

}  // namespace

TEST(OdmlReader, BrokenIndexesAreRefusedWithTheirReason) {
  OdmlAviLayout layout = FfmpegLike(Clip(20), {24});
  const BuiltOdml good = BuildOdml(layout);
  const size_t videoEntry = EntryAt(good, layout, 0, 3);
  const PlacedChunk& chunk = good.chunks[6];  // video chunk 3
  struct Case {
    const char* name;
    std::function<void(Bytes&)> damage;
    OdmlProblem expected;
  };
  std::vector<Case> cases = {
      {"super index entry past the end",
       [&](Bytes& b) { SetU32(b, good.superIndexes[1] + 32 + 16 + 4, 1); }, OdmlProblem::kIndexPastEnd},
      {"super index entry on a data chunk",
       [&](Bytes& b) { SetU32(b, good.superIndexes[0] + 32, uint32_t(chunk.header)); },
       OdmlProblem::kBadStandardIndex},
      {"super index entry on another stream's ix",
       [&](Bytes& b) { SetU32(b, good.superIndexes[0] + 32, GetU32(b, good.superIndexes[1] + 32)); },
       OdmlProblem::kBadStandardIndex},
      {"more entries in use than room",
       [&](Bytes& b) { SetU32(b, good.standardIndexes[0] + 12, 1000); }, OdmlProblem::kBadStandardIndex},
      {"ix past the end of the file",
       [&](Bytes& b) { SetU32(b, good.standardIndexes[3] + 4, 1u << 20); }, OdmlProblem::kIndexPastEnd},
      {"not an index of indexes", [&](Bytes& b) { b[good.superIndexes[0] + 11] = 1; },
       OdmlProblem::kBadSuperIndex},
      {"field index", [&](Bytes& b) { b[good.standardIndexes[0] + 10] = 1; }, OdmlProblem::kFieldIndex},
      {"entry past the end", [&](Bytes& b) { SetU32(b, videoEntry, 0x7FFFFF00); }, OdmlProblem::kChunkPastEnd},
      {"entry on another stream's chunk",
       [&](Bytes& b) { SetU32(b, videoEntry, uint32_t(good.chunks[7].header + 8 - (good.moviList + 8))); },
       OdmlProblem::kWrongChunkId},
      {"chunk id changed", [&](Bytes& b) { std::memcpy(&b[chunk.header], "00db", 4); },
       OdmlProblem::kWrongChunkId},
      {"chunk size differs", [&](Bytes& b) { SetU32(b, videoEntry + 4, chunk.size + 2); },
       OdmlProblem::kWrongChunkSize},
      {"one chunk named twice", [&](Bytes& b) { SetU32(b, videoEntry + 8, GetU32(b, videoEntry)); },
       OdmlProblem::kOverlap},
      {"entries swapped",
       [&](Bytes& b) {
         uint32_t a = GetU32(b, videoEntry), c = GetU32(b, videoEntry + 8);
         SetU32(b, videoEntry, c);
         SetU32(b, videoEntry + 8, a);
       },
       OdmlProblem::kOutOfOrder},
      {"truncated in the AVIX", [&](Bytes& b) { b.resize(good.riffs[1] + 400); }, OdmlProblem::kTruncated},
      {"a stream without indx", [&](Bytes& b) { std::memcpy(&b[good.superIndexes[1]], "JUNK", 4); },
       OdmlProblem::kStreamWithoutIndex},
  };
  ASSERT_EQ(ProblemOf(good.bytes), OdmlProblem::kNone);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = good.bytes;
    c.damage(bytes);
    EXPECT_EQ(ProblemOf(bytes), c.expected);
  }
  // The version-1 test layout's empty indx stub is no index at all.
  AviLayout stub = Clip(5);
  stub.indx = true;
  EXPECT_EQ(ProblemOf(BuildAvi(stub)), OdmlProblem::kBadSuperIndex);
}

TEST(OdmlReader, OneChunkNamedThousandsOfTimesIsRefused) {
  // A small file must not stand for a huge one: every entry of the last ix
  // names the same chunk.
  OdmlAviLayout layout = FfmpegLike(Clip(4), {});
  layout.slots[0].room = 5000;
  BuiltOdml b = BuildOdml(layout);
  size_t ix = b.standardIndexes[0];
  SetU32(b.bytes, ix + 12, 5000);
  for (uint32_t e = 1; e < 5000; ++e) {
    SetU32(b.bytes, ix + 32 + 8 * e, GetU32(b.bytes, ix + 32));
    SetU32(b.bytes, ix + 36 + 8 * e, GetU32(b.bytes, ix + 36));
  }
  EXPECT_EQ(ProblemOf(b.bytes), OdmlProblem::kOverlap);
}

TEST(OdmlReader, DamagedFilesAreRefusedOrReadConsistently) {
  // Whatever bytes an index holds, reading never runs outside the file, and
  // a file it accepts flattens to chunks that are really there: every idx1
  // entry of the view names a chunk header of its size, and the view never
  // holds more chunk bytes than the file.
  OdmlAviLayout layout = DvgrabLike(Clip(24), {30}, 10);
  const BuiltOdml good = BuildOdml(layout);
  std::vector<size_t> targets = good.superIndexes;
  targets.insert(targets.end(), good.standardIndexes.begin(), good.standardIndexes.end());
  uint32_t seed = 99;
  int accepted = 0;
  for (int round = 0; round < 400; ++round) {
    Bytes bytes = good.bytes;
    for (int k = 0; k < 1 + round % 4; ++k) {
      seed = seed * 1103515245 + 12345;
      // Mostly index bytes (heads and first entries), now and then anywhere.
      size_t at = (seed >> 28) < 12 ? targets[(seed >> 8) % targets.size()] + (seed >> 16) % 64
                                    : (seed >> 4) % bytes.size();
      bytes[at % bytes.size()] ^= uint8_t(1u << ((seed >> 12) % 8));
    }
    auto o = ReadOdml(bytes);
    if (!o->ok) continue;
    ++accepted;
    ASSERT_LE(o->reader.FlatMoviBytes(), bytes.size()) << round;
    if (!o->reader.Facts().hasSuperIndex) continue;
    OdmlFlatView view(o->input, o->reader);
    Bytes flat = Materialise(view);
    ASSERT_EQ(flat.size(), view.Size());
    const uint64_t movi = view.MoviTypePosition();
    for (uint64_t e = view.Idx1Position() + 8; e + 16 <= flat.size(); e += 16) {
      uint64_t chunk = movi + GetU32(flat, size_t(e) + 8);
      ASSERT_LT(chunk + 8, view.Idx1Position()) << round;
      ASSERT_EQ(GetU32(flat, size_t(chunk)), GetU32(flat, size_t(e))) << round;
      ASSERT_EQ(GetU32(flat, size_t(chunk) + 4), GetU32(flat, size_t(e) + 12)) << round;
    }
  }
  EXPECT_GT(accepted, 20);  // damage in data bytes leaves the file readable
}

TEST(OdmlReader, RefusalsSayWhatIsWrongInBothLanguages) {
  for (int p = 1; p < int(OdmlProblem::kCount); ++p) {
    const TextPair& t = OdmlProblemText(OdmlProblem(p));
    EXPECT_GT(std::strlen(t.english), 5u) << p;
    EXPECT_GT(std::strlen(t.japanese), 5u) << p;
    for (int q = 1; q < p; ++q) EXPECT_STRNE(t.english, OdmlProblemText(OdmlProblem(q)).english);
  }
  OdmlFault f{OdmlProblem::kWrongChunkId, 1, 123456};
  EXPECT_EQ(DescribeOdmlFault(f, 1),
            "Broken OpenDML index: an entry points at a chunk of another stream or at no chunk "
            "(stream 1, at byte 123456)");
  EXPECT_NE(DescribeOdmlFault(f, 0).find("ストリーム 1"), std::string::npos);
}

TEST(OdmlReader, ProgressIsReportedAndCancelStopsTheCheck) {
  BuiltOdml built = BuildOdml(FfmpegLike(Clip(5000), {6000}));
  ByteInput in;
  in.OpenMemory(built.bytes.data(), built.bytes.size());
  OdmlReader reader;
  uint64_t last = 0;
  int calls = 0;
  ASSERT_TRUE(reader.Read(in, built.bytes.size(), [&](uint64_t at) {
    EXPECT_GT(at, last);
    last = at;
    return ++calls > 0;
  }));
  EXPECT_EQ(calls, 10000 / 4096);
  EXPECT_FALSE(reader.Read(in, built.bytes.size(), [](uint64_t) { return false; }));
  EXPECT_EQ(reader.Facts().fault.problem, OdmlProblem::kCancelled);
}

TEST(OdmlReader, LayoutFactsForTheCommandLine) {
  AviLayout clip = Clip(10);
  BuiltOdml built = BuildOdml(MencoderLike(clip, {8}, 6));
  auto o = ReadOdml(built.bytes);
  ASSERT_TRUE(o->ok);
  std::string text = DescribeOdmlLayout(o->reader.Facts());
  const size_t moviSize = GetU32(built.bytes, built.moviList + 4);
  const std::string expected =
      "RIFF lists              2\n"
      "  RIFF 'AVI ' at 0, " + std::to_string(GetU32(built.bytes, 4)) + " bytes; movi at " +
      std::to_string(built.moviList) + ", " + std::to_string(moviSize) + " bytes\n";
  EXPECT_EQ(text.substr(0, expected.size()), expected);
  EXPECT_NE(text.find("  RIFF 'AVIX' at " + std::to_string(built.riffs[1]) + ", "), std::string::npos) << text;
  EXPECT_NE(text.find("index                   OpenDML (indx super indexes, ix## standard indexes)\n"),
            std::string::npos);
  EXPECT_NE(text.find("  stream 0: vids 00dc, 2 ix## indexes, 10 entries (1 key), "), std::string::npos) << text;
  EXPECT_NE(text.find("  stream 1: auds 01wb, 2 ix## indexes, 10 entries (10 key), 17640 bytes\n"),
            std::string::npos) << text;
  EXPECT_NE(text.find("  chunks                20\n"), std::string::npos);

  EXPECT_NE(DescribeOdmlLayout(ReadOdml(BuildAvi(clip))->reader.Facts()).find("idx1 (version 1)"), std::string::npos);
  Bytes cut = built.bytes;
  cut.resize(built.riffs[1] + 100);
  EXPECT_NE(DescribeOdmlLayout(ReadOdml(cut)->reader.Facts())
                .find("refused                 The file is cut short: it ends inside a RIFF list (at byte " +
                      std::to_string(built.riffs[1]) + ")"),
            std::string::npos);
}
