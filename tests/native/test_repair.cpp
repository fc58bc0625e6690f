// The repair on crafted files: the odd layouts (rec lists, odd sizes
// without pad, placeholder sizes a crashed writer leaves, garbage between
// chunks), OpenDML files of every writer's layout cut in their last RIFF
// list, Cancel, the names, the key-frame rules of each codec family, and
// files that are no AVI or hold nothing to keep.
#include <gtest/gtest.h>

#include "avi/avi_source.h"
#include "scan/key_frames.h"
#include "repair/repair_writer.h"
#include "tests/native/sharing_memory.h"
#include "tests/native/odml_builder.h"
#include "tests/native/test_repair_support.h"

using namespace avitest;
using namespace repairtest;
using namespace splittest;

namespace {

// Every chunk of the layout, in order, as the repaired file must hold it.
void ExpectChunks(const std::vector<IndexedChunk>& got, const AviLayout& clip, size_t count,
                  const std::function<bool(size_t)>& key) {
  ASSERT_EQ(got.size(), count);
  for (size_t i = 0; i < count; ++i) {
    const ChunkLayout& c = clip.chunks[i];
    ASSERT_EQ(got[i].ckid, FourCC(Ckid(c.stream, clip.streams[c.stream].type)[0], char('0' + c.stream),
                                  Ckid(c.stream, clip.streams[c.stream].type)[2],
                                  Ckid(c.stream, clip.streams[c.stream].type)[3]))
        << i;
    ASSERT_EQ(got[i].data, ChunkData(c)) << i;
    EXPECT_EQ(got[i].key, key(i)) << i;
  }
}

std::vector<IndexedChunk> RepairedChunks(const std::string& path) {
  const Bytes b = ReadBytes(path);
  OutputLayout layout;
  CheckOutput(b, &layout);
  return IndexedChunks(b);
}

// The chunks of a file read as the jobs read it (an OpenDML file flattened).
std::vector<IndexedChunk> ReadAsJobsDo(const std::string& path) {
  AviSource source;
  EXPECT_TRUE(source.Open(path.c_str()));
  AviAnalysis a{};
  EXPECT_TRUE(source.Analyse(a, nullptr, 0, 10));
  Bytes flat(source.Input().Size());
  source.Input().Seek(0);
  source.Input().Read(flat.data(), flat.size());
  return IndexedChunks(flat);
}

bool VideoKeyOrSound(const AviLayout& clip, size_t i) {
  return clip.streams[clip.chunks[i].stream].type != "vids" || clip.chunks[i].key;
}

}  // namespace

