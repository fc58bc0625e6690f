// Block sharing (--clone): the JUNK placement rule, and the split, pieces,
// merge and join writers against an output that plays a file system sharing blocks of 4 KiB:
// the same chunks, flags and header figures as without sharing, every index
// entry naming its chunk behind the JUNK, the unchanged runs lined up with
// the input's blocks; and on a file system that cannot share, the very bytes
// of a run without it. Real XFS and Btrfs: tests/cli/test_clone_cli.py.
#include <gtest/gtest.h>

#include "avi/avi_source.h"
#include "avi/clone_layout.h"
#include "io/output_file.h"
#include "chain/input_pool.h"
#include "chain/chain_writer.h"
#include "merge/merge_output.h"
#include "pieces/piece_plan.h"
#include "tests/native/odml_builder.h"
#include "tests/native/sample_list.h"
#include "tests/native/sharing_memory.h"
#include "tests/native/test_merge_support.h"
#include "tests/native/test_split_support.h"

using avitest::Bytes;
using avitest::GetU32;

namespace {

constexpr uint32_t kBlock = avitest::SharingMemory::kBlock;
using avitest::SharingMemory;

struct Chunk {
  uint32_t ckid, flags;
  Bytes data;
  bool operator==(const Chunk& o) const { return ckid == o.ckid && flags == o.flags && data == o.data; }
};

// An output read back: its chunks in index order, after checking that the
// RIFF size is the length - 8, the movi list holds the indexed chunks in
// order with nothing but JUNK between them, and each idx1 entry names its
// chunk from the "movi" list type.
struct Readback {
  uint64_t moviType = 0;
  std::vector<Chunk> chunks;
  int junkChunks = 0;
  uint64_t junkBytes = 0;
};

void Read(const Bytes& b, Readback* r) {
  ASSERT_GE(b.size(), 12u);
  EXPECT_EQ(GetU32(b, 4), b.size() - 8) << "RIFF size";
  size_t at = 12, movi = 0, idx1 = 0;
  while (at + 8 <= b.size()) {
    const uint32_t code = GetU32(b, at), size = GetU32(b, at + 4);
    if (code == kList && GetU32(b, at + 8) == kMovi) movi = at;
    if (code == kIdx1) idx1 = at;
    at += 8 + size + (size & 1);
  }
  ASSERT_EQ(at, b.size()) << "top-level chunks end with the file";
  ASSERT_TRUE(movi && idx1);
  r->moviType = movi + 8;
  const size_t moviEnd = movi + 8 + GetU32(b, movi + 4);
  ASSERT_EQ(moviEnd, idx1) << "the movi list covers its chunks and the JUNK";
  size_t entry = idx1 + 8;
  for (size_t c = movi + 12; c < moviEnd;) {
    const uint32_t code = GetU32(b, c), size = GetU32(b, c + 4);
    ASSERT_LE(c + 8 + size, moviEnd);
    if (code == kJunk) {
      r->junkChunks++;
      r->junkBytes += 8 + size;
    } else {
      ASSERT_LT(entry, b.size()) << "a chunk without an index entry";
      EXPECT_EQ(GetU32(b, entry), code);
      EXPECT_EQ(GetU32(b, entry + 8), c - r->moviType) << "entry " << r->chunks.size() << " names its chunk";
      EXPECT_EQ(GetU32(b, entry + 12), size);
      if (size & 1) {
        EXPECT_EQ(b[c + 8 + size], 0) << "pad byte";
      }
      r->chunks.push_back({code, GetU32(b, entry + 4), Bytes(b.begin() + c + 8, b.begin() + c + 8 + size)});
      entry += 16;
    }
    c += 8 + size + (size & 1);
  }
  EXPECT_EQ(entry, b.size()) << "idx1 holds one entry per chunk";
}

// The output written with sharing holds what the one without holds: the
// header (but for the RIFF and movi sizes), the chunks and their flags; its
// JUNK lines runs up with the input's blocks. Returns the shared share.
double CompareShared(const Bytes& plain, const SharingMemory& shared, uint64_t moviOffset) {
  Readback p, s;
  Read(plain, &p);
  Read(shared.bytes, &s);
  EXPECT_EQ(p.junkChunks, 0);
  EXPECT_TRUE(p.chunks == s.chunks) << "the same chunks and flags";
  EXPECT_EQ(s.moviType, moviOffset);
  EXPECT_EQ(shared.bytes.size(), plain.size() + s.junkBytes);
  for (size_t i = 0; i < moviOffset; ++i)
    if ((i < 4 || i >= 8) && (i < moviOffset - 4)) {
      if (plain[i] != shared.bytes[i]) {
        ADD_FAILURE() << "header byte " << i << " differs";
        break;
      }
    }
  EXPECT_LE(s.junkBytes, uint64_t(s.junkChunks) * (kBlock + 8));
  return double(shared.shared) / double(shared.bytes.size());
}

TEST(CloneAligner, PadsALongRunOnceToItsInputOffsetWithinABlock) {
  CloneAligner none(0);
  EXPECT_EQ(none.PadBefore(0, 100, 2000, 1 << 20), 0u);
  EXPECT_EQ(none.PadBefore(0, 100 + (1 << 20), 2000 + (1 << 20), 100), 0u);

  // A run lying at its input offsets already needs nothing.
  CloneAligner lined(kBlock);
  for (uint64_t at = 4100, out = 8196; at < 4100 + 40 * kBlock; at += 1000, out += 1000)
    EXPECT_EQ(lined.PadBefore(0, at, out, 1000), 0u);

  // Another run: copied for its first 16 blocks, then padded once.
  CloneAligner align(kBlock);
  uint64_t at = 10000, out = 20000, padded = 0;
  int pads = 0;
  for (int i = 0; i < 200; ++i, at += 1000, out += 1000) {
    const uint32_t junk = align.PadBefore(1, at, out, 1000);
    if (junk == 0) continue;
    ++pads;
    out += junk;
    padded = at - 10000;
    EXPECT_GE(junk, 8u);
    EXPECT_EQ(junk % 2, 0u);
    EXPECT_LT(junk, kBlock + 8);
    EXPECT_EQ(at % kBlock, out % kBlock);
  }
  EXPECT_EQ(pads, 1);
  EXPECT_GE(padded, CloneAligner::kLeadBlocks * kBlock);
  EXPECT_LT(padded, CloneAligner::kLeadBlocks * kBlock + 1000);

  // A gap below 8 bytes grows by a block; a chunk that is written, another
  // input or a jump in the input starts a new run; an odd gap is left alone.
  CloneAligner small(kBlock);
  small.PadBefore(0, 6, 0, 16 * kBlock);
  EXPECT_EQ(small.PadBefore(0, 6 + 16 * kBlock, 16 * kBlock, 100), kBlock + 6);
  CloneAligner restart(kBlock);
  restart.PadBefore(0, 100, 0, 16 * kBlock);
  EXPECT_EQ(restart.PadBefore(CloneAligner::kWritten, 0, 16 * kBlock, 100), 0u);
  EXPECT_EQ(restart.PadBefore(0, 100 + 16 * kBlock + 100, 16 * kBlock + 100, 100), 0u) << "a new run is copied first";
  CloneAligner odd(kBlock);
  odd.PadBefore(0, 101, 0, 16 * kBlock);
  EXPECT_EQ(odd.PadBefore(0, 101 + 16 * kBlock, 16 * kBlock, 100), 0u);
}

// Splits the file at path in the middle with an overlap, without and with
// sharing; returns the shared share of the outputs.
void SplitBothWays(const std::string& path, double seconds, double overlap, double* shares) {
  auto in = splittest::Analyse(path);
  TimeSplit time;
  time.seconds = splittest::Typed(seconds);
  time.overlap = splittest::Typed(overlap);
  SplitPlan plan;
  ASSERT_EQ(PlanSplit(in->Source(), time, plan), SplitResult::Completed) << path;
  MemoryOutput plain[2];
  SharingMemory shared[2];
  for (int way = 0; way < 2; ++way) {
    OutputStream* streams[2] = {way ? static_cast<OutputStream*>(&shared[0]) : &plain[0],
                                way ? static_cast<OutputStream*>(&shared[1]) : &plain[1]};
    int failed = -1;
    WriterOptions options;
    options.clone = way == 1;
    ASSERT_EQ(WriteSplitStreams(in->Source(), plan, streams, in->host, &failed, ChunkCopy::Runs, OdmlLimits(),
                                nullptr, options),
              SplitResult::Completed);
  }
  for (int x = 0; x < 2; ++x) shares[x] = CompareShared(plain[x].bytes, shared[x], in->analysis.moviOffset);
}

TEST(CloneSplit, SharedOutputsHoldTheSameChunksAndLineUpTheirRuns) {
  const std::string dir = splittest::FreshDir("clone_split");
  ASSERT_TRUE(avitest::WriteAviFile(dir + "clip.avi", avitest::SimpleClip(1500, 12, 7056)));
  double shares[2];
  SplitBothWays(dir + "clip.avi", 30, 3, shares);
  EXPECT_GT(shares[0], 0.9);
  EXPECT_GT(shares[1], 0.9);
}

TEST(CloneSplit, RealSamplesKeepTheirChunks) {
  int tried = 0;
  for (const avitest::Sample& s : avitest::Samples()) {
    if (s.seconds < 4 || tried == 4) continue;
    ++tried;
    SCOPED_TRACE(s.file);
    double shares[2];
    SplitBothWays(s.file, s.seconds / 2, 1, shares);
  }
  if (tried == 0) GTEST_SKIP() << "no sample files (tools/make_samples.sh)";
}

// An OpenDML input is read through its flattened view, but the outputs take
// their chunks from the file itself: the same bytes as through the view,
// and with sharing asked for, runs lined up with the file's blocks (the
// RIFF lists and ix## chunks between its chunks break the runs where they
// lie in the file).
TEST(CloneSplit, OpenDmlInputSharesTheFilesBlocks) {
  avitest::AviLayout clip = avitest::SimpleClip(600, 12, 7056);
  for (avitest::ChunkLayout& c : clip.chunks) c.size += c.stream == 0 ? 9000 : 0;
  const size_t n = clip.chunks.size();
  const std::string dir = splittest::FreshDir("clone_odml");
  const std::string path = dir + "clip.avi";
  AviSource input;
  AviAnalysis analysis{};
  ASSERT_TRUE(avitest::WriteAndOpenOdml(path, clip, {n / 3, n * 2 / 3}, input, analysis));
  TimeSplit time;
  time.seconds = splittest::Typed(10);
  time.overlap = splittest::Typed(2);
  const SplitSource viewed{input.Input(), analysis, path};
  const SplitSource stored{input.Input(), analysis, path, &input};
  SplitPlan plan;
  ASSERT_EQ(PlanSplit(stored, time, plan), SplitResult::Completed);
  NativeSink host;
  auto write = [&](const SplitSource& source, OutputStream* a, OutputStream* b, bool clone) {
    OutputStream* streams[2] = {a, b};
    int failed = -1;
    WriterOptions options;
    options.clone = clone;
    return WriteSplitStreams(source, plan, streams, host, &failed, ChunkCopy::ChunkByChunk, OdmlLimits(), nullptr,
                             options);
  };
  MemoryOutput throughView[2], fromFile[2];
  SharingMemory shared[2];
  ASSERT_EQ(write(viewed, &throughView[0], &throughView[1], false), SplitResult::Completed);
  ASSERT_EQ(write(stored, &fromFile[0], &fromFile[1], false), SplitResult::Completed);
  ASSERT_EQ(write(stored, &shared[0], &shared[1], true), SplitResult::Completed);
  for (int x = 0; x < 2; ++x) {
    SCOPED_TRACE(x);
    EXPECT_TRUE(fromFile[x].bytes == throughView[x].bytes);
    EXPECT_GT(CompareShared(throughView[x].bytes, shared[x], analysis.moviOffset), 0.9);
  }
  EXPECT_FALSE(input.File().Fault());
}

// An input whose chunks do not lie back to back (a JUNK chunk of its own
// in movi) gives the first output a run that needs padding too; a split by
// size must not be taken past its limit by it.
TEST(CloneSplit, PaddingNeverTakesTheFirstOutputPastASizeLimit) {
  const std::string dir = splittest::FreshDir("clone_limit");
  avitest::AviLayout layout = avitest::SimpleClip(1500, 12, 7056);
  layout.chunks[100].junkBefore = 1002;
  ASSERT_TRUE(avitest::WriteAviFile(dir + "clip.avi", layout));
  auto in = splittest::Analyse(dir + "clip.avi");
  TimeSplit time;
  time.seconds = 30;
  SplitPlan plan;
  ASSERT_EQ(PlanSplit(in->Source(), time, plan), SplitResult::Completed);
  auto write = [&](OutputStream* first, OutputStream* second, uint64_t limit) {
    OutputStream* streams[2] = {first, second};
    WriterOptions options;
    options.clone = first != nullptr && dynamic_cast<SharingMemory*>(first) != nullptr;
    options.firstOutputLimit = limit;
    int failed = -1;
    EXPECT_EQ(WriteSplitStreams(in->Source(), plan, streams, in->host, &failed, ChunkCopy::Runs, OdmlLimits(),
                                nullptr, options),
              SplitResult::Completed);
  };
  MemoryOutput plain[2];
  write(&plain[0], &plain[1], 0);
  SharingMemory padded[2], limited[2];
  write(&padded[0], &padded[1], 0);
  EXPECT_GT(padded[0].bytes.size(), plain[0].bytes.size()) << "the first output's second run is padded";
  EXPECT_GT(CompareShared(plain[0].bytes, padded[0], in->analysis.moviOffset), 0.9);
  write(&limited[0], &limited[1], plain[0].bytes.size());
  EXPECT_EQ(limited[0].bytes, plain[0].bytes) << "copied as without sharing";
  EXPECT_GT(CompareShared(plain[1].bytes, limited[1], in->analysis.moviOffset), 0.9) << "the second has no limit";
}

TEST(CloneMerge, JoinedFileSharingBlocksHoldsTheSameChunks) {
  const std::string dir = splittest::FreshDir("clone_merge");
  ASSERT_TRUE(avitest::WriteAviFile(dir + "clip.avi", avitest::SimpleClip(1500, 12, 7056)));
  splittest::SplitFields fields;
  fields.file = dir + "clip.avi";
  fields.seconds = "30";
  fields.overlap = "3";
  ASSERT_EQ(splittest::RunSplitJob(fields)->result, 0);

  ByteInput inputs[2];
  AviAnalysis analyses[2] = {};
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(inputs[i].Open((dir + (i ? "clip-2.avi" : "clip-1.avi")).c_str()));
    mergetest::WalkInput(analyses[i], inputs[i], uint32_t(inputs[i].Size()));
  }
  const MergeSources sources{{inputs[0], analyses[0]}, {inputs[1], analyses[1]}, dir + "clip-1.avi", dir + "clip-2.avi"};
  NativeSink host;
  MergePlan plan;
  ASSERT_EQ(PlanMerge(sources, 60.0, host, plan), PlanOutcome::Planned);
  MemoryOutput plain;
  SharingMemory shared;
  ASSERT_EQ(WriteJoinedFile(JoinRequestFor(sources, plan), plain, nullptr), WriteResult::Written);
  WriterOptions options;
  options.clone = true;
  ASSERT_EQ(WriteJoinedFile(JoinRequestFor(sources, plan), shared, nullptr, OdmlLimits(), nullptr, options),
            WriteResult::Written);
  EXPECT_GT(CompareShared(plain.bytes, shared, analyses[0].moviOffset), 0.9);
}

