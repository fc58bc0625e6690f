// OpenDML outputs: with a threshold of a few KB, split outputs and joined
// files are written both ways; the OpenDML file must read back without
// fault, every index pointer resolving, and its flattened view must be the
// version-1 file byte for byte. Plus the counters only the OpenDML file has,
// and ffprobe on one.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <functional>
#include <type_traits>

#include "avi/odml_flat_view.h"
#include "avi/odml_output.h"
#include "avi/odml_reader.h"
#include "io/output_file.h"
#include "io/output_stream.h"
#include "chain/input_pool.h"
#include "chain/chain_writer.h"
#include "merge/merge_output.h"
#include "split/split_engine.h"
#include "tests/native/test_merge_support.h"
#include "tests/native/sharing_memory.h"
#include "tests/native/test_split_support.h"

using avitest::AviLayout;
using avitest::Bytes;
using avitest::GetU32;
using splittest::Analyse;
using splittest::FreshDir;
using splittest::Typed;
using splittest::ProbeReport;
using splittest::Ffprobe;

namespace {

OdmlLimits Off() {
  OdmlLimits l;
  l.riffThreshold = UINT64_MAX;
  return l;
}
OdmlLimits Tiny(uint64_t threshold, uint64_t limit = 1 << 20, uint32_t entries = 1 << 20) {
  return OdmlLimits{threshold, limit, entries};
}

// What a reader finds in an OpenDML output, and the version-1 file it stands for.
struct ReadBack {
  OdmlFacts facts;
  Bytes flat;
};
ReadBack Flatten(const Bytes& file) {
  ReadBack r;
  ByteInput input;
  input.OpenMemory(file.data(), file.size());
  OdmlReader reader;
  EXPECT_TRUE(reader.Read(input, file.size())) << DescribeOdmlFault(reader.Facts().fault, 1);
  r.facts = reader.Facts();
  if (!r.facts.hasSuperIndex || r.facts.fault.problem != OdmlProblem::kNone) return r;
  OdmlFlatView view(input, reader);
  r.flat.resize(view.Size());
  for (size_t at = 0; at < r.flat.size();) {
    const size_t got = view.ReadAt(at, r.flat.data() + at, std::min<size_t>(r.flat.size() - at, 7777));
    if (got == 0) break;
    at += got;
  }
  return r;
}

size_t FindCode(const Bytes& b, const char* code, size_t from = 0) {
  for (size_t i = from; i + 4 <= b.size(); ++i)
    if (std::memcmp(&b[i], code, 4) == 0) return i;
  return SIZE_MAX;
}

// The OpenDML output against its version-1 partner, and the counters it alone has.
void ExpectSameFile(const Bytes& odml, const Bytes& v1, uint32_t minRiffs, const OdmlLimits& limits) {
  ASSERT_GE(v1.size(), limits.riffThreshold) << "the version-1 file must cross the threshold";
  ReadBack r = Flatten(odml);
  ASSERT_TRUE(r.facts.hasSuperIndex);
  EXPECT_GE(r.facts.riffCount, minRiffs);
  EXPECT_EQ(r.facts.riffs[0].form, FourCC('A', 'V', 'I', ' '));
  uint64_t end = 0;
  for (uint32_t i = 0; i < r.facts.riffCount; ++i) {
    const OdmlRiffFacts& riff = r.facts.riffs[i];
    EXPECT_EQ(riff.position, end) << "RIFF lists back to back";
    EXPECT_LE(riff.size + 8, limits.riffLimit);
    EXPECT_EQ(riff.form, i == 0 ? FourCC('A', 'V', 'I', ' ') : FourCC('A', 'V', 'I', 'X'));
    end = riff.position + 8 + riff.size;
  }
  EXPECT_EQ(end, odml.size());
  EXPECT_TRUE(r.flat == v1) << "flattened " << r.flat.size() << " bytes, version 1 " << v1.size();

  // avih counts the first RIFF's frames, as idx1 lists them; dmlh all of them.
  ByteInput in;
  in.OpenMemory(odml.data(), odml.size());
  AviAnalysis a{};
  mergetest::WalkInput(a, in, uint32_t(std::min<size_t>(odml.size(), 0x7FFFFFFF)));
  uint32_t firstRiffVideo = 0;
  for (uint32_t i = 0; i < a.idx1EntryTotal; ++i)
    if (StreamOfCkid(GetU32(odml, a.idx1Offset + 8 + 16 * size_t(i))) == r.facts.firstVideoStream) ++firstRiffVideo;
  EXPECT_LT(a.idx1EntryTotal, r.facts.chunkCount) << "idx1 holds the first RIFF list only";
  EXPECT_EQ(GetU32(odml, r.facts.avihPosition + 24), firstRiffVideo);
  const size_t dmlh = FindCode(odml, "dmlh");
  ASSERT_NE(dmlh, SIZE_MAX);
  EXPECT_EQ(GetU32(odml, dmlh + 4), 248u);
  EXPECT_EQ(GetU32(odml, dmlh + 8), r.facts.streams[r.facts.firstVideoStream].entries);
  // Standard indexes: base at their list's "movi", one bit for "not key".
  const size_t ix = FindCode(odml, "ix00");
  ASSERT_NE(ix, SIZE_MAX);
  EXPECT_EQ(GetU32(odml, ix + 8), 0x01000002u);  // wLongsPerEntry 2, sub type 0, index of chunks
  const size_t base = GetU32(odml, ix + 20);
  ASSERT_LT(base + 4, odml.size());
  EXPECT_EQ(std::memcmp(&odml[base], "movi", 4), 0);
}

AviLayout Clip() {
  AviLayout clip = avitest::SimpleClip(150, 12, 1764);
  for (size_t i = 0; i < clip.chunks.size(); ++i)
    if (clip.chunks[i].stream == 0) clip.chunks[i].size = 3001 + uint32_t(i % 7) * 50;  // odd sizes: pads
  return clip;
}

struct SplitBoth {
  Bytes v1[2], odml[2];
};
SplitBoth SplitBothWays(const std::string& path, double seconds, double overlap, const OdmlLimits& tiny) {
  SplitBoth out;
  auto an = Analyse(path);
  TimeSplit time;
  time.seconds = Typed(seconds);
  time.overlap = Typed(overlap);
  SplitPlan plan;
  EXPECT_EQ(PlanSplit(an->Source(), time, plan), SplitResult::Completed);
  for (int way = 0; way < 2; ++way) {
    MemoryOutput files[2];
    OutputStream* streams[2] = {&files[0], &files[1]};
    NativeSink sink;
    int failed = -1;
    std::string problem;
    EXPECT_EQ(WriteSplitStreams(an->Source(), plan, streams, sink, &failed, ChunkCopy::Runs, way ? tiny : Off(),
                                &problem),
              SplitResult::Completed)
        << problem;
    for (int x = 0; x < 2; ++x) (way ? out.odml : out.v1)[x] = files[x].bytes;
  }
  return out;
}

// Takes a file's bytes without keeping them: their count and FNV-1a hash.
class HashOutput : public OutputStream {
 public:
  bool Write(const void* data, size_t count) override {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < count; ++i) hash_ = (hash_ ^ p[i]) * 0x100000001B3ull;
    bytes_ += count;
    return true;
  }
  uint64_t Position() const override { return bytes_; }
  bool Failed() const override { return false; }
  std::pair<uint64_t, uint64_t> Digest() const { return {bytes_, hash_}; }

