// The chunk walk, the index offset base and the structure comparison, on
// crafted files for what muxers never write and on real muxer output.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <string>

#include "job/file_probe.h"
#include "job/native_sink.h"
#include "avi/avi_analysis.h"
#include "avi/byte_input.h"
#include "avi/source_window.h"
#include "io/output_stream.h"
#include "tests/native/avi_builder.h"

using namespace avitest;

namespace {

struct Walked {
  AviAnalysis analysis{};
  NativeSink host;
  Bytes bytes;
  ByteInput input;
  AviAnalysis& a() { return analysis; }
};

WalkProgress Progress(NativeSink& sink, int span, int base, size_t total) {
  WalkProgress p;
  p.sink = &sink;
  p.base = base;
  p.span = span;
  p.total = total;
  return p;
}

// Walks bytes as a job would: reset, progress state, one walk from 0.
std::unique_ptr<Walked> Walk(Bytes bytes, int span = 10, int base = 0) {
  auto w = std::make_unique<Walked>();
  w->bytes = std::move(bytes);
  w->input.OpenMemory(w->bytes.data(), w->bytes.size());
  AnalyseFile(w->analysis, w->input, uint32_t(w->bytes.size()), Progress(w->host, span, base, w->bytes.size()));
  return w;
}

StreamLayout Audio(uint32_t sampleSize) {
  StreamLayout s;
  s.type = "auds";
  s.rate = 44100;
  s.sampleSize = sampleSize;
  return s;
}

}  // namespace

TEST(ByteInput, PastTheEndAndUnreachableSeeksGiveEndOfFileBytes) {
  Bytes data = {1, 2, 3, 4, 5, 6};
  ByteInput in;
  in.OpenMemory(data.data(), data.size());
  EXPECT_EQ(in.U32At(0), 0x04030201u);
  EXPECT_EQ(in.U32At(4), 0xFFFF0605u);
  EXPECT_EQ(in.U32At(100), 0xFFFFFFFFu);
  // Positions are 64-bit: one far beyond the end reads end-of-file bytes,
  // never the bytes at the position cut to 32 bits.
  in.Seek(1);
  EXPECT_TRUE(in.Seek(0x100000000ull));
  EXPECT_EQ(in.ReadByte(), 0xFF);
  EXPECT_EQ(in.Size(), 6u);
  // A reader that is not open fails every seek and reads end-of-file bytes.
  ByteInput closed;
  EXPECT_FALSE(closed.Seek(0));
  EXPECT_EQ(closed.ReadByte(), 0xFF);
  EXPECT_TRUE(in.Seek(2));
  EXPECT_EQ(in.ReadByte(), 3);
}

// Bytes handed out in small pieces, as a computed view does near its seams.
struct PieceSource : ByteSource {
  const Bytes& data;
  explicit PieceSource(const Bytes& d) : data(d) {}
  uint64_t Size() const override { return data.size(); }
  size_t ReadAt(uint64_t position, uint8_t* out, size_t count) override {
    if (position >= data.size()) return 0;
    size_t take = std::min<size_t>(count, data.size() - size_t(position));
    std::memcpy(out, data.data() + position, take);
    return take;
  }
};

TEST(ByteInput, FileAndSourceReadsMatchMemoryAcrossBufferBoundaries) {
  Bytes data(200000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7 + (i >> 9));
  std::string path = testing::TempDir() + "byte_input.bin";
  ASSERT_TRUE(WriteFile(path, data));
  ByteInput file;
  ASSERT_TRUE(file.Open(path.c_str()));
  PieceSource pieces(data);
  ByteInput source;
  source.OpenSource(pieces);
  uint32_t seed = 12345;
  for (ByteInput* in : {&file, &source}) {
    for (int round = 0; round < 2000; ++round) {
      seed = seed * 1103515245 + 12345;
      uint32_t pos = (seed >> 8) % 200100;
      uint32_t len = (seed % 7 == 0) ? 70000 : (seed >> 4) % 40;
      Bytes got(len);
      in->Seek(pos);
      size_t n = in->Read(got.data(), len);
      size_t expect = pos < data.size() ? std::min<size_t>(len, data.size() - pos) : 0;
      ASSERT_EQ(n, expect);
      for (size_t i = 0; i < len; ++i)
        ASSERT_EQ(got[i], pos + i < data.size() ? data[pos + i] : 0xFF) << pos << "+" << i;
      if (len >= 4 && pos + 4 <= data.size()) {
        ASSERT_EQ(in->U32At(pos), GetU32(data, pos));
      }
    }
  }
  EXPECT_FALSE(file.Open(testing::TempDir().c_str()));  // a directory is no file
}

