// The join job on crafted files: every chunk of every input in order with
// its flags, the header's counts made true, the one-format refusals, an
// output that names an input, damaged inputs; and the merge of many pieces
// of one recording whose sound was cut at absolute sample positions (NTSC
// frame times, so that every cut rounds), back to the recording's video
// chunks and PCM bytes.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>

#include "job/native_sink.h"
#include "merge/merge_many.h"
#include "tests/native/avi_builder.h"
#include "tests/native/odml_builder.h"
#include "tests/native/test_split_support.h"

using avitest::AviLayout;
using avitest::Bytes;
using avitest::ChunkLayout;
using avitest::GetU32;
using avitest::SetU32;

namespace {

struct Run {
  NativeSink host;
  JoinOutcome outcome;
};

std::unique_ptr<Run> RunJoin(const std::vector<std::string>& inputs, const std::string& output = "",
                             bool dropOverlaps = false, bool english = true) {
  auto run = std::make_unique<Run>();
  run->host.englishUi = english ? 1 : 0;
  JoinJobRequest request;
  request.inputs = inputs;
  request.output = output;
  request.dropOverlaps = dropOverlaps;
  run->outcome = JoinOrMergeJob(request, run->host);
  return run;
}

// Every stream chunk of a file in index order, and the analysis.
struct Read {
  Bytes bytes;
  std::unique_ptr<splittest::Analysed> analysed;
  const AviAnalysis& a() const { return analysed->analysis; }
  std::vector<Bytes> Chunks(int stream, std::vector<uint32_t>* flags = nullptr) const {
    return splittest::SourceChunks(bytes, a(), stream, flags);
  }
};
Read ReadFile(const std::string& path) {
  Read r;
  r.bytes = splittest::ReadBytes(path);
  r.analysed = splittest::Analyse(path);
  return r;
}

// The clip with audioRate Hz 16-bit stereo PCM in one chunk per frame.
AviLayout Clip(int frames, uint32_t microSecPerFrame, uint32_t audioRate, uint32_t videoBuffer) {
  AviLayout layout = avitest::SimpleClip(frames, 12, 0);
  layout.microSecPerFrame = microSecPerFrame;
  layout.streams[0].suggestedBufferSize = videoBuffer;
  layout.streams[0].rate = uint32_t(1000000.0 / microSecPerFrame + 0.5);
  layout.streams.resize(1);  // the video alone
  avitest::StreamLayout audio;
  audio.type = "auds";
  audio.handler = std::string("\0\0\0\0", 4);
  audio.rate = audioRate;
  audio.samplesPerSec = audioRate;
  audio.sampleSize = 4;
  const uint32_t perFrame = uint32_t(audioRate * (microSecPerFrame / 1e6)) * 4 + 12;  // chunks never align with frames
  audio.suggestedBufferSize = perFrame * 2;
  layout.streams.push_back(audio);
  AviLayout out = layout;
  out.chunks.clear();
  int frame = 0;
  for (const ChunkLayout& c : layout.chunks) {
    out.chunks.push_back(c);
    out.chunks.push_back({1, perFrame, true, uint8_t(frame * 7)});
    ++frame;
  }
  return out;
}

void WriteLayout(const std::string& path, const AviLayout& layout) {
  ASSERT_TRUE(avitest::WriteFile(path, avitest::BuildAvi(layout)));
}

// Checks the joined file against its inputs: every stream's chunks and key
// flags are the inputs' one after the other, the header's counts are true
// and everything else in it is the first input's.
void CheckJoined(const std::string& joined, const std::vector<std::string>& inputs) {
  const Read out = ReadFile(joined);
  splittest::OutputLayout layout;
  splittest::CheckOutput(out.bytes, &layout);
  std::vector<Read> in;
  for (const std::string& path : inputs) in.push_back(ReadFile(path));
  const AviAnalysis& a = in[0].a();
  ASSERT_EQ(out.a().streamCount, a.streamCount);
  for (uint32_t s = 0; s < a.streamCount; ++s) {
    std::vector<Bytes> want;
    std::vector<uint32_t> wantFlags, gotFlags;
    for (const Read& r : in) {
      std::vector<uint32_t> flags;
      for (Bytes& c : r.Chunks(int(s), &flags)) want.push_back(std::move(c));
      wantFlags.insert(wantFlags.end(), flags.begin(), flags.end());
    }
    const std::vector<Bytes> got = out.Chunks(int(s), &gotFlags);
    EXPECT_TRUE(got == want) << "stream " << s << ": " << got.size() << " chunks, want " << want.size();
    EXPECT_EQ(gotFlags, wantFlags) << "stream " << s;
    uint32_t largest = 0;
    uint64_t bytes = 0;
    for (const Bytes& c : want) largest = std::max(largest, uint32_t(c.size())), bytes += c.size();
    EXPECT_GE(GetU32(out.bytes, a.streams[s].suggestedBufferSizeOffset), largest) << "stream " << s;
    const uint32_t length = GetU32(out.bytes, a.streams[s].lengthOffset);
    if (int(s) == a.firstVideoStream) {
      EXPECT_EQ(length, want.size());
      EXPECT_EQ(GetU32(out.bytes, a.totalFramesOffset), want.size());
    } else if (a.streams[s].type == StreamAudio) {
      EXPECT_EQ(length, bytes / GetU32(in[0].bytes, a.streams[s].sampleSizeOffset));
    }
  }
  for (uint64_t at = 8; at < a.moviOffset - 4; ++at) {
    bool patched = at - a.totalFramesOffset < 4;
    for (uint32_t s = 0; s < a.streamCount; ++s)
      patched |= at - a.streams[s].lengthOffset < 4 || at - a.streams[s].suggestedBufferSizeOffset < 4;
    if (!patched && out.bytes[at] != in[0].bytes[at]) {
      ADD_FAILURE() << "header byte " << at << " is not the first input's";
      break;
    }
  }
}

TEST(Join, ThreeRecordingsComeOneAfterTheOtherWithTrueCounts) {
  const std::string dir = splittest::FreshDir("join_three");
  // Per-file figures differ: buffer sizes (one too small for its chunks), lengths.
  const std::vector<std::string> inputs = {dir + "a.avi", dir + "b.avi", dir + "c.avi"};
  WriteLayout(inputs[0], Clip(30, 40000, 44100, 400));
  WriteLayout(inputs[1], Clip(17, 40000, 44100, 9000));
  WriteLayout(inputs[2], Clip(25, 40000, 44100, 1000));
  auto run = RunJoin(inputs);
  ASSERT_EQ(run->outcome.Number(), 0) << run->outcome.message << " / " << run->outcome.detail;
  EXPECT_EQ(run->outcome.written, dir + "a-j.avi");
  EXPECT_EQ(run->outcome.frames, 72u);
  EXPECT_NEAR(run->outcome.seconds, 72 * 0.04, 1e-9);
  EXPECT_EQ(run->outcome.bytes, splittest::ReadBytes(dir + "a-j.avi").size());
  CheckJoined(dir + "a-j.avi", inputs);
  EXPECT_EQ(splittest::FilesIn(dir), (std::vector<std::string>{"a-j.avi", "a.avi", "b.avi", "c.avi"}));
  EXPECT_NE(run->host.LastMessage().find("3 files"), std::string::npos) << run->host.LastMessage();

  // The same file joined to itself; the default name steps past an input's.
  ASSERT_EQ(std::rename((dir + "c.avi").c_str(), (dir + "b-j.avi").c_str()), 0);
  auto again = RunJoin({dir + "b.avi", dir + "b.avi", dir + "b-j.avi"});
  ASSERT_EQ(again->outcome.Number(), 0) << again->outcome.detail;
  EXPECT_EQ(again->outcome.written, dir + "b-j2.avi");
  CheckJoined(dir + "b-j2.avi", {dir + "b.avi", dir + "b.avi", dir + "b-j.avi"});
}

TEST(Join, FilesOfAnotherFormatAreRefusedNamingFileAndDifference) {
  struct Case {
    const char* what;
    std::function<void(AviLayout&)> change;
    std::function<void(Bytes&)> patch;
    const char* english;
    const char* japanese;
  };
  const std::vector<Case> cases = {
      {"codec", [](AviLayout& l) { l.streams[0].handler = "MJPG"; }, nullptr, "stream 0: codec MJPG/0, the first file has DIB/0",
       "ストリーム0: コーデック MJPG/0（最初のファイルは DIB/0）"},
      {"sample rate", [](AviLayout& l) { l.streams[1].samplesPerSec = 48000; }, nullptr,
       "stream 1: sample rate 48000 Hz, the first file has 44100 Hz", "ストリーム1: サンプリングレート 48000 Hz（最初のファイルは 44100 Hz）"},
      {"channels", [](AviLayout& l) { l.streams[1].channels = 1; }, nullptr, "stream 1: channels 1, the first file has 2",
       "ストリーム1: チャンネル数 1（最初のファイルは 2）"},
      {"frame rate", [](AviLayout& l) { l.streams[0].rate = 30; }, nullptr, "frame rate 30/1, the first file has 25/1",
       "フレームレート 30/1（最初のファイルは 25/1）"},
      {"stream count", [](AviLayout& l) {
         l.streams.pop_back();
         l.chunks.erase(std::remove_if(l.chunks.begin(), l.chunks.end(), [](const ChunkLayout& c) { return c.stream == 1; }),
                        l.chunks.end());
       }, nullptr, "1 streams, the first file has 2", "ストリーム数 1（最初のファイルは 2）"},
      {"frame size", nullptr,
       [](Bytes& b) {
         for (size_t at = 0; at + 20 < b.size(); ++at)
           if (GetU32(b, at) == avitest::GetU32(Bytes{'s', 't', 'r', 'f'}, 0)) {
             SetU32(b, at + 12, 640);
             SetU32(b, at + 16, 480);
             break;
           }
       },
       "frame size 640x480, the first file has 160x120", "フレームサイズ 640x480（最初のファイルは 160x120）"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dir = splittest::FreshDir("join_format");
    AviLayout other = Clip(20, 40000, 44100, 4000);
    if (c.change) c.change(other);
    Bytes bytes = avitest::BuildAvi(other);
    if (c.patch) c.patch(bytes);
    WriteLayout(dir + "first.avi", Clip(20, 40000, 44100, 4000));
    ASSERT_TRUE(avitest::WriteFile(dir + "second.avi", bytes));
    for (bool english : {true, false}) {
      auto run = RunJoin({dir + "first.avi", dir + "first.avi", dir + "second.avi"}, dir + "out.avi", false, english);
      EXPECT_EQ(run->outcome.result, JoinJobResult::FormatDiffers);
      EXPECT_NE(run->outcome.Number(), 0);
      EXPECT_EQ(run->outcome.detail, dir + "second.avi: " + c.english);
      EXPECT_NE(run->outcome.message.find(dir + "second.avi: " + (english ? c.english : c.japanese)), std::string::npos)
          << run->outcome.message;
      EXPECT_TRUE(run->outcome.written.empty());
    }
    EXPECT_EQ(splittest::FilesIn(dir), (std::vector<std::string>{"first.avi", "second.avi"}));
  }
}

TEST(Join, OutputNamingAnInputAndDamagedInputsAreRefusedBeforeWriting) {
  const std::string dir = splittest::FreshDir("join_refused");
  WriteLayout(dir + "a.avi", Clip(20, 40000, 44100, 4000));
  WriteLayout(dir + "b.avi", Clip(20, 40000, 44100, 4000));
  const Bytes before = splittest::ReadBytes(dir + "b.avi");
  ASSERT_EQ(symlink((dir + "b.avi").c_str(), (dir + "link.avi").c_str()), 0);
  for (const std::string& output : {dir + "b.avi", dir + "link.avi"}) {
    auto run = RunJoin({dir + "a.avi", dir + "b.avi"}, output);
    EXPECT_EQ(run->outcome.result, JoinJobResult::NameIsInput) << output;
    EXPECT_NE(run->outcome.Number(), 0);
    EXPECT_NE(run->outcome.detail.find("names the input"), std::string::npos) << run->outcome.detail;
  }
  EXPECT_EQ(splittest::ReadBytes(dir + "b.avi"), before);

  // A recording cut short inside movi, one without idx1, one whose index
  // names chunks past its end.
  Bytes whole = avitest::BuildAvi(Clip(20, 40000, 44100, 4000));
  ASSERT_TRUE(avitest::WriteFile(dir + "short.avi", Bytes(whole.begin(), whole.begin() + whole.size() / 2)));
  AviLayout noIndex = Clip(20, 40000, 44100, 4000);
  noIndex.writeIndex = false;
  WriteLayout(dir + "noindex.avi", noIndex);
  Bytes beyond = whole;
  const size_t idx1 = beyond.size() - 8 - 16 * 40;
  ASSERT_EQ(GetU32(beyond, idx1), avitest::GetU32(Bytes{'i', 'd', 'x', '1'}, 0));
  SetU32(beyond, idx1 + 8 + 16 * 39 + 8, uint32_t(beyond.size()));  // the last entry's offset
  ASSERT_TRUE(avitest::WriteFile(dir + "beyond.avi", beyond));
  const std::vector<std::pair<std::string, std::string>> damaged = {
      {"short.avi", "cut short"}, {"noindex.avi", "no index"}, {"beyond.avi", "beyond the end"}};
  for (const auto& [name, why] : damaged) {
    auto run = RunJoin({dir + "a.avi", dir + name}, dir + "out.avi");
    EXPECT_EQ(run->outcome.result, JoinJobResult::Damaged) << name;
    EXPECT_NE(run->outcome.detail.find(dir + name + ": "), std::string::npos) << run->outcome.detail;
    EXPECT_NE(run->outcome.detail.find(why), std::string::npos) << run->outcome.detail;
    EXPECT_FALSE(splittest::Exists(dir + "out.avi"));
  }
  auto one = RunJoin({dir + "a.avi"});
  EXPECT_EQ(one->outcome.result, JoinJobResult::TooFewInputs);
  EXPECT_EQ(splittest::FilesIn(dir).size(), 6u);
}

TEST(Join, OpenDmlAndVersionOneInputsJoin) {
  const std::string dir = splittest::FreshDir("join_odml");
  const AviLayout odml = Clip(40, 40000, 44100, 8000), plain = Clip(30, 40000, 44100, 8000);
  const avitest::BuiltOdml built = avitest::BuildOdml(avitest::FfmpegLike(odml, {40}));  // an AVIX from frame 20
  ASSERT_TRUE(avitest::WriteFile(dir + "a.avi", built.bytes));
  WriteLayout(dir + "b.avi", plain);
  auto run = RunJoin({dir + "a.avi", dir + "b.avi", dir + "a.avi"}, dir + "ab.avi");
  ASSERT_EQ(run->outcome.Number(), 0) << run->outcome.detail;
  const Read out = ReadFile(dir + "ab.avi");
  splittest::OutputLayout layout;
  splittest::CheckOutput(out.bytes, &layout);
  for (int s = 0; s < 2; ++s) {
    std::vector<Bytes> want;
    for (const AviLayout* l : {&odml, &plain, &odml})
      for (const ChunkLayout& c : l->chunks)
        if (c.stream == s) want.push_back(avitest::ChunkData(c));
    EXPECT_TRUE(out.Chunks(s) == want) << "stream " << s;
  }
  EXPECT_EQ(GetU32(out.bytes, out.a().totalFramesOffset), 110u);
}

// Counts the process's open files whenever the job asks about Cancel.
class CountingSink : public NativeSink {
 public:
  static int OpenFiles() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
      while (readdir(d)) ++n;
      closedir(d);
    }
    return n;
  }
  bool Cancelled() const override {
    mostOpen = std::max(mostOpen, OpenFiles());
    return NativeSink::Cancelled();
  }
  mutable int mostOpen = 0;
};