// Two overlapping OpenDML parts: the joined file takes each part's chunks
// from its file, the same bytes as through the views, and shares blocks.
TEST(CloneMerge, OpenDmlInputsShareTheirFilesBlocks) {
  const std::string dir = splittest::FreshDir("clone_merge_odml");
  avitest::AviLayout clip = avitest::SimpleClip(900, 12, 7056);
  for (avitest::ChunkLayout& c : clip.chunks) c.size += c.stream == 0 ? 9000 : 0;
  AviSource sources[2];
  AviAnalysis analyses[2] = {};
  for (int i = 0; i < 2; ++i) {
    const avitest::AviLayout part = mergetest::FrameRange(clip, i ? 420 : 0, i ? 900 : 480);
    const std::string path = dir + (i ? "clip-2.avi" : "clip-1.avi");
    ASSERT_TRUE(avitest::WriteAndOpenOdml(path, part, {part.chunks.size() / 2}, sources[i], analyses[i]));
  }
  const MergeSources in{{sources[0].Input(), analyses[0]}, {sources[1].Input(), analyses[1]}, dir + "clip-1.avi",
                        dir + "clip-2.avi"};
  NativeSink host;
  MergePlan plan;
  ASSERT_EQ(PlanMerge(in, 60.0, host, plan), PlanOutcome::Planned);
  const JoinRequest throughViews = JoinRequestFor(in, plan);
  JoinRequest fromFiles = throughViews;
  fromFiles.first.stored = &sources[0];
  fromFiles.second.stored = &sources[1];
  MemoryOutput viewed, stored;
  SharingMemory shared;
  ASSERT_EQ(WriteJoinedFile(throughViews, viewed, nullptr), WriteResult::Written);
  ASSERT_EQ(WriteJoinedFile(fromFiles, stored, nullptr), WriteResult::Written);
  EXPECT_TRUE(stored.bytes == viewed.bytes);
  WriterOptions options;
  options.clone = true;
  ASSERT_EQ(WriteJoinedFile(fromFiles, shared, nullptr, OdmlLimits(), nullptr, options), WriteResult::Written);
  EXPECT_GT(CompareShared(viewed.bytes, shared, analyses[0].moviOffset), 0.9);
}