 private:
  uint64_t hash_ = 0xCBF29CE484222325ull;
  uint64_t bytes_ = 0;
};

// Of a file (ByteInput) or the flattened view of one (ByteSource).
template <class Source>
std::pair<uint64_t, uint64_t> DigestOf(Source& source) {
  HashOutput out;
  std::vector<uint8_t> block(1 << 20);
  for (uint64_t at = 0; at < source.Size();) {
    size_t n;
    if constexpr (std::is_same_v<Source, ByteInput>)
      n = source.ReadBulk(at, block.data(), block.size());
    else
      n = source.ReadAt(at, block.data(), block.size());
    if (n == 0) break;
    out.Write(block.data(), n);
    at += n;
  }
  return out.Digest();
}

// A real OpenDML file (two RIFF lists, the first past 1 GiB): the digest of
// its flattened view.
std::pair<uint64_t, uint64_t> FlatDigest(const std::string& odmlPath) {
  ByteInput odml;
  EXPECT_TRUE(odml.Open(odmlPath.c_str()));
  OdmlReader reader;
  EXPECT_TRUE(reader.Read(odml, odml.Size())) << DescribeOdmlFault(reader.Facts().fault, 1);
  EXPECT_EQ(reader.Facts().riffCount, 2u);
  EXPECT_GT(reader.Facts().riffs[0].size, kOdmlThresholdBytes);
  if (!reader.Facts().hasSuperIndex) return {};
  OdmlFlatView view(odml, reader);
  return DigestOf(view);
}

}  // namespace

