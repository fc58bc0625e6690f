// Helpers shared by the split tests: running the split job through the
// native host, and reading back an output's layout to check it byte by byte.
#pragma once
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "job/native_sink.h"
#include "tests/native/plugin_host.h"
#include "avi/avi_analysis.h"
#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "split/split_engine.h"
#include "split/split_job.h"
#include "tests/native/avi_builder.h"

namespace splittest {

using avitest::Bytes;
using avitest::GetU32;

// A fresh, empty folder for one test.
inline std::string FreshDir(const std::string& name) {
  std::string dir = testing::TempDir() + "tavrin_split_" + name;
  std::string cmd = "rm -rf '" + dir + "' && mkdir -p '" + dir + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  return dir + "/";
}

inline bool Exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

// The names in a folder, sorted (without "." and "..").
inline std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

inline Bytes ReadBytes(const std::string& path) {
  Bytes out;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  // Sized at the file's size (and grown if it has grown since), not grown
  // read by read: the tests read whole files many thousands of times.
  if (std::fseek(f, 0, SEEK_END) == 0) {
    const long size = std::ftell(f);
    if (size > 0) out.reserve(size_t(size));
    std::rewind(f);
  }
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
  std::fclose(f);
  return out;
}

// A test's time, as a user would type it to the microsecond and the fields
// read it.
inline ExactTime Typed(double seconds) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6f", seconds);
  return LeadingDecimal(text);
}

// The sound samples played in `frames` frames of U microseconds at `rate`
// samples a second, straight from the rule in 128-bit integers (whatever the
// code under test computes with): floor(U x frames x rate / 10^6).
inline uint64_t SamplesAt(uint32_t U, uint64_t frames, double rate) {
  return uint64_t(static_cast<unsigned __int128>(U) * frames * uint64_t(rate) / 1000000);
}

struct SplitFields {
  std::string file;
  std::string hours, minutes, seconds, overlap;
  CreateMode create = CreateMode::Both;
  bool english = true;
  bool splitMerge = false;
  bool bySize = false;
  std::string sizeMb;  // the size limit's field
};

struct JobRun {
  TestHost host;
  SplitOutcome outcome;
  int32_t result = 0;  // the number the job reports
  std::string message() const { return host.messages.empty() ? "<none>" : host.messages.back(); }
};

inline SplitRequest RequestOf(const SplitFields& f) {
  SplitRequest r;
  r.path = f.file;
  r.hours = f.hours;
  r.minutes = f.minutes;
  r.seconds = f.seconds;
  r.overlap = f.overlap;
  r.by = f.bySize ? SplitBy::Size : SplitBy::Time;
  r.sizeMegabytes = f.sizeMb;
  r.create = f.create;
  r.thenMerge = f.splitMerge;
  return r;
}

// Runs the split job once; hook may set observers on the sink before the run.
inline std::unique_ptr<JobRun> RunSplitJob(const SplitFields& f,
                                           const std::function<void(JobRun&)>& hook = {}) {
  auto run = std::make_unique<JobRun>();
  run->host.englishUi = f.english ? 1 : 0;
  if (hook) hook(*run);
  run->outcome = SplitJob(RequestOf(f), run->host, run->host.SizeSplit());
  run->result = run->outcome.Number();
  return run;
}

struct IndexItem {
  uint32_t ckid, flags, offset, length;
};

// What an output holds, read back from its bytes.
struct OutputLayout {
  uint32_t moviType = 0;  // position of "movi"
  uint32_t moviListSize = 0;
  std::vector<IndexItem> index;
  uint32_t videoEntries = 0;  // of stream 0 unless told
  std::vector<Bytes> chunkData;  // data of each indexed chunk, in index order
};