// Pieces go through the writer of the two-way split one by one: each lines
// its runs up with the input's blocks; a piece of a split by size stays
// within the size asked for, padded or not.
TEST(ClonePieces, EveryPieceSharesAndPiecesBySizeKeepTheirLimit) {
  const std::string dir = splittest::FreshDir("clone_pieces");
  ASSERT_TRUE(avitest::WriteAviFile(dir + "clip.avi", avitest::SimpleClip(1500, 12, 7056)));
  auto in = splittest::Analyse(dir + "clip.avi");
  const uint64_t limit = 4 << 20;
  PiecesPlan plans[2];
  ASSERT_EQ(PlanPiecesEvery(in->Source(), 12, 1, plans[0]), SplitResult::Completed);
  ASSERT_EQ(PlanPiecesBySize(in->Source(), limit, 1, plans[1]), SplitResult::Completed);
  for (int by = 0; by < 2; ++by) {
    ASSERT_GE(plans[by].pieces.size(), 3u) << (by ? "by size" : "every 12 s");
    for (const Piece& p : plans[by].pieces) {
      SCOPED_TRACE(testing::Message() << (by ? "by size, piece from frame " : "every 12 s, piece from frame ")
                                      << p.startFrame);
      MemoryOutput plain;
      SharingMemory shared;
      for (int way = 0; way < 2; ++way) {
        OutputStream* stream = way ? static_cast<OutputStream*>(&shared) : &plain;
        const ShareOutput share{&p.share, stream};
        ShareWriting how;
        how.stretch = p.stretch;
        how.options.clone = way == 1;
        how.options.firstOutputLimit = by ? limit : 0;
        ASSERT_EQ(WriteShares(in->Source(), &share, 1, how, in->host).result, WriteResult::Written);
      }
      const double share = CompareShared(plain.bytes, shared, in->analysis.moviOffset);
      if (by == 0) {
        EXPECT_GT(share, 0.8);
      } else {
        EXPECT_LE(shared.bytes.size(), limit);
      }
    }
  }
}

