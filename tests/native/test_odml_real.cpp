// Real OpenDML files past 1 GiB from ffmpeg, mencoder and GStreamer's
// avimux (52 s of raw 640x480 video with PCM, 1.2 GB each): made in the
// test's own folder in a few seconds, read, and deleted. ffprobe is the
// outside judge of both the file and its flattened view.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "avi/avi_analysis.h"
#include "avi/avi_source.h"
#include "avi/byte_input.h"
#include "avi/index_reader.h"
#include "avi/odml_flat_view.h"
#include "avi/odml_reader.h"
#include "job/native_sink.h"
#include "split/split_job.h"
#include "tests/native/avi_builder.h"

namespace {

// Packets and bytes per stream as ffprobe reads them, and what it said on
// its error output.
struct Probed {
  std::map<int, uint64_t> packets, bytes;
  std::string errors;
};

Probed Probe(const std::string& command) {
  Probed p;
  std::string errorsPath = testing::TempDir() + "ffprobe.err";
  std::FILE* out = popen((command + " 2>'" + errorsPath + "'").c_str(), "r");
  if (!out) return p;
  int stream;
  unsigned long long size;
  while (std::fscanf(out, "%d,%llu", &stream, &size) == 2) {
    p.packets[stream]++;
    p.bytes[stream] += size;
  }
  pclose(out);
  if (std::FILE* e = std::fopen(errorsPath.c_str(), "r")) {
    char line[512];
    while (std::fgets(line, sizeof line, e)) p.errors += line;
    std::fclose(e);
  }
  return p;
}

const char* kPackets = "ffprobe -v error -show_entries packet=stream_index,size -of csv=p=0";

// ffprobe reading the flattened view as it streams out (no file of it).
Probed ProbeView(OdmlFlatView& view) {
  std::string outPath = testing::TempDir() + "flat.csv";
  std::string command = std::string(kPackets) + " -i pipe:0 >'" + outPath + "' 2>'" + outPath + ".err'";
  std::FILE* in = popen(command.c_str(), "w");
  Probed p;
  if (!in) return p;
  std::vector<uint8_t> buffer(1 << 20);
  for (uint64_t at = 0; at < view.Size();) {
    size_t got = view.ReadAt(at, buffer.data(), buffer.size());
    if (got == 0 || std::fwrite(buffer.data(), 1, got, in) != got) break;
    at += got;
  }
  pclose(in);
  return Probe("cat '" + outPath + "'; cat '" + outPath + ".err' >&2");
}

uint64_t SizeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? uint64_t(st.st_size) : 0;
}

// The analysis a job makes of the file, its view walked with the headers
// read where the indexes place them, against the walk of every byte.
void ExpectGuidedViewWalkAsFull(const std::string& path) {
  std::unique_ptr<AviAnalysis> walked[2];
  for (int guided = 0; guided < 2; ++guided) {
    GuideWalksByIndex(guided == 1);
    walked[guided] = std::make_unique<AviAnalysis>();
    AviSource source;
    ASSERT_TRUE(source.Open(path.c_str()));
    EXPECT_TRUE(source.Analyse(*walked[guided], nullptr, 0, 10));
    EXPECT_TRUE(source.IsOpenDml());
    EXPECT_FALSE(source.File().Fault());
  }
  GuideWalksByIndex(true);
  EXPECT_TRUE(SameAnalysis(*walked[0], *walked[1]));
}