// Checks everything a player relies on and fills layout: RIFF size = length - 8,
// the movi list holds exactly the indexed chunks back to back (no rec lists),
// every index offset names its chunk from the "movi" type, pads are zero,
// idx1 size = 16 x entries and nothing follows it.
inline void CheckOutput(const Bytes& b, OutputLayout* layout, int videoStream = 0) {
  ASSERT_GE(b.size(), 12u);
  ASSERT_EQ(GetU32(b, 0), kRiff);
  EXPECT_EQ(GetU32(b, 4), b.size() - 8) << "RIFF size";
  size_t at = 12, movi = 0, idx1 = 0;
  while (at + 8 <= b.size()) {
    uint32_t code = GetU32(b, at), size = GetU32(b, at + 4);
    if (code == kList && GetU32(b, at + 8) == kMovi) movi = at;
    if (code == kIdx1) idx1 = at;
    at += 8 + size + (size & 1);
  }
  EXPECT_EQ(at, b.size()) << "top-level chunks end with the file";
  ASSERT_NE(movi, 0u);
  ASSERT_NE(idx1, 0u);
  layout->moviType = uint32_t(movi + 8);
  layout->moviListSize = GetU32(b, movi + 4);
  uint32_t idxSize = GetU32(b, idx1 + 4);
  ASSERT_EQ(idxSize % 16, 0u);
  ASSERT_EQ(idx1 + 8 + idxSize, b.size()) << "idx1 size = 16 x entries, last in the file";
  uint32_t expected = 4;
  for (size_t e = idx1 + 8; e < b.size(); e += 16) {
    IndexItem it{GetU32(b, e), GetU32(b, e + 4), GetU32(b, e + 8), GetU32(b, e + 12)};
    ASSERT_NE(it.ckid, kRec);
    ASSERT_EQ(it.offset, expected) << "index entry " << layout->index.size();
    size_t chunk = layout->moviType + size_t(it.offset);
    ASSERT_LE(chunk + 8 + it.length, b.size());
    ASSERT_EQ(GetU32(b, chunk), it.ckid) << "entry " << layout->index.size() << " names its chunk";
    ASSERT_EQ(GetU32(b, chunk + 4), it.length);
    if (it.length & 1) {
      EXPECT_EQ(b[chunk + 8 + it.length], 0) << "pad byte";
    }
    layout->chunkData.emplace_back(b.begin() + chunk + 8, b.begin() + chunk + 8 + it.length);
    if (StreamOfCkid(it.ckid) == videoStream) layout->videoEntries++;
    layout->index.push_back(it);
    expected += 8 + it.length + (it.length & 1);
  }
  EXPECT_EQ(layout->moviListSize, expected) << "movi list size covers exactly the chunks";
  EXPECT_EQ(movi + 8 + layout->moviListSize, idx1);
}

// The analysis of a file, as the job makes it.
struct Analysed {
  AviAnalysis analysis{};
  ByteInput input;
  NativeSink host;
  std::string path;
  SplitSource Source() { return SplitSource{input, analysis, path}; }
};
inline std::unique_ptr<Analysed> Analyse(const std::string& path) {
  auto r = std::make_unique<Analysed>();
  r->path = path;
  r->input.Open(path.c_str());
  WalkProgress progress;
  progress.span = 10;
  progress.total = r->input.Size();
  AnalyseFile(r->analysis, r->input, uint32_t(r->input.Size()), progress);
  return r;
}

// What ffprobe makes of a file: the complaints it prints at -v error while
// demuxing every packet and decoding the first video stream, and the video
// packets and frames it counted. Crafted files hold no real pictures: for
// them only the demuxing is checked (decode false, frames stays -1).
struct ProbeReport {
  std::string errors;
  long packets = -1;
  long frames = -1;
};
inline ProbeReport Ffprobe(const std::string& path, bool decode = true) {
  std::string cmd = std::string("ffprobe -v error -select_streams v:0 -count_packets ") +
                    (decode ? "-count_frames " : "") +
                    "-show_entries stream=nb_read_frames,nb_read_packets -of csv=p=0 '" + path + "' 2>&1";
  ProbeReport r;
  std::FILE* p = popen(cmd.c_str(), "r");
  if (!p) {
    r.errors = "cannot run ffprobe";
    return r;
  }
  char buf[512];
  while (std::fgets(buf, sizeof buf, p)) {
    long frames, packets;
    if (std::sscanf(buf, "%ld,%ld", &frames, &packets) == 2) {
      r.frames = frames;
      r.packets = packets;
    } else if (std::sscanf(buf, "N/A,%ld", &packets) == 1) {
      r.packets = packets;
    } else {
      r.errors += buf;
    }
  }
  pclose(p);
  return r;
}

