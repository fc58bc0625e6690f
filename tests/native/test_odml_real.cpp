// Real OpenDML files past 1 GiB from ffmpeg, mencoder and GStreamer's
// avimux (52 s of raw 640x480 video with PCM, 1.2 GB each): made in the
// test's own folder in a few seconds, read, and deleted. ffprobe is the
// outside judge of both the file and its flattened view.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "avi/avi_analysis.h"
#include "avi/byte_input.h"
#include "avi/index_reader.h"
#include "avi/odml_flat_view.h"
#include "avi/odml_reader.h"

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
  ResetAnalysis(a);
  WalkProgress progress{nullptr, 0, 10, view.Size(), 0};
  WalkChunks(a, progress, flat, 0, uint32_t(view.Size()), 0);
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