TEST(ByteInput, AFileThatShrinksWhileReadEndsEarly) {
  // Another program cuts the file short after it was opened: reads past the
  // new end give end-of-file bytes (a mapped reader would die of SIGBUS).
  Bytes data(6 << 20);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i >> 3);
  std::string path = testing::TempDir() + "shrinking.bin";
  ASSERT_TRUE(WriteFile(path, data));
  ByteInput file;
  ASSERT_TRUE(file.Open(path.c_str()));
  EXPECT_EQ(file.Size(), data.size());
  EXPECT_EQ(file.U32At(5 << 20), GetU32(data, 5 << 20));
  ASSERT_EQ(truncate(path.c_str(), 4096), 0);
  EXPECT_EQ(file.U32At((5 << 20) + 40000), 0xFFFFFFFFu);
  Bytes big(200000);
  file.Seek(2 << 20);
  EXPECT_EQ(file.Read(big.data(), big.size()), 0u);
  EXPECT_EQ(file.U32At(100), GetU32(data, 100));
}

TEST(ByteInput, ACutFileIsKeptAsAFaultAndTheEndOfAFileIsNone) {
  Bytes data(3 << 20, 0x55);
  std::string path = testing::TempDir() + "cut.bin";
  ASSERT_TRUE(WriteFile(path, data));
  ByteInput file;
  ReadFault copy;
  ASSERT_TRUE(file.Open(path.c_str()));
  file.ReportFaultsTo(&copy);
  Bytes tail(100000);
  file.Seek(data.size() - 10);  // reads past the end as opened: no fault
  EXPECT_EQ(file.Read(tail.data(), tail.size()), 10u);
  file.CheckSize();
  EXPECT_FALSE(file.Fault());
  ASSERT_EQ(truncate(path.c_str(), 1 << 20), 0);
  file.Seek(2 << 20);
  EXPECT_EQ(file.Read(tail.data(), tail.size()), 0u);
  ASSERT_EQ(file.Fault().kind, ReadFault::Changed);
  EXPECT_EQ(file.Fault().wasSize, data.size());
  EXPECT_EQ(file.Fault().nowSize, 1u << 20);
  EXPECT_EQ(copy.kind, ReadFault::Changed);
  EXPECT_EQ(DescribeReadFault(copy, 1), path + " changed while it was read: it is now 1.00 MB, it was 3.00 MB");
  // A copy by another reader that came short is looked into the same way.
  ByteInput other;
  ASSERT_TRUE(other.Open(path.c_str()));
  other.CheckShortRead(0, 4096, 4096);
  EXPECT_FALSE(other.Fault());
  ASSERT_EQ(truncate(path.c_str(), 4096), 0);
  other.CheckShortRead(0, 8192, 4096);
  EXPECT_EQ(other.Fault().nowSize, 4096u);
}