// A join of three files through the chained writer, each opened as the
// writer reaches it: every input's runs line up with its own blocks.
TEST(CloneJoin, ChainOfThreeInputsSharesEveryInputsBlocks) {
  const std::string dir = splittest::FreshDir("clone_join");
  const uint32_t frames[3] = {600, 450, 700};
  std::vector<std::string> paths;
  std::vector<uint64_t> sizes;
  std::vector<std::unique_ptr<splittest::Analysed>> inputs;
  ChainRequest chain;
  for (int i = 0; i < 3; ++i) {
    paths.push_back(dir + "clip" + std::to_string(i) + ".avi");
    ASSERT_TRUE(avitest::WriteAviFile(paths.back(), avitest::SimpleClip(frames[i], 12, 7056)));
    inputs.push_back(splittest::Analyse(paths.back()));
    const AviAnalysis& a = inputs.back()->analysis;
    ByteInput& file = inputs.back()->input;
    sizes.push_back(file.Size());
    chain.links.push_back(WholeLink(a, file));
  }
  InputPool pool(paths, sizes);
  chain.analysis = &inputs[0]->analysis;
  chain.inputs = &pool;
  MemoryOutput plain;
  SharingMemory shared;
  ASSERT_EQ(WriteJoinedFile(chain, plain, nullptr), WriteResult::Written);
  WriterOptions options;
  options.clone = true;
  ASSERT_EQ(WriteJoinedFile(chain, shared, nullptr, OdmlLimits(), nullptr, options), WriteResult::Written);
  EXPECT_GT(CompareShared(plain.bytes, shared, inputs[0]->analysis.moviOffset), 0.9);
  Readback r;
  Read(shared.bytes, &r);
  EXPECT_GE(r.junkChunks, 2) << "the second and third inputs' runs are lined up";
}

