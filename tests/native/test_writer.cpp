// The output skeleton (writer/): header edits, listings of chunks from any
// source (an input's chunks whole or cut, another file's bytes under a new
// code, memory), several outputs written in one walk, the copier's habits,
// and what it reports when an input is short or changed under the run, an
// output fails, a layout is refused or the user cancels.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "avi/avi_source.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "avi/odml_reader.h"
#include "tests/native/avi_builder.h"
#include "tests/native/test_split_support.h"
#include "writer/avi_writer.h"
#include "writer/header_edits.h"
#include "writer/run_copier.h"

using avitest::Bytes;
using avitest::GetU32;

namespace {

// A listing of chunks set up by the test.
class ListOf : public ChunkListing {
 public:
  explicit ListOf(const std::vector<OutChunk>& chunks) : chunks_(chunks) {}
  bool Next(OutChunk& c) override {
    if (next_ == chunks_.size()) return false;
    c = chunks_[next_++];
    return true;
  }

 private:
  const std::vector<OutChunk>& chunks_;
  size_t next_ = 0;
};

// Input chunk i of an analysed file, whole and carried over.
OutChunk Whole(const AviAnalysis& a, const std::shared_ptr<ByteInput>& in, uint32_t i, uint64_t position) {
  IndexReader index(*in, a.idx1Offset, a.idx1EntryTotal);
  const IndexEntry e = index.At(i);
  OutChunk c;
  c.position = position;
  c.ckid = e.ckid;
  c.flags = e.flags;
  c.chunkAt = ChunkPosition(a.chunkBase, e);
  c.carried = 0;
  c.Add(ChunkPiece{in, c.chunkAt + 8, nullptr, e.length});
  return c;
}

// An output of the analysed file's header holding the chunks given.
AviOutput OutputOf(const AviAnalysis& a, const std::shared_ptr<ByteInput>& in, const std::vector<OutChunk>& chunks,
                   OutputStream* file) {
  AviOutput out;
  out.file = file;
  out.chunks = [&chunks] { return std::make_unique<ListOf>(chunks); };
  out.header = in;
  out.headerBytes = uint64_t(a.moviOffset) + 4;
  out.edits.Field(a.totalFramesOffset, 1);
  for (const OutChunk& c : chunks) out.moviBytes += ChunkSpace(c.size);
  out.entries = chunks.size();
  out.shape = ShapeOfAnalysed(a, *in);
  return out;
}

struct Clip {
  std::string path;
  std::unique_ptr<splittest::Analysed> an;
  std::shared_ptr<ByteInput> in;
};
Clip MakeClip(const std::string& name, int frames = 50) {
  Clip clip;
  clip.path = splittest::FreshDir(name) + "clip.avi";
  EXPECT_TRUE(avitest::WriteFile(clip.path, avitest::BuildAvi(avitest::SimpleClip(frames))));
  clip.an = splittest::Analyse(clip.path);
  clip.in = Unowned(clip.an->input);
  return clip;
}

WriteOutcome WriteOne(AviOutput& out, WalkSink* watch = nullptr) {
  WriteSettings how;
  how.watch = watch;
  return WriteAviOutput(out, how);
}

// Records the bar and cancels once it reaches a cell.
struct Watch : WalkSink {
  void Progress(int cells) override { seen.push_back(cells); }
  bool Cancelled() const override { return !seen.empty() && seen.back() >= cancelAt; }
  std::vector<int> seen;
  int cancelAt = 1000;
};

}  // namespace

TEST(HeaderEdits, TakesEditsInFileOrderAndLeavesOutOverlapsAndFieldsPastTheHeader) {
  HeaderEdits edits;
  edits.Field(20, 7);
  edits.Field(8, 5);
  edits.Field(10, 9);                  // begins inside the field at 8
  edits.Field(30, 1);                  // runs past a header of 32 bytes
  edits.Replace(12, 4, {});            // a list taken out
  edits.Replace(16, 0, {1, 2, 3});     // bytes put in
  std::vector<uint64_t> at;
  for (const HeaderEdits::Edit* e : edits.Applied(32)) at.push_back(e->at);
  EXPECT_EQ(at, (std::vector<uint64_t>{8, 12, 16, 20}));
  EXPECT_EQ(edits.OutputBytes(32), 32u - 4 + 3);
  EXPECT_EQ(edits.OutputBytes(34), 34u - 4 + 3 + 0) << "the field at 30 fits a header of 34 bytes";
}