TEST(Repair, OddLayoutsComeBackChunkForChunk) {
  const std::string dir = FreshDir("repair_odd");
  AviLayout clip = SimpleClip(60, 12, 1763);  // odd sound chunks
  clip.chunks[7].junkBefore = 30;             // JUNK inside movi
  struct Case {
    const char* name;
    std::function<void(AviLayout&)> layout;
    std::function<void(Bytes&)> damage;
  } cases[] = {
      {"rec lists, cut", [](AviLayout& l) { l.chunksPerRec = 2; }, [](Bytes& b) { b.resize(b.size() * 2 / 3); }},
      {"pad bytes of another value than 0, no index",
       [](AviLayout& l) {
         l.writeIndex = false;
         for (ChunkLayout& c : l.chunks) c.padByte = 0x55;
       },
       [](Bytes&) {}},
      {"placeholder sizes of a writer that died",
       [](AviLayout& l) { l.writeIndex = false; },
       [](Bytes& b) {
         SetU32(b, 4, 0);
         SetU32(b, FindTopLevel(b).moviList + 4, 0);
       }},
      {"garbage in the middle of movi",
       [](AviLayout& l) { l.chunks[41].sameBytes = true, l.chunks[41].fill = 0; },
       [](Bytes&) {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AviLayout l = clip;
    c.layout(l);
    Bytes b = BuildAvi(l);
    c.damage(b);
    size_t expected = l.chunks.size();
    if (std::string(c.name) == "garbage in the middle of movi") {
      // Chunk 41's header overwritten: it is lost, the rest is found again.
      const TopLevel t = FindTopLevel(b);
      size_t at = t.moviList + 12, n = 0;
      while (n < 41) {
        const uint32_t size = GetU32(b, at + 4);
        if (GetU32(b, at) != FourCC('J', 'U', 'N', 'K')) n++;
        at += 8 + size + (size & 1);
      }
      SetU32(b, at, 0x12345678);
      SetU32(b, at + 4, 0xFFFFFFF0);
      l.chunks.erase(l.chunks.begin() + 41);
      expected--;
    }
    if (std::string(c.name) == "rec lists, cut") {
      // The whole chunks before the cut.
      size_t end = 0;
      for (size_t i = 0; i < l.chunks.size(); ++i) {
        const Bytes data = ChunkData(l.chunks[i]);
        const auto found = std::search(b.begin() + end, b.end(), data.begin(), data.end());
        if (found == b.end()) {
          expected = i;
          break;
        }
        end = size_t(found - b.begin()) + data.size();
      }
    }
    const std::string in = dir + "in.avi";
    ASSERT_TRUE(WriteFile(in, b));
    auto run = Repair(in);
    ASSERT_EQ(run->outcome.result, RepairResult::Repaired) << run->outcome.detail;
    // The builder's frames are DIB: every frame stands alone.
    ExpectChunks(RepairedChunks(dir + "in-r.avi"), l, expected, [&](size_t i) {
      return l.writeIndex && std::string(c.name) != "rec lists, cut" ? VideoKeyOrSound(l, i) : true;
    });
    std::remove((dir + "in-r.avi").c_str());
  }
}

TEST(Repair, OpenDmlFilesCutInTheirLastRiffList) {
  const std::string dir = FreshDir("repair_odml");
  const AviLayout clip = SimpleClip(90, 12);
  struct Case {
    const char* name;
    OdmlAviLayout layout;
    size_t firstUnindexed;  // the index entries of the chunks from here on lie past the cut
  } cases[] = {
      {"ffmpeg", FfmpegLike(clip, {60, 120}), 120},
      {"avimux", AvimuxLike(clip, {60, 120}), 120},
      {"mencoder (every ix## in the last movi)", MencoderLike(clip, {60, 120}, 50), 60},
      {"dvgrab (every ix## in the first movi)", DvgrabLike(clip, {60, 120}, 40), 180},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const BuiltOdml built = BuildOdml(c.layout);
    // Cut in the middle of chunk 150's data, inside the last RIFF list.
    Bytes b = built.bytes;
    b.resize(built.chunks[150].header + 8 + built.chunks[150].size / 2);
    const std::string in = dir + "in.avi";
    ASSERT_TRUE(WriteFile(in, b));
    for (bool openDml : {false, true}) {
      SCOPED_TRACE(openDml ? "written as OpenDML" : "written as version 1");
      OdmlLimits limits;
      if (openDml) limits.riffThreshold = 64 * 1024;
      std::remove((dir + "in-r.avi").c_str());
      auto run = Repair(in, "", true, limits);
      ASSERT_EQ(run->outcome.result, RepairResult::Repaired) << run->outcome.detail;
      const std::vector<IndexedChunk> got =
          openDml ? ReadAsJobsDo(dir + "in-r.avi") : RepairedChunks(dir + "in-r.avi");
      // Video the index no longer names is told by its codec (DIB: every
      // frame); sound keeps the writer's habit (avimux: never key).
      ExpectChunks(got, clip, 150, [&](size_t i) {
        if (clip.streams[clip.chunks[i].stream].type != "vids") return c.layout.audioKey;
        return i >= c.firstUnindexed || clip.chunks[i].key;
      });
      const Bytes out = ReadBytes(dir + "in-r.avi");
      const std::string text(out.begin(), out.end());
      EXPECT_EQ(text.find("AVIX") != std::string::npos, openDml);
      EXPECT_EQ(Ffprobe(dir + "in-r.avi", false).errors, "");
    }
  }
}

// Repaired as OpenDML while sharing the input's blocks: the same chunks as
// without sharing, JUNK in front of the long runs; without a file system that
// shares, the same bytes.
TEST(Repair, OpenDmlOutputSharingBlocksKeepsTheChunks) {
  const std::string dir = FreshDir("repair_odml_clone");
  const AviLayout clip = SimpleClip(1500, 12, 7056);
  Bytes b = BuildAvi(clip);
  b.resize(b.size() * 4 / 5);  // cut short: no idx1
  const std::string in = dir + "in.avi";
  ASSERT_TRUE(WriteFile(in, b));
  ByteInput input;
  ASSERT_TRUE(input.Open(in.c_str()));
  RepairScan scan;
  ScanForRepair(input, scan);
  OdmlLimits tiny;
  tiny.riffThreshold = 1 << 20;
  tiny.riffLimit = 4 << 20;
  WriterOptions clone;
  clone.clone = true;
  MemoryOutput plain, unshared;
  avitest::SharingMemory shared;
  ASSERT_EQ(WriteRepairedFile(input, scan, plain, nullptr, 0, 10, tiny, nullptr), WriteResult::Written);
  ASSERT_EQ(WriteRepairedFile(input, scan, shared, nullptr, 0, 10, tiny, nullptr, clone), WriteResult::Written);
  ASSERT_EQ(WriteRepairedFile(input, scan, unshared, nullptr, 0, 10, tiny, nullptr, clone), WriteResult::Written);
  EXPECT_TRUE(unshared.bytes == plain.bytes);
  const std::string text(shared.bytes.begin(), shared.bytes.end());
  EXPECT_NE(text.find("AVIX"), std::string::npos) << "written as OpenDML";
  EXPECT_GT(shared.bytes.size(), plain.bytes.size()) << "JUNK in front of runs";
  EXPECT_GT(double(shared.shared) / double(shared.bytes.size()), 0.85);
  ASSERT_TRUE(WriteFile(dir + "plain.avi", plain.bytes));
  ASSERT_TRUE(WriteFile(dir + "shared.avi", shared.bytes));
  const std::vector<IndexedChunk> want = ReadAsJobsDo(dir + "plain.avi"), got = ReadAsJobsDo(dir + "shared.avi");
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    ASSERT_EQ(got[i].ckid, want[i].ckid) << i;
    ASSERT_EQ(got[i].data, want[i].data) << i;
    ASSERT_EQ(got[i].key, want[i].key) << i;
  }
  EXPECT_EQ(Ffprobe(dir + "shared.avi", false).errors, "");
}

TEST(Repair, CancelAndFailuresLeaveNothingBehind) {
  const std::string dir = FreshDir("repair_cancel");
  AviLayout l = SimpleClip(400, 12);
  l.writeIndex = false;
  ASSERT_TRUE(WriteFile(dir + "in.avi", BuildAvi(l)));
  ASSERT_TRUE(WriteFile(dir + "in-r.avi", Bytes{'o', 'l', 'd'}));
  for (int at : {5, 50}) {
    SCOPED_TRACE(at);
    RepairRun run;
    run.host.onProgress = [&](const char*, int cells) {
      if (cells >= at) run.host.cancelRequested = 1;
    };
    RepairRequest request{dir + "in.avi", ""};
    run.outcome = RepairJob(request, run.host);
    EXPECT_EQ(run.outcome.result, RepairResult::Cancelled);
    EXPECT_EQ(run.outcome.Number(), -1);
    EXPECT_TRUE(run.host.messages.empty());
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"in-r.avi", "in.avi"}));
    EXPECT_EQ(ReadBytes(dir + "in-r.avi"), (Bytes{'o', 'l', 'd'})) << "an older file keeps its bytes";
  }
  // The input as the output, or an output that cannot be made.
  auto same = Repair(dir + "in.avi", dir + "in.avi");
  EXPECT_EQ(same->outcome.result, RepairResult::OutputIsInput);
  auto missing = Repair(dir + "in.avi", dir + "no/such/folder.avi");
  EXPECT_EQ(missing->outcome.result, RepairResult::CannotCreate);
  EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"in-r.avi", "in.avi"}));
}