// The same for OpenDML inputs, whose chunks the joined file takes from the
// files themselves: the same bytes as through their views, and with sharing
// every input's runs lined up with its own file's blocks.
TEST(CloneJoin, OpenDmlInputsShareTheirFilesBlocks) {
  struct ThroughViews : InputPool {
    using InputPool::InputPool;
    std::shared_ptr<AviSource> Stored(size_t) override { return nullptr; }
  };
  const std::string dir = splittest::FreshDir("clone_join_odml");
  std::vector<std::string> paths;
  std::vector<uint64_t> sizes;
  std::vector<std::unique_ptr<AviSource>> sources;
  std::vector<std::unique_ptr<AviAnalysis>> analyses;
  ChainRequest chain;
  for (int i = 0; i < 3; ++i) {
    avitest::AviLayout clip = avitest::SimpleClip(300 + 100 * i, 12, 7056);
    for (avitest::ChunkLayout& c : clip.chunks) c.size += c.stream == 0 ? 9000 : 0;
    paths.push_back(dir + "clip" + std::to_string(i) + ".avi");
    sources.push_back(std::make_unique<AviSource>());
    analyses.push_back(std::make_unique<AviAnalysis>());
    ASSERT_TRUE(
        avitest::WriteAndOpenOdml(paths.back(), clip, {clip.chunks.size() / 2}, *sources.back(), *analyses.back()));
    sizes.push_back(sources.back()->File().Size());
    chain.links.push_back(WholeLink(*analyses.back(), sources.back()->Input()));
  }
  chain.analysis = analyses[0].get();
  InputPool pool(paths, sizes);
  ThroughViews views(paths, sizes);
  MemoryOutput throughView, fromFiles;
  SharingMemory shared;
  chain.inputs = &views;
  ASSERT_EQ(WriteJoinedFile(chain, throughView, nullptr), WriteResult::Written);
  chain.inputs = &pool;
  ASSERT_EQ(WriteJoinedFile(chain, fromFiles, nullptr), WriteResult::Written);
  EXPECT_TRUE(fromFiles.bytes == throughView.bytes);
  WriterOptions options;
  options.clone = true;
  ASSERT_EQ(WriteJoinedFile(chain, shared, nullptr, OdmlLimits(), nullptr, options), WriteResult::Written);
  EXPECT_GT(CompareShared(throughView.bytes, shared, analyses[0]->moviOffset), 0.9);
}