TEST(AviWriter, WritesChunksOfAnyInputUnderAnyCodeAndFromMemory) {
  Clip clip = MakeClip("any_source");
  const AviAnalysis& a = clip.an->analysis;
  Bytes wav(4000);
  for (size_t i = 0; i < wav.size(); ++i) wav[i] = uint8_t(i * 7);
  ByteInput sound;
  sound.OpenMemory(wav.data(), wav.size());
  static const uint8_t kText[] = {'h', 'e', 'l', 'l', 'o'};

  std::vector<OutChunk> chunks;
  chunks.push_back(Whole(a, clip.in, 0, 0));  // the first video frame, as it is
  OutChunk dubbed;                            // a WAV file's bytes under a new code
  dubbed.position = 1;
  dubbed.ckid = FourCC('0', '1', 'w', 'b');
  dubbed.Add(ChunkPiece{Unowned(sound), 44, nullptr, 1000});
  chunks.push_back(dubbed);
  OutChunk text;  // bytes of memory, odd: a pad follows
  text.position = 2;
  text.ckid = FourCC('0', '2', 't', 'x');
  text.Add(ChunkPiece{nullptr, 0, kText, 5});
  chunks.push_back(text);
  OutChunk cut = Whole(a, clip.in, 1, 3);  // an audio chunk's middle, its code from the input
  cut.carried = CloneAligner::kWritten;
  cut.pieces[0].at += 10;
  cut.pieces[0].bytes = cut.size = 11;
  chunks.push_back(cut);

  MemoryOutput file;
  AviOutput out = OutputOf(a, clip.in, chunks, &file);
  ASSERT_EQ(WriteOne(out).result, WriteResult::Written);
  splittest::OutputLayout layout;
  splittest::CheckOutput(file.bytes, &layout);
  ASSERT_EQ(layout.index.size(), 4u);
  EXPECT_EQ(layout.index[1].ckid, dubbed.ckid);
  EXPECT_EQ(layout.chunkData[1], Bytes(wav.begin() + 44, wav.begin() + 1044));
  EXPECT_EQ(layout.chunkData[2], Bytes(kText, kText + 5));
  const Bytes source = splittest::ReadBytes(clip.path);
  EXPECT_EQ(layout.index[3].ckid, GetU32(source, chunks[3].chunkAt));
  EXPECT_EQ(layout.chunkData[3], Bytes(source.begin() + long(cut.pieces[0].at), source.begin() + long(cut.pieces[0].at) + 11));
  EXPECT_EQ(GetU32(file.bytes, a.totalFramesOffset), 1u);
  EXPECT_TRUE(std::equal(source.begin() + 8, source.begin() + a.totalFramesOffset, file.bytes.begin() + 8))
      << "the header's other bytes are the input's";
}

TEST(AviWriter, WritesSeveralOutputsInOneWalkAsEachAlone) {
  Clip clip = MakeClip("lanes", 40);
  const AviAnalysis& a = clip.an->analysis;
  std::vector<OutChunk> even, odd;
  for (uint32_t i = 0; i < a.idx1EntryTotal; ++i) (i % 2 ? odd : even).push_back(Whole(a, clip.in, i, i));
  std::vector<Bytes> alone;
  for (const auto* chunks : {&even, &odd}) {
    MemoryOutput file;
    AviOutput out = OutputOf(a, clip.in, *chunks, &file);
    ASSERT_EQ(WriteOne(out).result, WriteResult::Written);
    alone.push_back(file.bytes);
  }
  MemoryOutput files[2];
  AviOutput both[2] = {OutputOf(a, clip.in, even, &files[0]), OutputOf(a, clip.in, odd, &files[1])};
  Watch watch;
  WriteSettings how;
  how.positions = a.idx1EntryTotal;
  how.watch = &watch;
  ASSERT_EQ(WriteAviOutputs(both, 2, how).result, WriteResult::Written);
  EXPECT_EQ(files[0].bytes, alone[0]);
  EXPECT_EQ(files[1].bytes, alone[1]);
  // The bar: every position a step (fewer than 88), then the index pass.
  ASSERT_EQ(watch.seen.size(), a.idx1EntryTotal + 2u);
  EXPECT_EQ(watch.seen.front(), 10);
  EXPECT_TRUE(std::is_sorted(watch.seen.begin(), watch.seen.end()));
  EXPECT_EQ(watch.seen.back(), 99);
}