TEST(Repair, FilesWithNothingToKeepAreRefused) {
  const std::string dir = FreshDir("repair_refused");
  const Bytes good = BuildAvi(SimpleClip(20, 10));
  const TopLevel t = FindTopLevel(good);
  Bytes wave = good;
  std::memcpy(wave.data() + 8, "WAVE", 4);
  Bytes noMovi = good;
  std::memcpy(noMovi.data() + t.moviList + 8, "junk", 4);
  noMovi.resize(t.moviList + 12);
  struct {
    const char* name;
    Bytes bytes;
    RepairResult result;
    const char* english;
    const char* japanese;
  } files[] = {
      {"a WAVE file", wave, RepairResult::NotAvi, "not an AVI file", "AVIファイルではありません"},
      {"no RIFF at all", Bytes(3000, 0x41), RepairResult::NotAvi, "not an AVI file", "AVIファイルではありません"},
      {"cut inside its header", Bytes(good.begin(), good.begin() + 100), RepairResult::NoHeader, nullptr, nullptr},
      {"no movi list", noMovi, RepairResult::NoDataList, nullptr, nullptr},
      {"cut inside its first chunk", Bytes(good.begin(), good.begin() + t.moviList + 30), RepairResult::NoWholeChunk,
       nullptr, nullptr},
  };
  for (auto& f : files) {
    SCOPED_TRACE(f.name);
    ASSERT_TRUE(WriteFile(dir + "in.avi", f.bytes));
    for (bool english : {true, false}) {
      auto run = Repair(dir + "in.avi", "", english);
      EXPECT_EQ(run->outcome.result, f.result) << run->outcome.detail;
      EXPECT_GT(run->outcome.Number(), 0);
      EXPECT_EQ(run->host.messages.size(), 1u);
      if (f.english) {
        EXPECT_EQ(run->host.LastMessage(), english ? f.english : f.japanese);
      }
      EXPECT_EQ(run->outcome.detail.rfind(dir + "in.avi: ", 0), 0u) << "says why";
    }
    EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"in.avi"});
  }
}