// Every third video chunk coded "00db" instead of "00dc" (chunk and idx1
// entry): a standard index holds one code, so each run of codes gets its own.
Bytes MixedCodes(Bytes b) {
  ByteInput in;
  in.OpenMemory(b.data(), b.size());
  AviAnalysis a{};
  mergetest::WalkInput(a, in, uint32_t(b.size()));
  for (uint32_t i = 0, video = 0; i < a.idx1EntryTotal; ++i) {
    const size_t e = a.idx1Offset + 8 + 16 * size_t(i);
    if (GetU32(b, e) != FourCC('0', '0', 'd', 'c') || video++ % 3 != 2) continue;
    avitest::SetU32(b, e, FourCC('0', '0', 'd', 'b'));
    avitest::SetU32(b, a.chunkBase + GetU32(b, e + 8), FourCC('0', '0', 'd', 'b'));
  }
  return b;
}

TEST(OdmlWrite, SplitOutputsFlattenToTheirVersionOneFiles) {
  std::string dir = FreshDir("odml_split");
  const std::string clip = dir + "clip.avi", mixed = dir + "mixed.avi";
  ASSERT_TRUE(avitest::WriteFile(clip, BuildAvi(Clip())));
  ASSERT_TRUE(avitest::WriteFile(mixed, MixedCodes(BuildAvi(Clip()))));
  struct Case {
    double seconds, overlap;
    OdmlLimits limits;
    uint32_t minRiffs;
    const std::string* file = nullptr;
  };
  const Case cases[] = {
      {3.0, 0.0, Tiny(60000), 3},           // both outputs cross the threshold
      {3.5, 1.5, Tiny(40000), 2},           // overlapping outputs
      {5.5, 0.0, Tiny(40000, 50000), 4},    // lists closed by their size limit
      {2.0, 0.5, Tiny(30000, 1 << 20, 9), 10},  // and by their entry budget
      {3.0, 1.0, Tiny(50000), 3, &mixed},       // two codes in one stream
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("split at " + std::to_string(c.seconds) + " s, overlap " + std::to_string(c.overlap));
    SplitBoth s = SplitBothWays(c.file ? *c.file : clip, c.seconds, c.overlap, c.limits);
    for (int x = 0; x < 2; ++x) {
      SCOPED_TRACE("output " + std::to_string(x + 1));
      if (s.v1[x].size() < c.limits.riffThreshold) {
        EXPECT_TRUE(s.odml[x] == s.v1[x]) << "below the threshold nothing changes";
        continue;
      }
      ExpectSameFile(s.odml[x], s.v1[x], c.minRiffs, c.limits);
      const OdmlFacts facts = Flatten(s.odml[x]).facts;
      if (!c.file) continue;
      EXPECT_GT(facts.streams[0].standardIndexes, 2 * facts.riffCount);
      ASSERT_TRUE(avitest::WriteFile(dir + "mixed-odml.avi", s.odml[x]));
      const ProbeReport probe = Ffprobe(dir + "mixed-odml.avi", false);
      EXPECT_EQ(probe.errors, "");
      EXPECT_EQ(uint64_t(probe.packets), facts.streams[0].entries);
    }
  }
}