// Reads path as OpenDML and checks it against ffprobe, then the flattened
// view against the version-1 walk and index and against ffprobe.
void CheckRealFile(const std::string& path, const std::string& videoId, bool audioKey) {
  SCOPED_TRACE(path);
  uint64_t size = SizeOf(path);
  ASSERT_GT(size, 1ull << 30);
  ByteInput input;
  ASSERT_TRUE(input.Open(path.c_str()));
  OdmlReader reader;
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(reader.Read(input, size)) << DescribeOdmlFault(reader.Facts().fault, 1);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s", DescribeOdmlLayout(reader.Facts()).c_str());
  std::printf("indexes read and %llu chunks checked in %.2f s\n", (unsigned long long)reader.Facts().chunkCount,
              seconds);

  const OdmlFacts& f = reader.Facts();
  EXPECT_EQ(f.riffCount, 2u);
  EXPECT_EQ(f.streams[0].entries, 1300u);  // avih and idx1 count only the first RIFF's
  EXPECT_EQ(f.streams[0].keyEntries, 1300u);
  EXPECT_EQ(f.streams[1].keyEntries, audioKey ? f.streams[1].entries : 0);
  char id[5] = {};
  for (int i = 0; i < 4; ++i) id[i] = char(f.streams[0].chunkId >> (8 * i));
  EXPECT_EQ(id, videoId);

  // Compare bytes, not audio packets: ffprobe splits big PCM chunks.
  Probed original = Probe(std::string(kPackets) + " '" + path + "'");
  EXPECT_EQ(original.errors, "");
  EXPECT_EQ(original.packets[0], f.streams[0].entries);
  EXPECT_EQ(original.bytes[0], f.streams[0].dataBytes);
  EXPECT_EQ(original.bytes[1], f.streams[1].dataBytes);

  OdmlFlatView view(input, reader);
  ByteInput flat;
  flat.OpenSource(view);
  auto analysis = std::make_unique<AviAnalysis>();
  AviAnalysis& a = *analysis;
  AnalyseFile(a, flat, view.Size(), WalkProgress{});
  EXPECT_EQ(a.hasIndx, 0);
  EXPECT_EQ(a.streams[0].idx1EntryCount, 1300u);
  EXPECT_EQ(flat.U32At(a.totalFramesOffset), 1300u);
  ASSERT_EQ(a.moviOffset, view.MoviTypePosition());
  EXPECT_EQ(DetectChunkBase(a, flat), a.moviOffset);
  // Every idx1 entry names its chunk in the flattened movi.
  IndexReader index(flat, a.idx1Offset, a.idx1EntryTotal);
  ASSERT_EQ(index.Total(), f.chunkCount);
  for (uint32_t i = 0; i < index.Total(); ++i) {
    IndexEntry e = index.At(i);
    uint64_t at = uint64_t(a.moviOffset) + e.offset;
    ASSERT_EQ(flat.U32At(at), e.ckid) << i;
    ASSERT_EQ(flat.ReadU32(), e.length) << i;
  }

  start = std::chrono::steady_clock::now();
  Probed flattened = ProbeView(view);
  seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("flattened view: %llu bytes streamed to ffprobe in %.2f s\n", (unsigned long long)view.Size(), seconds);
  EXPECT_EQ(flattened.errors, "");
  EXPECT_EQ(flattened.packets[0], original.packets[0]);
  EXPECT_EQ(flattened.bytes[0], original.bytes[0]);
  EXPECT_EQ(flattened.bytes[1], original.bytes[1]);
  ExpectGuidedViewWalkAsFull(path);
}

// The MD5 of every video packet, in order, as ffmpeg copies them out.
std::vector<std::string> VideoHashes(const std::string& path) {
  std::vector<std::string> hashes;
  std::FILE* out = popen(("ffmpeg -v error -i '" + path + "' -map 0:v -c copy -f framemd5 - 2>/dev/null").c_str(), "r");
  if (!out) return hashes;
  char line[512];
  while (std::fgets(line, sizeof line, out)) {
    std::string l = line;
    if (l.empty() || l[0] == '#') continue;
    std::string hash = l.substr(l.rfind(',') + 1);
    hash.erase(0, hash.find_first_not_of(' '));
    hashes.push_back(hash.substr(0, hash.find_first_of(" \r\n")));
  }
  pclose(out);
  return hashes;
}

struct Splitted {
  int32_t result;
  std::string message, first, second;
};

Splitted SplitAt(const std::string& path, const char* seconds, const char* overlap,
                 CreateMode create = CreateMode::Both) {
  SplitRequest r;
  r.path = path;
  r.hours = r.minutes = "0";
  r.seconds = seconds;
  r.overlap = overlap;
  r.create = create;
  NativeSink sink;
  SplitOutcome outcome = SplitJob(r, sink);
  return Splitted{outcome.Number(), sink.LastMessage(), outcome.firstOutput, outcome.secondOutput};
}