TEST(ReadFault, SaysWhereAndWhyInBothLanguages) {
  ReadFault fault;
  EXPECT_EQ(DescribeReadFault(fault, 1), "");
  fault.kind = ReadFault::ReadError;
  fault.path = "holiday.avi";
  fault.at = 104857600;
  fault.reason = "Input/output error";
  EXPECT_EQ(DescribeReadFault(fault, 1), "holiday.avi: read error at byte 104,857,600: Input/output error");
  EXPECT_NE(DescribeReadFault(fault, 0).find("104,857,600"), std::string::npos);
  fault.kind = ReadFault::Changed;
  fault.wasSize = 290ull << 20;
  fault.nowSize = 120ull << 20;
  EXPECT_EQ(DescribeReadFault(fault, 1), "holiday.avi changed while it was read: it is now 120 MB, it was 290 MB");
  fault.nowSize = fault.wasSize + 10;  // appended to: sizes the MB figures cannot tell apart
  EXPECT_EQ(DescribeReadFault(fault, 1),
            "holiday.avi changed while it was read: it is now 304,087,050 bytes, it was 304,087,040 bytes");
  EXPECT_NE(DescribeReadFault(fault, 0).find("304,087,050"), std::string::npos);
}

TEST(SourceWindow, ReadingAheadCopiesWhatADirectReadingCopies) {
  // A file's window reads the next megabyte on a second thread; memory is
  // read directly. Both must append the same bytes for the same ranges:
  // mostly ascending, with jumps back and forth over window boundaries, up
  // to and past the end of the file.
  Bytes data((5 << 20) + 12345);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 13 + (i >> 11));
  std::string path = testing::TempDir() + "window.bin";
  ASSERT_TRUE(WriteFile(path, data));
  ByteInput file, memory;
  ASSERT_TRUE(file.Open(path.c_str()));
  memory.OpenMemory(data.data(), data.size());
  SourceWindow fromFile(file), fromMemory(memory);
  MemoryOutput a, b;
  uint32_t seed = 99;
  uint64_t at = 0;
  for (int round = 0; round < 1500; ++round) {
    seed = seed * 1103515245 + 12345;
    if (seed % 97 == 0) at = (seed >> 7) % data.size();  // a jump anywhere
    const uint64_t count = seed % 11 == 0 ? (seed >> 12) % 3000000 : (seed >> 9) % 9000;
    const bool fileOk = fromFile.CopyTo(at, count, a);
    ASSERT_EQ(fileOk, fromMemory.CopyTo(at, count, b)) << at << "+" << count;
    ASSERT_EQ(fileOk, at + count <= data.size());
    ASSERT_TRUE(a.bytes == b.bytes) << at << "+" << count;
    a.bytes.clear();
    b.bytes.clear();
    at = at + count < data.size() ? at + count : (seed >> 5) % 4096;
  }

  // Cut short while a window may be read ahead: the copy only ends early.
  ASSERT_EQ(truncate(path.c_str(), 3 << 20), 0);
  MemoryOutput c;
  EXPECT_FALSE(fromFile.CopyTo(0, data.size(), c));
  EXPECT_LE(c.bytes.size(), data.size());
  EXPECT_TRUE(std::equal(c.bytes.begin(), c.bytes.end(), data.begin()));  // never a wrong byte
}

TEST(Walk, RecordsHeaderFieldsOfAPlainClip) {
  AviLayout layout = SimpleClip(30);
  layout.streams[0].rate = 30000;
  layout.streams[0].scale = 1001;
  auto w = Walk(BuildAvi(layout));
  AviAnalysis& a = w->a();
  EXPECT_EQ(a.riffSizeOffset, 4u);
  EXPECT_EQ(a.microSecPerFrameOffset, 32u);
  EXPECT_EQ(a.totalFramesOffset, 48u);
  EXPECT_EQ(a.streamsOffset, 56u);
  EXPECT_EQ(a.streamCount, 2u);
  EXPECT_EQ(a.firstVideoStream, 0);
  EXPECT_EQ(a.streams[0].type, StreamVideo);
  EXPECT_EQ(a.streams[1].type, StreamAudio);
  EXPECT_EQ(a.streams[0].lengthOffset, 140u);
  EXPECT_EQ(a.streams[0].suggestedBufferSizeOffset, 144u);
  EXPECT_DOUBLE_EQ(a.streams[0].rate, 29.0);  // integer quotient of 30000/1001
  EXPECT_DOUBLE_EQ(a.streams[1].rate, 44100.0);
  EXPECT_EQ(w->input.U32At(a.moviOffset), 0x69766f6du);  // "movi"
  EXPECT_EQ(a.streams[0].idx1EntryCount, 30u);
  EXPECT_EQ(a.streams[1].idx1EntryCount, 30u);
  EXPECT_EQ(a.idx1EntryTotal, 60u);
  EXPECT_EQ(w->input.U32At(a.idx1Offset), 0x31786469u);  // "idx1"
  EXPECT_EQ(a.chunkBase, a.moviOffset);
  EXPECT_EQ(w->input.U32At(w->input.U32At(a.streams[1].sampleSizeOffset - 52 + 8)), 0xFFFFFFFFu);
}