// With --clone an OpenDML output lines the runs of every RIFF list up with
// the input's blocks by JUNK in front of them (its ix## and idx1 offsets past
// the JUNK); it flattens to the very version-1 file, ffprobe reads it
// cleanly, and an output that cannot share gets the bytes it gets without.
TEST(OdmlWrite, SharedOutputsLineUpEachListsRunsAndFlattenAlike) {
  std::string dir = FreshDir("odml_clone");
  const std::string clip = dir + "clip.avi";
  ASSERT_TRUE(avitest::WriteAviFile(clip, avitest::SimpleClip(1500, 12, 7056)));
  auto an = Analyse(clip);
  TimeSplit time;
  time.seconds = 30;
  time.overlap = 3;
  SplitPlan plan;
  ASSERT_EQ(PlanSplit(an->Source(), time, plan), SplitResult::Completed);
  const OdmlLimits tiny = Tiny(1 << 20, 4 << 20);
  auto write = [&](std::array<OutputStream*, 2> streams, const OdmlLimits& limits, bool clone) {
    int failed = -1;
    std::string problem;
    WriterOptions options;
    options.clone = clone;
    EXPECT_EQ(WriteSplitStreams(an->Source(), plan, streams.data(), an->host, &failed, ChunkCopy::Runs, limits,
                                &problem, options),
              SplitResult::Completed)
        << problem;
  };
  MemoryOutput v1[2], plain[2], unshared[2];
  avitest::SharingMemory shared[2];
  write({&v1[0], &v1[1]}, Off(), false);
  write({&plain[0], &plain[1]}, tiny, false);
  write({&shared[0], &shared[1]}, tiny, true);
  write({&unshared[0], &unshared[1]}, tiny, true);
  for (int x = 0; x < 2; ++x) {
    SCOPED_TRACE("output " + std::to_string(x + 1));
    ExpectSameFile(shared[x].bytes, v1[x].bytes, 3, tiny);
    EXPECT_GT(shared[x].bytes.size(), plain[x].bytes.size()) << "JUNK in front of runs";
    EXPECT_LE(shared[x].bytes.size(), plain[x].bytes.size() + Flatten(shared[x].bytes).facts.riffCount *
                                                                   (avitest::SharingMemory::kBlock + 8));
    EXPECT_GT(double(shared[x].shared) / double(shared[x].bytes.size()), 0.85);
    EXPECT_TRUE(unshared[x].bytes == plain[x].bytes) << "a file system that cannot share: the same bytes";
  }
  ASSERT_TRUE(avitest::WriteFile(dir + "shared-2.avi", shared[1].bytes));
  EXPECT_EQ(Ffprobe(dir + "shared-2.avi", false).errors, "");
}

// A version-1 file whose hdrl ends with a LIST odml / dmlh, as GStreamer's
// avimux writes every file: its OpenDML output keeps that one, counting all
// frames, and gets no second.
TEST(OdmlWrite, AHeaderWithItsOwnDmlhKeepsIt) {
  std::string dir = FreshDir("odml_dmlh");
  Bytes b = BuildAvi(Clip());
  const size_t hdrl = FindCode(b, "hdrl") - 8;
  const uint32_t hdrlSize = GetU32(b, hdrl + 4);
  Bytes odml;
  for (const char* code : {"LIST", "\x04\x01\0\0", "odml", "dmlh", "\xF8\0\0\0", "\x07\0\0\0"})
    odml.insert(odml.end(), code, code + 4);
  odml.resize(268, 0);
  b.insert(b.begin() + hdrl + 8 + hdrlSize, odml.begin(), odml.end());
  avitest::SetU32(b, hdrl + 4, hdrlSize + 268);
  avitest::SetU32(b, 4, uint32_t(b.size() - 8));
  ASSERT_TRUE(avitest::WriteFile(dir + "clip.avi", b));
  SplitBoth s = SplitBothWays(dir + "clip.avi", 3.0, 0.0, Tiny(60000));
  const size_t dmlh = FindCode(s.odml[0], "dmlh");
  ASSERT_NE(dmlh, SIZE_MAX);
  EXPECT_EQ(FindCode(s.odml[0], "dmlh", dmlh + 4), SIZE_MAX) << "one dmlh";
  const ReadBack r = Flatten(s.odml[0]);
  EXPECT_EQ(GetU32(s.odml[0], dmlh + 8), r.facts.streams[0].entries);
  EXPECT_GE(r.facts.riffCount, 3u);
  EXPECT_EQ(r.flat.size() + 268, s.v1[0].size()) << "the flattened view leaves the list out";
}