// The chunks of one stream in a file, in index order.
inline std::vector<Bytes> SourceChunks(const Bytes& src, const AviAnalysis& a, int stream,
                                       std::vector<uint32_t>* flags = nullptr) {
  std::vector<Bytes> out;
  for (uint32_t i = 0; i < a.idx1EntryTotal; ++i) {
    size_t e = a.idx1Offset + 8 + 16 * size_t(i);
    if (StreamOfCkid(GetU32(src, e)) != stream) continue;
    size_t at = size_t(a.chunkBase) + GetU32(src, e + 8) + 8;
    uint32_t len = GetU32(src, e + 12);
    out.emplace_back(src.begin() + at, src.begin() + at + len);
    if (flags) flags->push_back(GetU32(src, e + 4));
  }
  return out;
}

inline Bytes Concat(const std::vector<Bytes>& parts, size_t from = 0, size_t to = SIZE_MAX) {
  // Sized once: grown chunk by chunk, the copies and fresh pages of every
  // regrowth were most of a sweep's time under the sanitizers.
  size_t total = 0;
  for (size_t i = from; i < parts.size() && i < to; ++i) total += parts[i].size();
  Bytes out;
  out.reserve(total);
  for (size_t i = from; i < parts.size() && i < to; ++i) out.insert(out.end(), parts[i].begin(), parts[i].end());
  return out;
}

inline std::vector<Bytes> OutputChunks(const OutputLayout& l, int stream) {
  std::vector<Bytes> out;
  for (size_t i = 0; i < l.index.size(); ++i)
    if (StreamOfCkid(l.index[i].ckid) == stream) out.push_back(l.chunkData[i]);
  return out;
}

// Checks that the outputs hold exactly what a split at first.videoEntries
// (and, for the second file, V - second.videoEntries) must give: whole video
// frames starting on key frames, audio cut at the sample block the video
// time gives, every other stream in whole chunks. Either output may be null.
inline void CheckAgainstSource(const std::string& sourcePath, const OutputLayout* first,
                               const OutputLayout* second) {
  auto an = Analyse(sourcePath);
  const AviAnalysis& a = an->analysis;
  Bytes src = ReadBytes(sourcePath);
  const int v = a.firstVideoStream;
  std::vector<uint32_t> vflags;
  std::vector<Bytes> video = SourceChunks(src, a, v, &vflags);
  const uint32_t V = uint32_t(video.size());
  const uint32_t U = GetU32(src, a.microSecPerFrameOffset);
  uint32_t splitFrame = first ? first->videoEntries : 0;
  uint32_t secondStart = second ? V - second->videoEntries : 0;
  if (first) {
    ASSERT_LT(splitFrame, V);
    EXPECT_TRUE(vflags[splitFrame] & kKeyFrameFlag) << "the first file ends before a key frame";
  }
  if (second) {
    EXPECT_TRUE(vflags[secondStart] & kKeyFrameFlag) << "the second file begins on a key frame";
  }
  for (uint32_t s = 0; s < a.streamCount; ++s) {
    SCOPED_TRACE("stream " + std::to_string(s));
    std::vector<Bytes> chunks = SourceChunks(src, a, int(s));
    const StreamEntry& st = a.streams[s];
    for (int part = 0; part < 2; ++part) {
      const OutputLayout* out = part == 0 ? first : second;
      if (!out) continue;
      std::vector<Bytes> got = OutputChunks(*out, int(s));
      uint32_t frames = part == 0 ? splitFrame : secondStart;
      if (int(s) == v) {
        ASSERT_EQ(Concat(got), part == 0 ? Concat(video, 0, splitFrame) : Concat(video, secondStart));
      } else if (st.type == StreamAudio) {
        Bytes all = Concat(chunks);
        uint32_t block = GetU32(src, st.sampleSizeOffset);
        uint64_t cut = SamplesAt(U, frames, st.rate) * block;
        if (cut > all.size()) cut = all.size();
        Bytes want = part == 0 ? Bytes(all.begin(), all.begin() + cut) : Bytes(all.begin() + cut, all.end());
        const Bytes gotAll = Concat(got);
        ASSERT_EQ(gotAll.size(), want.size()) << "audio bytes in output " << part + 1;
        ASSERT_TRUE(gotAll == want) << "audio data in output " << part + 1;
      } else {
        size_t n = st.idx1EntryCount;
        size_t k = size_t(std::trunc(double(n) * double(frames) / double(V)));
        ASSERT_TRUE(Concat(got) == (part == 0 ? Concat(chunks, 0, k) : Concat(chunks, k)));
      }
    }
  }
}

}  // namespace splittest
