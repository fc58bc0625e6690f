// The walk guided by the index (headers read beforehand where idx1 places
// them) against the full walk (every byte read as it comes): the same record,
// the same chunks met, the same progress, and a split with the same verdict,
// messages and outputs, on every sample and on crafted files whose headers
// disagree with their index in each way the walk and its checks look at.
#include <gtest/gtest.h>

#include <cstring>
#include <linux/magic.h>
#include <random>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include "avi/indexed_headers.h"
#include "avi/stored_chunks.h"
#include "io/piece_reader.h"
#include "tests/native/sample_list.h"
#include "tests/native/test_split_support.h"

using namespace avitest;
using namespace splittest;

namespace {

struct Met : ChunkVisitor {
  std::vector<std::pair<uint64_t, uint64_t>> chunks;
  void Chunk(uint64_t position, uint64_t size) override { chunks.emplace_back(position, size); }
};

struct Walk {
  AviAnalysis analysis{};
  Met met;
  std::vector<int> cells;
};

// AnalyseFile as a job runs it; guided or the full way.
Walk AnalysePath(const std::string& path, bool guided) {
  GuideWalksByIndex(guided);
  Walk w;
  ByteInput in;
  EXPECT_TRUE(in.Open(path.c_str()));
  NativeSink sink;
  WalkProgress progress;
  progress.sink = &sink;
  progress.span = 50;
  progress.total = in.Size();
  progress.visitor = &w.met;
  AnalyseFile(w.analysis, in, in.Size(), progress);
  EXPECT_FALSE(in.Fault()) << path;
  w.cells = sink.progressCells;
  GuideWalksByIndex(true);
  return w;
}

void ExpectSameWalks(const std::string& path) {
  SCOPED_TRACE(path);
  const Walk guided = AnalysePath(path, true);
  const Walk full = AnalysePath(path, false);
  EXPECT_TRUE(SameAnalysis(guided.analysis, full.analysis));
  EXPECT_EQ(guided.met.chunks, full.met.chunks);
  EXPECT_EQ(guided.cells, full.cells);
}

struct SplitSeen {
  int32_t number;
  std::string detail;
  std::vector<std::string> messages;
  std::vector<std::pair<std::string, Bytes>> outputs;
};

// Splits a copy of bytes at `seconds`, in a folder of its own.
SplitSeen SplitCopy(const Bytes& bytes, const std::string& name, double seconds, bool guided) {
  const std::string dir = FreshDir(name + (guided ? "_guided" : "_full"));
  EXPECT_TRUE(WriteFile(dir + "clip.avi", bytes));
  GuideWalksByIndex(guided);
  SplitFields f;
  f.file = dir + "clip.avi";
  f.seconds = std::to_string(seconds);
  f.overlap = "0";
  auto run = RunSplitJob(f);
  GuideWalksByIndex(true);
  SplitSeen seen{run->result, run->outcome.detail, run->host.messages, {}};
  // The folder's name is in the messages: make them comparable.
  for (std::string& m : seen.messages)
    for (size_t at; (at = m.find(dir)) != std::string::npos;) m.replace(at, dir.size(), "");
  for (size_t at; (at = seen.detail.find(dir)) != std::string::npos;) seen.detail.replace(at, dir.size(), "");
  for (const std::string& file : FilesIn(dir))
    if (file != "clip.avi") seen.outputs.emplace_back(file, ReadBytes(dir + file));
  return seen;
}

void ExpectSameSplits(const Bytes& bytes, const std::string& name, double seconds = 0.5) {
  SCOPED_TRACE(name);
  const std::string path = FreshDir(name + "_walk") + "clip.avi";
  ASSERT_TRUE(WriteFile(path, bytes));
  ExpectSameWalks(path);
  const SplitSeen guided = SplitCopy(bytes, name, seconds, true);
  const SplitSeen full = SplitCopy(bytes, name, seconds, false);
  EXPECT_EQ(guided.number, full.number);
  EXPECT_EQ(guided.detail, full.detail);
  EXPECT_EQ(guided.messages, full.messages);
  ASSERT_EQ(guided.outputs.size(), full.outputs.size());
  for (size_t i = 0; i < guided.outputs.size(); ++i) {
    EXPECT_EQ(guided.outputs[i].first, full.outputs[i].first);
    EXPECT_TRUE(guided.outputs[i].second == full.outputs[i].second) << guided.outputs[i].first;
  }
}

// The chunk header positions the index of a built file names, in index order
// (relative offsets).
std::vector<size_t> IndexedHeaderPositions(const Bytes& b) {
  const size_t movi = std::string(b.begin(), b.end()).find("movi");
  const size_t idx1 = std::string(b.begin(), b.end()).rfind("idx1");
  std::vector<size_t> out;
  for (size_t e = idx1 + 8; e + 16 <= idx1 + 8 + GetU32(b, idx1 + 4); e += 16) out.push_back(movi + GetU32(b, e + 8));
  return out;
}

// Video chunks far enough apart that their pieces are read apart, odd audio
// chunks (pad bytes) close enough to the next video chunk to be read with it.
AviLayout Clip() {
  AviLayout layout = SimpleClip(50, 12, 1763);
  for (ChunkLayout& c : layout.chunks)
    if (c.stream == 0) c.size += 6000;
  return layout;
}

}  // namespace