TEST(OdmlWrite, JoinedFilesFlattenToTheirVersionOneFilesAndFfprobeReadsThem) {
  const AviLayout whole = Clip();
  const auto pair = mergetest::SplitPair(whole, 80, 60, 150);
  auto p = mergetest::Analyse(pair.first, pair.second);
  const MergePlan plan = mergetest::Plan(*p);
  const JoinRequest request = JoinRequestFor(p->Sources(), plan);
  MemoryOutput v1, odml;
  ASSERT_EQ(WriteJoinedFile(request, v1, nullptr, Off()), WriteResult::Written);
  const OdmlLimits tiny = Tiny(70000);
  std::string problem;
  ASSERT_EQ(WriteJoinedFile(request, odml, nullptr, tiny, &problem), WriteResult::Written) << problem;
  ExpectSameFile(odml.bytes, v1.bytes, 5, tiny);

  const std::string path = mergetest::WriteTemp("odml_joined.avi", odml.bytes);
  const ProbeReport probe = Ffprobe(path, false);
  EXPECT_EQ(probe.errors, "");
  EXPECT_EQ(probe.packets, 150);
  std::remove(path.c_str());
}

// A join of many files through the pool that opens them as they are read:
// the OpenDML writer's second listing of the chunks reopens inputs the
// writer has left, and the result still stands for its version-1 file.
// Inputs joined one after the other: clip(i) written to dir, analysed, linked.
struct Chain {
  std::vector<std::string> paths;
  std::vector<uint64_t> sizes;
  std::vector<std::unique_ptr<splittest::Analysed>> inputs;
  std::unique_ptr<InputPool> pool;
  ChainRequest request;
};
void MakeChain(const std::string& dir, int count, const std::function<AviLayout(int)>& clip, Chain& c) {
  for (int i = 0; i < count; ++i) {
    c.paths.push_back(dir + "p" + std::to_string(i) + ".avi");
    const Bytes bytes = avitest::BuildAvi(clip(i));
    ASSERT_TRUE(avitest::WriteFile(c.paths.back(), bytes));
    c.sizes.push_back(bytes.size());
    c.inputs.push_back(Analyse(c.paths.back()));
    c.request.links.push_back(WholeLink(c.inputs.back()->analysis, c.inputs.back()->input));
  }
  c.pool = std::make_unique<InputPool>(c.paths, c.sizes);
  c.request.analysis = &c.inputs[0]->analysis;
  c.request.inputs = c.pool.get();
  c.request.raiseBufferSizes = true;
}

TEST(OdmlWrite, JoinOfManyInputsFlattensToItsVersionOneFile) {
  Chain chain;
  MakeChain(FreshDir("odml_chain"), 6, [](int i) { return avitest::SimpleClip(40 + 7 * i, 12, 1764); }, chain);
  MemoryOutput v1, odml;
  ASSERT_EQ(WriteJoinedFile(chain.request, v1, nullptr, Off()), WriteResult::Written);
  const OdmlLimits tiny = Tiny(70000);
  std::string problem;
  ASSERT_EQ(WriteJoinedFile(chain.request, odml, nullptr, tiny, &problem), WriteResult::Written) << problem;
  ExpectSameFile(odml.bytes, v1.bytes, 5, tiny);
}