TEST(AviWriter, TakesAStreamOutOfTheHeaderInVersionOneAndOpenDmlFiles) {
  Clip clip = MakeClip("one_stream", 60);
  const AviAnalysis& a = clip.an->analysis;
  const Bytes source = splittest::ReadBytes(clip.path);
  // RIFF AVI, LIST hdrl (avih, the video's strl, the sound's strl), ...
  const size_t hdrl = 12, avih = hdrl + 12;
  size_t strl = avih + 8 + GetU32(source, avih + 4);
  strl += 8 + GetU32(source, strl + 4);  // past the video's
  ASSERT_EQ(GetU32(source, strl + 8), FourCC('s', 't', 'r', 'l'));
  const uint32_t removed = 8 + GetU32(source, strl + 4);
  std::vector<OutChunk> video;
  for (uint32_t i = 0; i < a.idx1EntryTotal; ++i) {
    OutChunk c = Whole(a, clip.in, i, i);
    if (StreamOfCkid(c.ckid) == 0) video.push_back(c);
  }
  for (const OdmlLimits& limits : {OdmlLimits(), OdmlLimits{20000, 1 << 20, 1 << 20}}) {
    MemoryOutput file;
    AviOutput out = OutputOf(a, clip.in, video, &file);
    out.edits.Field(avih + 8 + 24, 1);  // dwStreams
    out.edits.Field(hdrl + 4, GetU32(source, hdrl + 4) - removed);
    out.edits.Replace(strl, removed, {});
    out.shape.streamCount = 1;
    out.shape.moviOffset -= removed;
    WriteSettings how;
    how.odml = limits;
    const WriteOutcome r = WriteAviOutputs(&out, 1, how);
    ASSERT_EQ(r.result, WriteResult::Written) << r.problem;
    AviSource written;
    written.OpenMemory(file.bytes.data(), file.bytes.size());
    AviAnalysis got{};
    ASSERT_TRUE(written.Analyse(got, nullptr, 0, 10));
    EXPECT_EQ(got.streamCount, 1u);
    EXPECT_EQ(got.streams[0].idx1EntryCount, video.size());
    ByteInput in;
    in.OpenMemory(file.bytes.data(), file.bytes.size());
    OdmlReader reader;
    EXPECT_TRUE(reader.Read(in, in.Size()));
    EXPECT_EQ(reader.Facts().hasSuperIndex, limits.riffThreshold == 20000);
    if (!reader.Facts().hasSuperIndex) {
      splittest::OutputLayout layout;
      splittest::CheckOutput(file.bytes, &layout);
      EXPECT_EQ(layout.moviType + 0u, a.moviOffset - removed);
    }
  }
}

TEST(AviWriter, SaysWhetherAnInputWasShortOrChangedAnOutputFailedOrTheUserCancelled) {
  Clip clip = MakeClip("results", 60);
  const AviAnalysis& a = clip.an->analysis;
  std::vector<OutChunk> chunks;
  for (uint32_t i = 0; i < a.idx1EntryTotal; ++i) chunks.push_back(Whole(a, clip.in, i, i));
  {
    std::vector<OutChunk> past = chunks;  // the index names bytes the file never held
    past.back().carried = CloneAligner::kWritten;
    past.back().pieces[0].at = clip.in->Size();
    MemoryOutput file;
    AviOutput out = OutputOf(a, clip.in, past, &file);
    EXPECT_EQ(WriteOne(out).result, WriteResult::InputShort);
  }
  {
    MemoryOutput file(1000);
    AviOutput out = OutputOf(a, clip.in, chunks, &file);
    const WriteOutcome r = WriteOne(out);
    EXPECT_EQ(r.result, WriteResult::WriteFailed);
    EXPECT_EQ(r.output, 0);
  }
  {
    MemoryOutput file;
    AviOutput out = OutputOf(a, clip.in, chunks, &file);
    out.refusal = "no room";
    const WriteOutcome r = WriteOne(out);
    EXPECT_EQ(r.result, WriteResult::TooLarge);
    EXPECT_EQ(r.problem, "no room");
    EXPECT_TRUE(file.bytes.empty()) << "refused before a byte is written";
  }
  {
    MemoryOutput file;
    AviOutput out = OutputOf(a, clip.in, chunks, &file);
    Watch watch;
    watch.cancelAt = 40;
    EXPECT_EQ(WriteOne(out, &watch).result, WriteResult::Cancelled);
    EXPECT_GE(watch.seen.back(), 40);
    EXPECT_LT(watch.seen.back(), 50) << "stops at the step that saw the cancel";
  }
  {
    // The file shrinks after it was opened: the bytes lie inside its size as opened.
    ASSERT_EQ(truncate(clip.path.c_str(), off_t(clip.in->Size() / 2)), 0);
    MemoryOutput file;
    AviOutput out = OutputOf(a, clip.in, chunks, &file);
    EXPECT_EQ(WriteOne(out).result, WriteResult::InputChanged);
  }
}