// Splits the real file at a few times: every output a plain version-1 file
// that ffprobe reads silently, holding exactly the original's video packets
// before and after the cut (every raw frame is a key frame).
void CheckSplits(const std::string& path) {
  const std::vector<std::string> original = VideoHashes(path);
  ASSERT_EQ(original.size(), 1300u);
  struct Case {
    const char* seconds;
    const char* overlap;
    size_t cut, secondStart;
  };
  for (const Case& c : {Case{"20", "0", 500, 500}, Case{"30", "2", 750, 700}}) {
    SCOPED_TRACE(c.seconds);
    Splitted s = SplitAt(path, c.seconds, c.overlap);
    ASSERT_EQ(s.result, 0) << s.message;
    for (const std::string* out : {&s.first, &s.second}) {
      EXPECT_LT(SizeOf(*out), 1ull << 30);
      EXPECT_EQ(Probe(std::string(kPackets) + " '" + *out + "'").errors, "");
    }
    EXPECT_EQ(VideoHashes(s.first), std::vector<std::string>(original.begin(), original.begin() + c.cut));
    EXPECT_EQ(VideoHashes(s.second), std::vector<std::string>(original.begin() + c.secondStart, original.end()));
    unlink(s.first.c_str());
    unlink(s.second.c_str());
  }
}

struct MadeFile {
  std::string path;
  ~MadeFile() { unlink(path.c_str()); }
};

bool Make(const std::string& command) { return std::system((command + " >/dev/null 2>&1 </dev/null").c_str()) == 0; }

}  // namespace

TEST(OdmlRealFiles, FfmpegMencoderAndAvimuxPast1GiB) {
  MadeFile ffmpeg{testing::TempDir() + "ffmpeg-big.avi"};
  ASSERT_TRUE(Make("ffmpeg -y -f lavfi -i testsrc=size=640x480:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 "
                   "-t 52 -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le '" + ffmpeg.path + "'"));
  CheckRealFile(ffmpeg.path, "00dc", true);
  CheckSplits(ffmpeg.path);
  {
    MadeFile mencoder{testing::TempDir() + "mencoder-big.avi"};
    ASSERT_TRUE(Make("mencoder '" + ffmpeg.path + "' -ovc copy -oac pcm -o '" + mencoder.path + "'"));
    CheckRealFile(mencoder.path, "00dc", true);
  }
  unlink(ffmpeg.path.c_str());
  MadeFile avimux{testing::TempDir() + "avimux-big.avi"};
  ASSERT_TRUE(Make("gst-launch-1.0 -q videotestsrc num-buffers=1300 ! "
                   "video/x-raw,format=BGR,width=640,height=480,framerate=25/1 ! mux. "
                   "audiotestsrc num-buffers=1300 samplesperbuffer=1920 ! "
                   "audio/x-raw,format=S16LE,rate=48000,channels=1 ! mux. "
                   "avimux name=mux ! filesink location='" + avimux.path + "'"));
  CheckRealFile(avimux.path, "00db", false);
}