TEST(Walk, StreamKindsAndRates) {
  AviLayout layout = SimpleClip(4);
  layout.streams.push_back(Audio(0));  // variable-rate audio
  StreamLayout noScale = Audio(2);
  noScale.scale = 0;  // dwScale 0 with a rate: the rate stays 0, nothing faults
  layout.streams.push_back(noScale);
  StreamLayout text;
  text.type = "txts";
  layout.streams.push_back(text);
  auto w = Walk(BuildAvi(layout));
  AviAnalysis& a = w->a();
  ASSERT_EQ(a.streamCount, 5u);
  EXPECT_EQ(a.streams[2].type, StreamOther);
  EXPECT_NE(a.streams[2].sampleSizeOffset, 0u);
  EXPECT_EQ(a.streams[3].type, StreamAudio);
  EXPECT_DOUBLE_EQ(a.streams[3].rate, 0.0);
  EXPECT_EQ(a.streams[4].type, StreamOther);
  EXPECT_DOUBLE_EQ(a.streams[4].rate, 25.0);
}

TEST(Walk, FirstVideoStreamMayComeAfterAudio) {
  AviLayout layout = SimpleClip(4);
  std::swap(layout.streams[0], layout.streams[1]);
  for (ChunkLayout& c : layout.chunks) c.stream = 1 - c.stream;
  auto w = Walk(BuildAvi(layout));
  EXPECT_EQ(w->a().firstVideoStream, 1);
}

TEST(Walk, ElevenStreamHeadersRecordTen) {
  AviLayout layout = SimpleClip(2);
  for (int i = 0; i < 9; ++i) layout.streams.push_back(Audio(4));
  auto w = Walk(BuildAvi(layout));
  AviAnalysis& a = w->a();
  EXPECT_EQ(a.streamCount, 10u);
  // The levels already under way still find movi and idx1.
  EXPECT_NE(a.moviOffset, 0u);
  EXPECT_NE(a.idx1Offset, 0u);
  EXPECT_EQ(a.idx1EntryTotal, 4u);
}

TEST(Walk, ElevenStreamHeadersInOneListAreNotWrittenPastTheTable) {
  RiffWriter w;
  size_t riff = w.BeginList("RIFF", "AVI ");
  size_t list = w.BeginList("LIST", "strl");
  Bytes strh(56, 0);
  std::memcpy(strh.data(), "vids", 4);
  for (int i = 0; i < 12; ++i) w.Chunk("strh", strh);
  w.EndList(list);
  w.EndList(riff);
  auto walked = Walk(w.bytes);
  EXPECT_EQ(walked->a().streamCount, 10u);
}

TEST(Walk, TruncatedFileRecordsNothing) {
  Bytes bytes = BuildAvi(SimpleClip(10));
  bytes.resize(bytes.size() - 100);  // the RIFF size now runs past the end
  auto w = Walk(bytes);
  AviAnalysis& a = w->a();
  EXPECT_EQ(a.riffSizeOffset, 0u);
  EXPECT_EQ(a.microSecPerFrameOffset, 0u);
  EXPECT_EQ(a.streamCount, 0u);
  EXPECT_EQ(a.moviOffset, 0u);
  EXPECT_EQ(a.idx1Offset, 0u);
}