TEST(Repair, NamesBesideTheInput) {
  EXPECT_EQ(RepairedName("/a/clip.avi"), "/a/clip-r.avi");
  EXPECT_EQ(RepairedName("CLIP.AVI"), "CLIP-r.avi");
  EXPECT_EQ(RepairedName("clip.divx"), "clip.divx-r.avi");
  EXPECT_EQ(RepairedName("avi"), "avi-r.avi");
}

TEST(RepairKeyFrames, EachCodecFamilyByItsOwnBits) {
  auto key = [](KeyRule rule, Bytes b) { return IsKeyFrame(rule, b.data(), b.size(), b.size()); };
  EXPECT_EQ(KeyRuleForCodec(FourCC('X', 'V', 'I', 'D'), 0), KeyRule::Mpeg4Vop);
  EXPECT_EQ(KeyRuleForCodec(FourCC('f', 'm', 'p', '4'), 0), KeyRule::Mpeg4Vop);
  EXPECT_EQ(KeyRuleForCodec(FourCC('H', '2', '6', '4'), 0), KeyRule::H264Idr);
  EXPECT_EQ(KeyRuleForCodec(FourCC('a', 'v', 'c', '1'), 0), KeyRule::H264Idr);
  EXPECT_EQ(KeyRuleForCodec(FourCC('m', 'p', 'g', '2'), 0), KeyRule::MpegPicture);
  EXPECT_EQ(KeyRuleForCodec(FourCC('M', 'J', 'P', 'G'), 0), KeyRule::EveryFrame);
  EXPECT_EQ(KeyRuleForCodec(0, FourCC('d', 'v', 's', 'd')), KeyRule::EveryFrame);
  EXPECT_EQ(KeyRuleForCodec(0, 0), KeyRule::EveryFrame) << "BI_RGB";
  EXPECT_EQ(KeyRuleForCodec(FourCC('c', 'v', 'i', 'd'), 0), KeyRule::Unknown);

  // MPEG-4 part 2: a VOL header first, then the VOP and its coding type.
  Bytes vol = {0, 0, 1, 0x20, 0x08, 0xC8};
  Bytes iVop = vol, pVop = vol;
  for (uint8_t b : {0, 0, 1, 0xB6, 0x10, 0x22, 0x33, 0x44, 0x55, 0x66}) iVop.push_back(b);
  for (uint8_t b : {0, 0, 1, 0xB6, 0x50, 0x22, 0x33, 0x44, 0x55, 0x66}) pVop.push_back(b);
  EXPECT_EQ(key(KeyRule::Mpeg4Vop, iVop), 1);
  EXPECT_EQ(key(KeyRule::Mpeg4Vop, pVop), 0);
  EXPECT_EQ(key(KeyRule::Mpeg4Vop, Bytes{0, 0, 1, 0xB6, 0x16, 0x4F}), 0) << "an N-VOP codes no picture";
  // H.264, Annex B: SPS, PPS, then an IDR or a non-IDR slice; and with lengths.
  EXPECT_EQ(key(KeyRule::H264Idr, Bytes{0, 0, 0, 1, 0x67, 1, 2, 0, 0, 1, 0x68, 3, 0, 0, 1, 0x65, 0x88}), 1);
  EXPECT_EQ(key(KeyRule::H264Idr, Bytes{0, 0, 0, 1, 0x09, 0x10, 0, 0, 1, 0x41, 0x9A}), 0);
  EXPECT_EQ(key(KeyRule::H264Idr, Bytes{0, 0, 0, 2, 0x09, 0x10, 0, 0, 0, 2, 0x65, 0x88}), 1);
  // MPEG-1/2: the picture's coding type after its temporal reference.
  EXPECT_EQ(key(KeyRule::MpegPicture, Bytes{0, 0, 1, 0xB3, 9, 9, 0, 0, 1, 0x00, 0x00, 0x0F, 0xFF}), 1);
  EXPECT_EQ(key(KeyRule::MpegPicture, Bytes{0, 0, 1, 0x00, 0x01, 0x50, 0xFF}), 0);
  EXPECT_EQ(key(KeyRule::EveryFrame, Bytes{1, 2, 3}), 1);
  EXPECT_EQ(key(KeyRule::EveryFrame, Bytes{}), 0) << "an empty chunk repeats the frame before";
  EXPECT_EQ(key(KeyRule::Unknown, Bytes{1, 2, 3}), 0);
}