TEST(Join, HundredsOfInputsKeepOnlyAFewFilesOpen) {
  const std::string dir = splittest::FreshDir("join_many");
  const Bytes clip = avitest::BuildAvi(Clip(30, 40000, 8000, 4000));
  JoinJobRequest request;
  for (int i = 0; i < 150; ++i) {
    request.inputs.push_back(dir + "p" + std::to_string(i) + ".avi");
    ASSERT_TRUE(avitest::WriteFile(request.inputs.back(), clip));
  }
  request.output = dir + "all.avi";
  CountingSink sink;
  const int before = CountingSink::OpenFiles();
  const JoinOutcome outcome = JoinJob(request, sink);
  ASSERT_EQ(outcome.Number(), 0) << outcome.detail;
  EXPECT_EQ(outcome.frames, 150u * 30);
  EXPECT_GT(sink.mostOpen, before);
  EXPECT_LE(sink.mostOpen - before, 8) << "files open at once while joining 150 inputs";
  const Read out = ReadFile(dir + "all.avi");
  EXPECT_EQ(out.Chunks(1).size(), 150u * 30);

  // Cancel while writing: the older joined file stays as it was, no other file is left.
  NativeSink cancelling;
  cancelling.onProgress = [&cancelling](const char* status, int) {
    if (std::string(status) == "File Creating") cancelling.cancelRequested = -2;
  };
  request.output = dir + "all.avi";
  const JoinOutcome cancelled = JoinJob(request, cancelling);
  EXPECT_EQ(cancelled.result, JoinJobResult::Cancelled);
  EXPECT_EQ(cancelled.Number(), -1);
  EXPECT_TRUE(cancelled.written.empty());
  EXPECT_EQ(splittest::FilesIn(dir).size(), 151u);
  EXPECT_TRUE(splittest::ReadBytes(dir + "all.avi") == out.bytes);
}