TEST(IndexedWalk, EverySampleWalksAsTheFullWalk) {
  const std::vector<Sample> samples = Samples();
  if (samples.empty()) GTEST_SKIP() << "TAVRIN_SAMPLES not set";
  for (const Sample& s : samples) ExpectSameWalks(s.file);
}

TEST(IndexedWalk, UsesTheIndexAndReadsAPlaceItLeavesOutItself) {
  AviLayout layout = Clip();
  const std::string dir = FreshDir("indexed_use");
  ASSERT_TRUE(WriteAviFile(dir + "plain.avi", layout));
  layout.chunks[21].junkBefore = 100;  // a chunk the index leaves out, after a long one
  ASSERT_TRUE(WriteAviFile(dir + "junk.avi", layout));
  for (const char* name : {"plain.avi", "junk.avi"}) {
    ByteInput in;
    ASSERT_TRUE(in.Open((dir + name).c_str()));
    AviAnalysis guess{};
    GuessAnalysis(guess, in, in.Size());
    IndexedHeaders headers(in, guess);
    in.UseBeforehand(&headers);
    AviAnalysis walked{};
    WalkProgress quiet;
    WalkChunks(walked, quiet, in, 0, in.Size(), 0);
    // A piece for each video chunk (with the audio chunk before it) but the
    // first few, which the read of the headers' lists brought along.
    EXPECT_GE(headers.Found(), 40u) << name;
    EXPECT_EQ(headers.Missed(), std::strcmp(name, "junk.avi") == 0 ? 1u : 0u) << name;
  }
  ExpectSameWalks(dir + "junk.avi");
}

// Each way a header can disagree with its index entry, or the walk's checks
// look past it: the same walk, and a split with the same verdict and outputs.
TEST(IndexedWalk, HeadersThatDisagreeWithTheIndexGiveTheFullWalksVerdict) {
  const Bytes plain = BuildAvi(Clip());
  const std::vector<size_t> at = IndexedHeaderPositions(plain);
  ExpectSameSplits(plain, "plain");

  Bytes longer = plain;  // a header's size larger than its entry's length
  SetU32(longer, at[30] + 4, GetU32(longer, at[30] + 4) + 2);
  ExpectSameSplits(longer, "size_larger");

  Bytes past = plain;  // a header's size past the end of movi: the walk stops there
  SetU32(past, at[40] + 4, 0x7FFFFFF0);
  ExpectSameSplits(past, "size_past_movi");

  Bytes unreadable = plain;  // a header's code that is no FourCC
  unreadable[at[25]] = 0x01;
  ExpectSameSplits(unreadable, "code_unprintable");

  Bytes renamed = plain;  // another stream's code where the index names this one
  std::memcpy(&renamed[at[26]], "07dc", 4);
  ExpectSameSplits(renamed, "code_other_stream");

  AviLayout padded = Clip();  // a pad byte that is not zero
  padded.chunks[9].padByte = 0x33;
  ExpectSameSplits(BuildAvi(padded), "pad_byte");

  AviLayout junk = Clip();  // chunks the index does not name, in movi
  for (int i = 3; i < 90; i += 4) junk.chunks[size_t(i)].junkBefore = uint32_t(10 + i);
  ExpectSameSplits(BuildAvi(junk), "junk_in_movi");

  Bytes moved = plain;  // entries that point beside their chunk
  const size_t idx1 = std::string(moved.begin(), moved.end()).rfind("idx1");
  for (size_t e = 20; e < 30; ++e) SetU32(moved, idx1 + 8 + 16 * e + 8, GetU32(moved, idx1 + 8 + 16 * e + 8) + 6);
  ExpectSameSplits(moved, "entries_beside");

  Bytes beyond = plain;  // an entry past the end of the file
  SetU32(beyond, idx1 + 8 + 16 * 12 + 8, 0x7FFFFF00);
  ExpectSameSplits(beyond, "entry_past_end");

  Bytes swapped = plain;  // an index out of file order
  for (int k = 0; k < 16; ++k) std::swap(swapped[idx1 + 8 + 16 * 10 + k], swapped[idx1 + 8 + 16 * 60 + k]);
  ExpectSameSplits(swapped, "index_out_of_order");

  Bytes inner = plain;  // a data chunk whose inside reads as a stream header
  const size_t v = at[40];
  ASSERT_GE(GetU32(inner, v + 4), 4u + 8u + 56u);
  std::memcpy(&inner[v + 12], "strh", 4);
  SetU32(inner, v + 16, 56);
  std::memcpy(&inner[v + 20], "auds", 4);
  ExpectSameSplits(inner, "strh_inside_data");

  Bytes cut(plain.begin(), plain.begin() + long(at[70] + 20));  // cut short inside movi
  ExpectSameSplits(cut, "cut_short");

  AviLayout rec = Clip();  // rec lists, indexed with their chunks
  rec.chunksPerRec = 2;
  ExpectSameSplits(BuildAvi(rec), "rec_lists");

  AviLayout absolute = Clip();  // offsets from the start of the file
  absolute.absoluteOffsets = true;
  ExpectSameSplits(BuildAvi(absolute), "absolute_offsets");
}