TEST(Walk, NotRiffLeavesRiffSizeOffsetZero) {
  Bytes bytes = BuildAvi(SimpleClip(3));
  std::memcpy(bytes.data(), "riff", 4);
  auto w = Walk(bytes);
  EXPECT_EQ(w->a().riffSizeOffset, 0u);
  EXPECT_EQ(w->a().streamCount, 2u);  // the rest is still walked
}

TEST(Walk, IndexCountsOddSizesStrangeCkidsAndRecEntries) {
  AviLayout layout = SimpleClip(3);
  layout.chunksPerRec = 2;
  layout.junkAfterHeader = "odd";  // 3 bytes + pad
  Bytes bytes = BuildAvi(layout);
  auto w = Walk(bytes);
  AviAnalysis& a = w->a();
  EXPECT_EQ(a.hasRecEntries, 1);
  EXPECT_EQ(a.idx1EntryTotal, 9u);  // 6 chunks + 3 rec entries
  EXPECT_EQ(a.streams[0].idx1EntryCount, 3u);
  EXPECT_EQ(a.streams[1].idx1EntryCount, 3u);

  // Rename two entries to ckids of no stream: 10dc (an eleventh stream) and 0adc.
  uint32_t idx1 = a.idx1Offset;
  std::memcpy(&bytes[idx1 + 8 + 16], "10dc", 4);
  std::memcpy(&bytes[idx1 + 8 + 32], "0adc", 4);
  auto renamed = Walk(bytes);
  EXPECT_EQ(renamed->a().idx1EntryTotal, 9u);
  EXPECT_EQ(renamed->a().streams[0].idx1EntryCount + renamed->a().streams[1].idx1EntryCount, 4u);
}

TEST(Walk, IndexOfSize33HoldsTwoEntries) {
  RiffWriter w;
  size_t riff = w.BeginList("RIFF", "AVI ");
  Bytes idx;
  for (const char* id : {"00dc", "01wb"}) {
    PutCode(idx, id);
    for (int i = 0; i < 3; ++i) PutU32(idx, 0);
  }
  idx.push_back(0);
  w.Chunk("idx1", idx);
  w.EndList(riff);
  auto walked = Walk(w.bytes);
  EXPECT_EQ(walked->a().idx1EntryTotal, 2u);
  EXPECT_EQ(walked->a().streams[0].idx1EntryCount, 1u);
  EXPECT_EQ(walked->a().streams[1].idx1EntryCount, 1u);
}

TEST(Walk, EveryIdx1RestartsTheCounts) {
  Bytes bytes = BuildAvi(SimpleClip(5));
  // A second, shorter idx1 at the end of the RIFF list.
  Bytes extra;
  PutCode(extra, "idx1");
  PutU32(extra, 16);
  PutCode(extra, "00dc");
  PutU32(extra, 0x10);
  PutU32(extra, 4);
  PutU32(extra, 100);
  bytes.insert(bytes.end(), extra.begin(), extra.end());
  SetU32(bytes, 4, uint32_t(bytes.size() - 8));
  auto w = Walk(bytes);
  EXPECT_EQ(w->a().idx1EntryTotal, 1u);
  EXPECT_EQ(w->a().streams[0].idx1EntryCount, 1u);
  EXPECT_EQ(w->a().streams[1].idx1EntryCount, 0u);
  EXPECT_EQ(w->a().idx1Offset, bytes.size() - 24);
}

TEST(Walk, IndxIsNoted) {
  AviLayout layout = SimpleClip(3);
  layout.indx = true;
  EXPECT_EQ(Walk(BuildAvi(layout))->a().hasIndx, 1);
  EXPECT_EQ(Walk(BuildAvi(SimpleClip(3)))->a().hasIndx, 0);
}