// The pieces a split into many makes of a clip: piece i holds frames
// [starts[i], ends[i]) (starts on key frames, each later piece starting
// before the one before ends) and the sound from the sample position of its
// first frame to that of its end frame, counted from the clip's start, the
// chunks at both cuts shortened.
std::vector<AviLayout> Pieces(const AviLayout& whole, const std::vector<int>& starts, const std::vector<int>& ends) {
  const double u = whole.microSecPerFrame;
  const uint32_t rate = whole.streams[1].rate, block = whole.streams[1].sampleSize;
  auto soundAt = [&](int frame) { return uint64_t(std::trunc(u * frame * 0.000001 * rate)) * block; };
  std::vector<AviLayout> pieces;
  for (size_t i = 0; i < starts.size(); ++i) {
    const int lastPiece = i + 1 == starts.size();
    AviLayout piece = whole;
    piece.chunks.clear();
    const uint64_t from = soundAt(starts[i]);
    const uint64_t to = lastPiece ? UINT64_MAX : soundAt(ends[i]);
    int frame = -1;
    uint64_t soundOffset = 0;
    for (const ChunkLayout& c : whole.chunks) {
      if (c.stream == 0) {
        ++frame;
        if (frame >= starts[i] && (lastPiece || frame < ends[i])) piece.chunks.push_back(c);
        continue;
      }
      const uint64_t begin = soundOffset, end = soundOffset + c.size;
      soundOffset = end;
      const uint64_t a = std::max(begin, from), b = std::min(end, to);
      if (a >= b) continue;
      ChunkLayout part = c;
      part.size = uint32_t(b - a);
      part.fill = uint8_t(c.fill + (a - begin));  // data byte k is fill + k
      piece.chunks.push_back(part);
    }
    for (auto& s : piece.streams) s.length = 0;
    pieces.push_back(piece);
  }
  return pieces;
}