// The split's check that chunks lie as written follows the walk through the
// same reader and reads the index as it goes (every 4,096 entries): those
// reads must neither end the pieces nor leave the walk a stale view.
TEST(IndexedWalk, TheIndexReadBesideTheWalkKeepsThePieces) {
  AviLayout layout = SimpleClip(2200, 12, 1763);
  for (ChunkLayout& c : layout.chunks)
    if (c.stream == 0) c.size += 4200;
  const std::string path = FreshDir("indexed_beside") + "clip.avi";
  ASSERT_TRUE(WriteAviFile(path, layout));
  ByteInput in;
  ASSERT_TRUE(in.Open(path.c_str()));
  AviAnalysis guess{};
  GuessAnalysis(guess, in, in.Size());
  ASSERT_GT(guess.idx1EntryTotal, 4096u);
  StoredChunkCheck check(in, guess);
  IndexedHeaders headers(in, guess);
  in.UseBeforehand(&headers);
  AviAnalysis walked{};
  WalkProgress progress;
  progress.visitor = &check;
  WalkChunks(walked, progress, in, 0, in.Size(), 0);
  walked.chunkBase = DetectChunkBase(walked, in);
  EXPECT_TRUE(SameAnalysis(walked, guess));
  EXPECT_TRUE(check.Result());
  EXPECT_EQ(headers.Missed(), 0u);
  EXPECT_GE(headers.Found(), 2100u);  // a piece for (nearly) every video chunk
  ExpectSameWalks(path);
}

TEST(IndexedWalk, ManyDisagreementsEndThePiecesAndStillWalkTheSame) {
  AviLayout layout = SimpleClip(400, 12, 1763);
  for (size_t i = 0; i < layout.chunks.size(); i += 2) layout.chunks[i].junkBefore = 7;
  const std::string path = FreshDir("indexed_many") + "clip.avi";
  ASSERT_TRUE(WriteAviFile(path, layout));
  ExpectSameWalks(path);
}

// A folder on tmpfs for this test ("" where /dev/shm is none): there the
// pieces are read one by one, not through the ring.
std::string MemoryFolder() {
  struct statfs fs;
  if (statfs("/dev/shm", &fs) != 0 || fs.f_type != TMPFS_MAGIC || access("/dev/shm", W_OK) != 0) return "";
  const std::string dir = "/dev/shm/tavrin-walk-" + std::to_string(getpid()) + "/";
  mkdir(dir.c_str(), 0700);
  return dir;
}

TEST(IndexedWalk, SamplesOnTmpfsWalkAsTheFullWalk) {
  const std::vector<Sample> samples = Samples();
  const std::string dir = MemoryFolder();
  if (samples.empty() || dir.empty()) GTEST_SKIP() << "no samples or no tmpfs at /dev/shm";
  for (const Sample& s : samples) {
    const std::string copy = dir + "clip.avi";
    ASSERT_TRUE(WriteFile(copy, ReadBytes(s.file)));
    ExpectSameWalks(copy);
    std::remove(copy.c_str());
  }
  rmdir(dir.c_str());
}

// Reads 700 pieces of all sizes (more than a ring takes at once, some past
// the end) of a 3 MB file in folder and compares them with its bytes.
void ExpectPiecesRead(const std::string& folder) {
  Bytes data(3 << 20);
  std::mt19937 random(7);
  for (uint8_t& b : data) b = uint8_t(random());
  const std::string path = folder + "data.bin";
  ASSERT_TRUE(WriteFile(path, data));
  ByteInput file;
  ASSERT_TRUE(file.Open(path.c_str()));
  std::vector<FilePiece> pieces;
  std::vector<Bytes> into(700);
  for (size_t i = 0; i < into.size(); ++i) {
    const uint64_t position = random() % (data.size() + 100);
    into[i].assign(1 + random() % 9000, 0);
    pieces.push_back(FilePiece{position, into[i].data(), into[i].size(), 12345});
  }
  PieceReader reader;
  reader.Prepare(file.Descriptor(), pieces[0].position);
  reader.Read(file.Descriptor(), pieces.data(), pieces.size());
  std::remove(path.c_str());
  for (size_t i = 0; i < pieces.size(); ++i) {
    const FilePiece& p = pieces[i];
    const size_t there = p.position < data.size() ? std::min<size_t>(p.count, data.size() - p.position) : 0;
    ASSERT_EQ(p.got, there) << i;
    ASSERT_EQ(std::memcmp(p.out, data.data() + std::min<size_t>(p.position, data.size()), there), 0) << i;
  }
}

TEST(PieceReader, ReadsWhatTheFileHoldsAndStopsAtItsEnd) {
  ExpectPiecesRead(FreshDir("piece_reader"));
  const std::string memory = MemoryFolder();
  if (memory.empty()) return;
  ExpectPiecesRead(memory);
  rmdir(memory.c_str());
}