TEST(Walk, DeepNestingDoesNotExhaustTheStack) {
  const int depth = 200000;
  Bytes bytes;
  for (int i = 0; i < depth; ++i) {
    PutCode(bytes, "LIST");
    PutU32(bytes, 0);
    PutCode(bytes, "deep");
  }
  for (int i = 0; i < depth; ++i) SetU32(bytes, size_t(i) * 12 + 4, uint32_t(bytes.size() - i * 12 - 8));
  auto w = Walk(bytes);
  EXPECT_EQ(w->a().streamCount, 0u);
}

TEST(Walk, ProgressMovesForwardWithinItsSpanAndCancelStops) {
  auto w = Walk(BuildAvi(SimpleClip(200)), 5, 5);
  const std::vector<int>& cells = w->host.progressCells;
  ASSERT_FALSE(cells.empty());
  for (size_t i = 0; i < cells.size(); ++i) {
    EXPECT_GE(cells[i], 6);
    EXPECT_LE(cells[i], 10);
    if (i) {
      EXPECT_GT(cells[i], cells[i - 1]);
    }
  }

  auto cancelled = std::make_unique<Walked>();
  cancelled->bytes = BuildAvi(SimpleClip(200));
  NativeSink* sink = &cancelled->host;
  cancelled->host.onProgress = [sink](const char*, int) { sink->cancelRequested = -2; };
  cancelled->input.OpenMemory(cancelled->bytes.data(), cancelled->bytes.size());
  AviAnalysis& a = cancelled->a();
  ResetAnalysis(a);
  WalkProgress progress = Progress(cancelled->host, 10, 0, cancelled->bytes.size());
  WalkChunks(a, progress, cancelled->input, 0, uint32_t(cancelled->bytes.size()), 0);
  EXPECT_EQ(cancelled->host.progressCells.size(), 1u);
  EXPECT_EQ(a.idx1Offset, 0u);  // the walk stopped before the index
}

TEST(ChunkBase, AbsoluteOffsetsAreRecognised) {
  AviLayout layout = SimpleClip(5);
  layout.absoluteOffsets = true;
  auto w = Walk(BuildAvi(layout));
  EXPECT_EQ(w->a().chunkBase, 0u);
  layout.absoluteOffsets = false;
  auto relative = Walk(BuildAvi(layout));
  EXPECT_EQ(relative->a().chunkBase, relative->a().moviOffset);
  // With rec lists the first stream entry decides, not the rec entry.
  layout.chunksPerRec = 2;
  layout.absoluteOffsets = true;
  EXPECT_EQ(Walk(BuildAvi(layout))->a().chunkBase, 0u);
}

namespace {

// Walks both files as a merge does and compares their structure.
StructureDifference Difference(const Bytes& first, const Bytes& second) {
  auto w2 = Walk(second);
  auto w1 = Walk(first);
  return CompareStructure(w1->a(), w2->a(), w1->input, w2->input);
}

uint32_t Compare(const Bytes& first, const Bytes& second) { return Difference(first, second).code; }

Bytes Clip(int frames) { return BuildAvi(SimpleClip(frames)); }

// Position of byte `offset` inside the strh of stream s.
size_t StrhField(const Bytes& bytes, int s, size_t offset) {
  auto w = Walk(bytes);
  return w->a().streams[s].lengthOffset - 40 + offset;
}

}  // namespace

TEST(CompareStructure, LengthDependentFieldsMayDiffer) {
  EXPECT_EQ(Compare(Clip(20), Clip(35)), 0u);
}