// Where the file system cannot share blocks (the test folder's, unless it
// is XFS or Btrfs), a run with sharing asked for writes the bytes of one without.
TEST(CloneFallback, FileSystemThatCannotShareGetsTheSameBytes) {
  const std::string dir = splittest::FreshDir("clone_fallback");
  ASSERT_TRUE(avitest::WriteAviFile(dir + "clip.avi", avitest::SimpleClip(600)));
  {
    ByteInput input;
    ASSERT_TRUE(input.Open((dir + "clip.avi").c_str()));
    OutputFile probe;
    ASSERT_TRUE(probe.Create(dir + "probe.avi"));
    if (probe.ShareBlocksWith(input.Descriptor()) != 0)
      GTEST_SKIP() << "the test folder's file system shares blocks; the CLI test covers the fallback on tmpfs";
  }
  splittest::SplitFields fields;
  fields.file = dir + "clip.avi";
  fields.seconds = "12";
  fields.overlap = "2";
  ASSERT_EQ(splittest::RunSplitJob(fields)->result, 0);
  const Bytes plain[2] = {splittest::ReadBytes(dir + "clip-1.avi"), splittest::ReadBytes(dir + "clip-2.avi")};
  SplitRequest request = splittest::RequestOf(fields);
  request.clone = true;
  NativeSink host;
  const SplitOutcome outcome = SplitJob(request, host);
  ASSERT_EQ(outcome.Number(), 0);
  EXPECT_TRUE(outcome.clone.asked);
  EXPECT_FALSE(outcome.clone.cloned);
  EXPECT_EQ(outcome.clone.sharedBytes, 0u);
  EXPECT_EQ(splittest::ReadBytes(dir + "clip-1.avi"), plain[0]);
  EXPECT_EQ(splittest::ReadBytes(dir + "clip-2.avi"), plain[1]);
}

}  // namespace