// Sharing the inputs' blocks, the joined OpenDML file lines each list's runs
// up (a run ends at every input's end too) and still flattens to the
// version-1 file; without a file system that shares, the bytes are those
// written without --clone.
TEST(OdmlWrite, SharedJoinLinesUpRunsAcrossInputsAndFlattensAlike) {
  Chain chain;
  MakeChain(FreshDir("odml_chain_clone"), 3, [](int i) { return avitest::SimpleClip(600 + 50 * i, 12, 7056); },
            chain);
  MemoryOutput v1, plain, unshared;
  avitest::SharingMemory shared;
  ASSERT_EQ(WriteJoinedFile(chain.request, v1, nullptr, Off()), WriteResult::Written);
  const OdmlLimits tiny = Tiny(1 << 20, 4 << 20);
  WriterOptions clone;
  clone.clone = true;
  std::string problem;
  ASSERT_EQ(WriteJoinedFile(chain.request, plain, nullptr, tiny, &problem), WriteResult::Written) << problem;
  ASSERT_EQ(WriteJoinedFile(chain.request, shared, nullptr, tiny, &problem, clone), WriteResult::Written)
      << problem;
  ASSERT_EQ(WriteJoinedFile(chain.request, unshared, nullptr, tiny, &problem, clone), WriteResult::Written)
      << problem;
  ExpectSameFile(shared.bytes, v1.bytes, 3, tiny);
  EXPECT_GT(shared.bytes.size(), plain.bytes.size()) << "JUNK in front of runs";
  EXPECT_GT(double(shared.shared) / double(shared.bytes.size()), 0.85);
  EXPECT_TRUE(unshared.bytes == plain.bytes);
}

TEST(OdmlWrite, WhatNoLayoutCanHoldIsRefused) {
  const auto pair = mergetest::SplitPair(avitest::SimpleClip(600, 12, 100), 300, 290, 600);
  auto p = mergetest::Analyse(pair.first, pair.second);
  const MergePlan plan = mergetest::Plan(*p);
  MemoryOutput out;
  std::string problem;
  // A RIFF list smaller than one video chunk.
  EXPECT_EQ(WriteJoinedFile(JoinRequestFor(p->Sources(), plan), out, nullptr, Tiny(10000, 100), &problem),
            WriteResult::TooLarge);
  EXPECT_NE(problem.find("does not fit in one RIFF list"), std::string::npos) << problem;
  // More lists than a super index has room for.
  EXPECT_EQ(WriteJoinedFile(JoinRequestFor(p->Sources(), plan), out, nullptr, Tiny(10000, 1 << 20, 1),
                            &problem),
            WriteResult::TooLarge);
  EXPECT_NE(problem.find("standard indexes"), std::string::npos) << problem;
  EXPECT_TRUE(out.bytes.empty());
}

// Real files: two raw-video parts from ffmpeg (829 MB and 737 MB, 100
// frames in common) whose joined file is 1.47 GB, written as OpenDML with the
// product's threshold (and as version 1, hashed only); ffprobe reads the OpenDML file
// silently with every frame, and its flattened view is the version-1 file.
TEST(OdmlRealFiles, JoinedFilePastOneGiBIsOpenDmlThatFfprobeReads) {
  const std::string dir = testing::TempDir();
  const std::string parts[2] = {dir + "clip-1.avi", dir + "clip-2.avi"};
  const std::string source = "ffmpeg -v error -y -f lavfi -i testsrc=size=640x480:rate=25:duration=64 ";
  ASSERT_EQ(std::system((source + "-t 36 -c:v rawvideo -pix_fmt bgr24 '" + parts[0] + "'").c_str()), 0);
  ASSERT_EQ(std::system((source + "-ss 32 -t 32 -c:v rawvideo -pix_fmt bgr24 '" + parts[1] + "'").c_str()), 0);
  ByteInput inputs[2];
  AviAnalysis analyses[2] = {};
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(inputs[i].Open(parts[i].c_str()));
    mergetest::WalkInput(analyses[i], inputs[i], uint32_t(inputs[i].Size()));
  }
  const MergeSources sources{{inputs[0], analyses[0]}, {inputs[1], analyses[1]}, parts[0], parts[1]};
  NativeSink host;
  MergePlan plan;
  ASSERT_EQ(PlanMerge(sources, 60.0, host, plan), PlanOutcome::Planned);
  EXPECT_EQ(plan.keepCount[0], 800u);
  const JoinRequest request = JoinRequestFor(sources, plan);
  const std::string joined = dir + "joined.avi";
  OutputFile out;
  ASSERT_TRUE(out.Create(joined));
  ASSERT_EQ(WriteJoinedFile(request, out, nullptr), WriteResult::Written);
  ASSERT_TRUE(out.Finish() && out.Commit());
  HashOutput v1;
  ASSERT_EQ(WriteJoinedFile(request, v1, nullptr, Off()), WriteResult::Written);
  for (const std::string& part : parts) std::remove(part.c_str());

  const ProbeReport probe = Ffprobe(joined, false);
  EXPECT_EQ(probe.errors, "");
  EXPECT_EQ(probe.packets, 1600);
  EXPECT_EQ(FlatDigest(joined), v1.Digest());
  std::remove(joined.c_str());
}