TEST(CompareStructure, HeaderDifferencesGiveTheirCodes) {
  Bytes base = Clip(10);
  Bytes b = base;
  std::memcpy(&b[0], "RIFX", 4);  // before the RIFF size: also not RIFF any more
  EXPECT_EQ(Compare(base, b), 9u);
  b = base;
  b[32] ^= 1;  // dwMicroSecPerFrame
  EXPECT_EQ(Compare(base, b), 10u);
  b = base;
  b[StrhField(base, 0, 28)] ^= 1;  // dwScale of stream 0
  EXPECT_EQ(Compare(base, b), 11u);
  b = base;
  b[StrhField(base, 0, 44)] ^= 1;  // dwSuggestedBufferSize of the first of two streams
  EXPECT_EQ(Compare(base, b), 11u);
  b = base;
  b[StrhField(base, 1, 44)] ^= 1;  // ... of the last stream
  EXPECT_EQ(Compare(base, b), 12u);
  b = base;
  b[StrhField(base, 1, 64 + 8 + 2)] ^= 1;  // the last stream's strf
  EXPECT_EQ(Compare(base, b), 12u);
  b = base;
  b[48] ^= 1;  // dwTotalFrames alone
  EXPECT_EQ(Compare(base, b), 0u);

  AviLayout moved = SimpleClip(10);
  moved.junkAfterHeader = "xx";
  EXPECT_EQ(Compare(base, BuildAvi(moved)), 8u);
}

TEST(CompareStructure, SaysWhichFieldOfWhichStreamDiffersWithBothValues) {
  Bytes base = Clip(10);
  Bytes b = base;
  const size_t scale = StrhField(base, 0, 28);
  SetU32(b, scale, GetU32(base, scale) + 7);
  StructureDifference d = Difference(base, b);
  EXPECT_EQ(d.code, 11u);
  EXPECT_EQ(d.field, "strh dwScale");
  EXPECT_EQ(d.stream, 0);
  EXPECT_EQ(d.offset, scale);
  EXPECT_EQ(d.firstValue, GetU32(base, scale));
  EXPECT_EQ(d.secondValue, GetU32(base, scale) + 7);
  EXPECT_EQ(d.Describe(), "strh dwScale of stream 0 at " + std::to_string(scale) + ": " +
                              std::to_string(d.firstValue) + " in the first file, " +
                              std::to_string(d.secondValue) + " in the second");

  b = base;
  b[33] ^= 1;  // second byte of avih dwMicroSecPerFrame
  d = Difference(base, b);
  EXPECT_EQ(d.code, 10u);
  EXPECT_EQ(d.field, "avih dwMicroSecPerFrame");
  EXPECT_EQ(d.stream, -1);
  EXPECT_EQ(d.secondValue, GetU32(b, 32));

  b = base;
  b[StrhField(base, 1, 64 + 8 + 2)] ^= 1;  // inside a strf: no named field, the byte itself
  d = Difference(base, b);
  EXPECT_EQ(d.code, 12u);
  EXPECT_EQ(d.field, "header byte");
  EXPECT_EQ(d.firstValue ^ d.secondValue, 1u);

  AviLayout moved = SimpleClip(10);
  moved.junkAfterHeader = "xx";
  d = Difference(base, BuildAvi(moved));
  EXPECT_EQ(d.field, "movi list position");
  EXPECT_NE(d.firstValue, d.secondValue);
  EXPECT_EQ(Difference(base, base).Describe(), "");
}