namespace {

// Takes ranges of files as a file system would, and notes each one.
struct RangeTaker : MemoryOutput {
  int64_t AppendFromFile(int fd, uint64_t at, uint64_t count) override {
    ranges.push_back({at, count});
    std::vector<uint8_t> data(count);
    if (pread(fd, data.data(), count, off_t(at)) != ssize_t(count)) return 0;
    return Write(data.data(), count) ? int64_t(count) : 0;
  }
  uint32_t ShareBlocksWith(int fd) override {
    offered.push_back(fd);
    return 4096;
  }
  std::vector<std::pair<uint64_t, uint64_t>> ranges;
  std::vector<int> offered;
};

}  // namespace

TEST(RunCopier, HandsRunsOverByTheWritersHabits) {
  const std::string path = splittest::FreshDir("runs") + "input.bin";
  Bytes data(3 << 20);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 13 + (i >> 12));
  ASSERT_TRUE(avitest::WriteFile(path, data));
  ByteInput file;
  ASSERT_TRUE(file.Open(path.c_str()));
  const std::shared_ptr<ByteInput> in = Unowned(file);
  SourceReader reader;
  CopyHabits split;  // 64 KiB on go file to file; whole blocks at each step
  split.handOverAtSteps = true;
  {
    RangeTaker out;
    RunCopier copier(out, reader, split, &out, 4096);
    ASSERT_TRUE(copier.Run(in, 100, 1000));
    ASSERT_TRUE(copier.Run(in, 1100, (2 << 20) + 1000));  // joins the run
    ASSERT_TRUE(copier.AtStep());
    ASSERT_TRUE(copier.EndRun());
    EXPECT_EQ(out.offered, std::vector<int>{file.Descriptor()}) << "offered once, as the run began";
    // Up to the last block boundary at the step; the short rest through memory.
    ASSERT_EQ(out.ranges.size(), 1u);
    EXPECT_EQ(out.ranges[0].first, 100u);
    EXPECT_EQ(out.ranges[0].first + out.ranges[0].second, (uint64_t(2 << 20) + 2100) / 4096 * 4096);
    EXPECT_EQ(out.bytes, Bytes(data.begin() + 100, data.begin() + 100 + (2 << 20) + 2000));
    EXPECT_EQ(copier.Written(), out.bytes.size());
  }
  {
    RangeTaker out;  // a run shorter than the habit's file copies goes through memory
    RunCopier copier(out, reader, split);
    ASSERT_TRUE(copier.Run(in, 0, 60000) && copier.EndRun());
    ASSERT_TRUE(copier.Run(in, 0, 70000) && copier.PutU32(7));
    EXPECT_EQ(out.ranges, (std::vector<std::pair<uint64_t, uint64_t>>{{0, 70000}}));
    EXPECT_TRUE(out.offered.empty()) << "no file to share with";
  }
  {
    CopyHabits repair;  // no steps: a run waits for its end, whatever its length
    repair.fileCopyFrom = 256 * 1024;
    RangeTaker out;
    RunCopier copier(out, reader, repair, nullptr, 4096);
    ASSERT_TRUE(copier.Run(in, 0, 3 << 20) && copier.AtStep() && copier.EndRun());
    EXPECT_EQ(out.ranges, (std::vector<std::pair<uint64_t, uint64_t>>{{0, 3 << 20}}));
  }
}