// A real version-1 file past 1 GiB (ffmpeg raw video, doubled by mencoder
// -noodml: 1,800 frames, 1.66 GB) split so that the first output is 1.38 GB:
// written as OpenDML it reads silently in ffprobe with every frame, and its
// flattened view is the version-1 output.
TEST(OdmlRealFiles, SplitOutputPastOneGiBIsOpenDmlThatFfprobeReads) {
  const std::string dir = testing::TempDir();
  const std::string part = dir + "part.avi", clip = dir + "clip.avi";
  ASSERT_EQ(std::system(("ffmpeg -v error -y -f lavfi -i testsrc=size=640x480:rate=25 -t 36 -c:v rawvideo "
                         "-pix_fmt bgr24 '" + part + "'").c_str()), 0);
  ASSERT_EQ(std::system(("mencoder -really-quiet -noodml -ovc copy -nosound '" + part + "' '" + part + "' -o '" +
                         clip + "' >/dev/null 2>&1").c_str()), 0);
  std::remove(part.c_str());
  auto an = Analyse(clip);
  ASSERT_EQ(an->analysis.idx1EntryTotal, 1800u);
  TimeSplit time;
  time.seconds = 60;
  time.overlap = 2;
  SplitPlan plan;
  ASSERT_EQ(PlanSplit(an->Source(), time, plan), SplitResult::Completed);
  const std::string outputs[2] = {dir + "clip-1.avi", dir + "clip-2.avi"};
  HashOutput v1[2];
  {
    OutputFile files[2];
    OutputStream* streams[2] = {&files[0], &files[1]};
    OutputStream* hashes[2] = {&v1[0], &v1[1]};
    for (int x = 0; x < 2; ++x) ASSERT_TRUE(files[x].Create(outputs[x]));
    NativeSink sink;
    int failed = -1;
    ASSERT_EQ(WriteSplitStreams(an->Source(), plan, streams, sink, &failed, ChunkCopy::ChunkByChunk),
              SplitResult::Completed);
    ASSERT_EQ(WriteSplitStreams(an->Source(), plan, hashes, sink, &failed, ChunkCopy::ChunkByChunk, Off()),
              SplitResult::Completed);
    for (int x = 0; x < 2; ++x) ASSERT_TRUE(files[x].Finish() && files[x].Commit());
  }
  an.reset();
  std::remove(clip.c_str());
  ByteInput second;
  ASSERT_TRUE(second.Open(outputs[1].c_str()));
  EXPECT_EQ(DigestOf(second), v1[1].Digest()) << "the second output is below 1 GiB: version 1";

  const ProbeReport probe = Ffprobe(outputs[0], false);
  EXPECT_EQ(probe.errors, "");
  EXPECT_EQ(probe.packets, long(plan.splitFrame));
  EXPECT_EQ(FlatDigest(outputs[0]), v1[0].Digest());
  for (const std::string& file : outputs) std::remove(file.c_str());
}