TEST(JoinMerge, ManyPiecesCutAtAbsoluteSamplePositionsComeBackWhole) {
  const std::string dir = splittest::FreshDir("join_merge_many");
  // NTSC: 33367 us a frame at 48 kHz, so every cut's sample position rounds.
  const AviLayout whole = Clip(130, 33367, 48000, 4000);
  WriteLayout(dir + "whole.avi", whole);
  const std::vector<int> starts = {0, 24, 48, 84, 108};
  const std::vector<int> ends = {36, 60, 96, 120, 130};  // overlaps of 12 frames
  const std::vector<AviLayout> pieces = Pieces(whole, starts, ends);
  std::vector<std::string> paths;
  for (size_t i = 0; i < pieces.size(); ++i) {
    paths.push_back(dir + "whole-" + std::to_string(i + 1) + ".avi");
    WriteLayout(paths.back(), pieces[i]);
  }
  auto run = RunJoin(paths, "", true);
  ASSERT_EQ(run->outcome.Number(), 0) << run->outcome.message << " / " << run->outcome.detail;
  EXPECT_EQ(run->outcome.written, dir + "whole-m.avi");
  EXPECT_EQ(run->outcome.seamOverlapFrames, (std::vector<uint32_t>{12, 12, 12, 12}));
  EXPECT_EQ(run->outcome.frames, 130u);

  const Read original = ReadFile(dir + "whole.avi");
  const Read merged = ReadFile(dir + "whole-m.avi");
  splittest::OutputLayout layout;
  splittest::CheckOutput(merged.bytes, &layout);
  std::vector<uint32_t> wantFlags, gotFlags;
  EXPECT_TRUE(merged.Chunks(0, &gotFlags) == original.Chunks(0, &wantFlags)) << "video chunks";
  EXPECT_EQ(gotFlags, wantFlags);
  EXPECT_TRUE(splittest::Concat(merged.Chunks(1)) == splittest::Concat(original.Chunks(1))) << "PCM bytes";
  // Each seam's chunk is the original chunk again.
  EXPECT_EQ(merged.Chunks(1).size(), original.Chunks(1).size());
}

}  // namespace