TEST(CompareStructure, MissingPiecesGiveCodesOneToSeven) {
  Bytes good = Clip(10);
  Bytes truncated = good;
  truncated.resize(truncated.size() - 10);
  EXPECT_EQ(Compare(truncated, good), 1u);
  EXPECT_EQ(Compare(good, truncated), 1u);  // second has no movi

  AviLayout noStreams;
  EXPECT_EQ(Compare(BuildAvi(noStreams), BuildAvi(noStreams)), 2u);

  // A stream header cut short by the end of its list records no dwLength.
  RiffWriter w;
  size_t riff = w.BeginList("RIFF", "AVI ");
  size_t hdrl = w.BeginList("LIST", "hdrl");
  w.Chunk("avih", Bytes(56, 0));
  for (size_t size : {56, 40}) {
    size_t strl = w.BeginList("LIST", "strl");
    Bytes strh(size, 0);
    std::memcpy(strh.data(), "vids", 4);
    w.Chunk("strh", strh);
    w.EndList(strl);
  }
  w.EndList(hdrl);
  size_t movi = w.BeginList("LIST", "movi");
  w.Chunk("00dc", Bytes(10, 1));
  w.EndList(movi);
  Bytes idx;
  PutCode(idx, "00dc");
  PutU32(idx, 0x10);
  PutU32(idx, 4);
  PutU32(idx, 10);
  w.Chunk("idx1", idx);
  w.EndList(riff);
  EXPECT_EQ(Compare(w.bytes, w.bytes), 3u);

  AviLayout audioOnly;
  audioOnly.streams = {Audio(4)};
  audioOnly.chunks = {{0, 400}, {0, 400}};
  Bytes noVideo = BuildAvi(audioOnly);
  EXPECT_EQ(Compare(noVideo, noVideo), 4u);

  AviLayout noIndex = SimpleClip(10);
  noIndex.writeIndex = false;
  EXPECT_EQ(Compare(BuildAvi(noIndex), good), 5u);
  EXPECT_EQ(Compare(good, BuildAvi(noIndex)), 5u);

  AviLayout odml = SimpleClip(10);
  odml.indx = true;
  EXPECT_EQ(Compare(BuildAvi(odml), BuildAvi(odml)), 6u);

  AviLayout audioIndexOnly = SimpleClip(10);
  for (ChunkLayout& c : audioIndexOnly.chunks)
    if (c.stream == 0) c.stream = 1;
  audioIndexOnly.streams[0].length = 10;
  Bytes noFrames = BuildAvi(audioIndexOnly);
  EXPECT_EQ(Compare(noFrames, noFrames), 7u);
}

// Every sample made by a real muxer: the walk agrees with what ffprobe sees.
TEST(Walk, RealMuxerFiles) {
  const char* dir = std::getenv("TAVRIN_SAMPLES");
  if (!dir) GTEST_SKIP() << "TAVRIN_SAMPLES not set";
  DIR* d = opendir(dir);
  ASSERT_NE(d, nullptr);
  int seen = 0;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name.size() < 5 || name.substr(name.size() - 4) != ".avi") continue;
    std::string path = std::string(dir) + "/" + name;
    SCOPED_TRACE(name);
    auto w = std::make_unique<Walked>();
    uint64_t size = 0;
    ASSERT_EQ(ProbeInputFile(path.c_str(), &size), ProbeResult::Ok);
    ASSERT_TRUE(w->input.Open(path.c_str()));
    AviAnalysis& a = w->a();
    ResetAnalysis(a);
    WalkProgress progress = Progress(w->host, 10, 0, size);
    WalkChunks(a, progress, w->input, 0, size, 0);
    EXPECT_EQ(a.riffSizeOffset, 4u);
    EXPECT_NE(a.moviOffset, 0u);
    EXPECT_NE(a.idx1Offset, 0u);
    ASSERT_GE(a.firstVideoStream, 0);
    a.chunkBase = DetectChunkBase(a, w->input);
    // GStreamer's avimux writes absolute index offsets, the others relative ones.
    uint64_t expectedBase = name.rfind("gst", 0) == 0 ? 0 : a.moviOffset;
    EXPECT_EQ(a.chunkBase, expectedBase);
    std::string cmd = "ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                      "stream=nb_read_packets -of csv=p=0 '" + path + "'";
    std::FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    unsigned packets = 0;
    if (std::fscanf(p, "%u", &packets) != 1) packets = 0;
    pclose(p);
    // ffprobe skips empty (dropped) frames; the index counts them.
    EXPECT_GE(a.streams[a.firstVideoStream].idx1EntryCount, packets);
    EXPECT_GT(packets, 0u);
    ++seen;
  }
  closedir(d);
  EXPECT_GT(seen, 0);
}