namespace {

using avitest::Bytes;
using avitest::PutCode;
using avitest::PutU32;

void PutU64(Bytes& b, uint64_t v) {
  PutU32(b, uint32_t(v));
  PutU32(b, uint32_t(v >> 32));
}

// A video-only OpenDML file past 4 GiB, written sparse (chunk headers and
// indexes only): three key frames of almost 2 GiB, each in a RIFF list of
// its own, then 50 small frames in a last AVIX. Its flattened view is past
// 4 GiB too, so the view's idx1 offsets wrap.
struct SparseOdml {
  std::string path;
  std::vector<uint64_t> frames;  // position of each frame's chunk header
  bool ok = true;
};

SparseOdml WriteSparseOdml(const std::string& path) {
  SparseOdml out{path, {}};
  int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
  if (fd < 0) return SparseOdml{path, {}, false};
  auto put = [&](uint64_t at, const Bytes& b) {
    out.ok = out.ok && pwrite(fd, b.data(), b.size(), off_t(at)) == ssize_t(b.size());
  };
  auto putU32 = [&](uint64_t at, uint32_t v) {
    Bytes b;
    PutU32(b, v);
    put(at, b);
  };
  const std::vector<std::vector<uint32_t>> riffs = {{0x7FFF0000u}, {0x7FFF0000u}, {0x7FFF0000u},
                                                    std::vector<uint32_t>(50, 1000)};
  avitest::AviLayout clip = avitest::LargeClip(53, 1000);  // the header's streams and dwLength
  avitest::RiffWriter header;
  size_t riffSize = header.BeginList("RIFF", "AVI ");
  size_t indx = 0;
  avitest::WriteHeaderList(header, clip, 1, [&](size_t) { indx = header.Chunk("indx", Bytes(24 + 16 * 4, 0)); });
  size_t moviSize = header.BeginList("LIST", "movi");
  put(0, header.bytes);
  uint64_t pos = header.bytes.size();
  Bytes super;
  PutU32(super, 0x00000004);  // wLongsPerEntry 4, index of indexes
  PutU32(super, 4);
  PutCode(super, "00dc");
  for (int i = 0; i < 3; ++i) PutU32(super, 0);
  for (size_t r = 0; r < riffs.size(); ++r) {
    uint64_t riffAt = r == 0 ? 0 : pos, moviAt = r == 0 ? moviSize - 4 : pos + 12;
    if (r > 0) {
      Bytes h;
      PutCode(h, "RIFF");
      PutU32(h, 0);
      PutCode(h, "AVIX");
      PutCode(h, "LIST");
      PutU32(h, 0);
      PutCode(h, "movi");
      put(pos, h);
      pos += h.size();
    }
    const uint64_t base = moviAt + 8;  // the "movi" type
    Bytes ix, idx1;
    PutCode(ix, "ix00");
    PutU32(ix, uint32_t(24 + 8 * riffs[r].size()));
    PutU32(ix, 0x01000002);  // wLongsPerEntry 2, index of chunks
    PutU32(ix, uint32_t(riffs[r].size()));
    PutCode(ix, "00dc");
    PutU64(ix, base);
    PutU32(ix, 0);
    for (uint32_t size : riffs[r]) {
      Bytes h;
      PutCode(h, "00dc");
      PutU32(h, size);
      // Small frames hold their number; the large ones are holes.
      if (size < 0x10000) h.resize(8 + size, uint8_t(out.frames.size()));
      put(pos, h);
      out.frames.push_back(pos);
      PutU32(ix, uint32_t(pos + 8 - base));
      PutU32(ix, size);
      PutCode(idx1, "00dc");
      PutU32(idx1, 0x10);
      PutU32(idx1, uint32_t(pos - base));
      PutU32(idx1, size);
      pos += 8 + size;
    }
    PutU64(super, pos);
    PutU32(super, uint32_t(ix.size()));
    PutU32(super, uint32_t(riffs[r].size()));
    put(pos, ix);
    pos += ix.size();
    if (r == 0) {
      Bytes i;
      PutCode(i, "idx1");
      PutU32(i, uint32_t(idx1.size()));
      i.insert(i.end(), idx1.begin(), idx1.end());
      put(pos, i);
      pos += i.size();
    }
    putU32(riffAt + 4, uint32_t(pos - riffAt - 8));
    putU32(moviAt + 4, uint32_t(pos - moviAt - 8));
  }
  (void)riffSize;
  put(indx + 8, super);
  close(fd);
  return out;
}

}  // namespace

// 64-bit positions from the file through the flattened view to the split's
// outputs: the second file of a split near the end takes the small frames
// that lie past 6 GB in the input (and in the view).
TEST(OdmlRealFiles, SparseFilePast4GiBSplits) {
  const std::string path = testing::TempDir() + "sparse-odml.avi";
  MadeFile made{path};
  SparseOdml sparse = WriteSparseOdml(path);
  ASSERT_TRUE(sparse.ok);
  ASSERT_GT(SizeOf(path), 6000000000ull);
  Splitted s = SplitAt(path, "1.5", "0", CreateMode::Second);  // from frame 38 of 53
  ASSERT_EQ(s.result, 0) << s.message;
  Bytes second;
  {
    std::FILE* f = std::fopen(s.second.c_str(), "rb");
    ASSERT_TRUE(f);
    second.resize(SizeOf(s.second));
    ASSERT_EQ(std::fread(second.data(), 1, second.size(), f), second.size());
    std::fclose(f);
  }
  EXPECT_EQ(Probe(std::string(kPackets) + " '" + s.second + "'").errors, "");
  unlink(s.second.c_str());
  // 15 frames of 1000 bytes, each with the bytes of its chunk in the input.
  ByteInput input;
  ASSERT_TRUE(input.Open(path.c_str()));
  size_t frames = 0;
  for (size_t at = 0; (at = std::string(second.begin(), second.end()).find("00dc", at)) != std::string::npos; at += 4) {
    if (avitest::GetU32(second, at + 4) != 1000) continue;
    const uint64_t from = sparse.frames[38 + frames];
    ASSERT_GT(from, 6000000000ull);
    Bytes expected(1008);
    input.Seek(from);
    input.Read(expected.data(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), second.begin() + long(at))) << frames;
    ++frames;
  }
  EXPECT_EQ(frames, 15u);
}
