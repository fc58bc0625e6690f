// The split into many pieces: every piece a sound file that begins with a
// key frame, the seams where the two-way split would cut, and the pieces
// together the original again (video chunks and key flags, PCM bytes).
#include <gtest/gtest.h>

#include <sstream>

#include "avi/odml_reader.h"
#include "pieces/piece_plan.h"
#include "pieces/pieces_job.h"
#include "split/size_split.h"
#include "share/share_math.h"
#include "tests/native/odml_builder.h"
#include "tests/native/sample_list.h"
#include "tests/native/test_split_support.h"

using namespace avitest;
using namespace splittest;

namespace {

struct PiecesRun {
  NativeSink host;
  PiecesOutcome outcome;
};

std::unique_ptr<PiecesRun> RunPieces(const std::string& path, PiecesBy by, const std::string& value,
                                     const std::string& overlap = "", bool english = true,
                                     const std::function<void(PiecesRun&)>& hook = {}) {
  auto run = std::make_unique<PiecesRun>();
  run->host.englishUi = english ? 1 : 0;
  if (hook) hook(*run);
  PiecesRequest request;
  request.path = path;
  request.by = by;
  (by == PiecesBy::Every ? request.everySeconds : request.sizeMegabytes) = value;
  request.overlap = overlap;
  run->outcome = SplitPiecesJob(request, run->host);
  return run;
}

// Video at 25 fps, a key frame every gop frames, PCM in chunks of audioChunk
// bytes keeping pace with the video (chunks larger than a frame's share
// straddle several cuts), odd video sizes among them.
AviLayout Clip(int frames, int gop, uint32_t audioChunk) {
  AviLayout layout = SimpleClip(0, gop, 0);
  uint64_t audio = 0;
  int n = 0;
  for (int f = 0; f < frames; ++f) {
    layout.chunks.push_back({0, uint32_t(500 + (f * 37) % 301), f % gop == 0, uint8_t(n++)});
    while (audio < uint64_t(f + 1) * 7056) {
      layout.chunks.push_back({1, audioChunk, true, uint8_t(n++)});
      audio += audioChunk;
    }
  }
  return layout;
}

std::string Put(const std::string& dir, const Bytes& bytes, const std::string& name = "clip.avi") {
  EXPECT_TRUE(WriteFile(dir + name, bytes));
  return dir + name;
}

// Checks every written piece as a file of its own and that, each overlap
// dropped, the pieces give back the source's video chunks with their key
// flags and its PCM audio byte for byte (other audio and streams: whole
// chunks, so only checked to begin and end in order).
void CheckPieces(const std::string& source, const PiecesOutcome& outcome, bool probe = false, bool mp3 = false) {
  auto an = Analyse(source);
  const AviAnalysis& a = an->analysis;
  const Bytes src = ReadBytes(source);
  const int v = a.firstVideoStream;
  const uint32_t U = GetU32(src, a.microSecPerFrameOffset);
  std::vector<uint32_t> flags;
  const std::vector<Bytes> video = SourceChunks(src, a, v, &flags);
  ASSERT_GE(outcome.pieces.size(), 2u);
  std::vector<Bytes> joinedVideo;
  std::vector<uint32_t> joinedFlags;
  Bytes joinedAudio[kMaxStreams];
  uint32_t nextFrame = 0;
  for (size_t j = 0; j < outcome.pieces.size(); ++j) {
    const PieceFigures& p = outcome.pieces[j];
    SCOPED_TRACE(p.name);
    const Bytes bytes = ReadBytes(p.name);
    ASSERT_EQ(bytes.size(), p.bytes);
    OutputLayout l;
    CheckOutput(bytes, &l, v);
    if (testing::Test::HasFatalFailure()) return;
    ASSERT_EQ(l.videoEntries, p.frames);
    EXPECT_EQ(GetU32(bytes, a.totalFramesOffset), p.frames) << "dwTotalFrames";
    EXPECT_EQ(GetU32(bytes, a.streams[v].lengthOffset), p.frames) << "video dwLength";
    ASSERT_LE(p.firstFrame, nextFrame) << "no frame is left out";
    if (j > 0) {
      ASSERT_GT(p.firstFrame, outcome.pieces[j - 1].firstFrame);
    }
    EXPECT_EQ(p.firstFrame + p.frames == video.size(), j + 1 == outcome.pieces.size());
    // The piece's own first video chunk is a key frame.
    for (size_t i = 0; i < l.index.size(); ++i)
      if (StreamOfCkid(l.index[i].ckid) == v) {
        EXPECT_TRUE(l.index[i].flags & kKeyFrameFlag) << "begins with a key frame";
        break;
      }
    const std::vector<Bytes> got = OutputChunks(l, v);
    std::vector<uint32_t> gotFlags;
    for (const IndexItem& it : l.index)
      if (StreamOfCkid(it.ckid) == v) gotFlags.push_back(it.flags);
    for (uint32_t f = nextFrame - p.firstFrame; f < got.size(); ++f) {
      joinedVideo.push_back(got[f]);
      joinedFlags.push_back(gotFlags[f]);
    }
    for (uint32_t s = 0; s < a.streamCount; ++s) {
      const StreamEntry& st = a.streams[s];
      if (st.type != StreamAudio) continue;
      const uint32_t block = GetU32(src, st.sampleSizeOffset);
      auto position = [&](uint32_t frame) {
        return SamplesAt(U, frame, st.rate) * block;
      };
      const Bytes audio = Concat(OutputChunks(l, int(s)));
      if (j + 1 < outcome.pieces.size()) {
        EXPECT_EQ(audio.size(), position(p.firstFrame + p.frames) - position(p.firstFrame)) << "stream " << s;
        EXPECT_EQ(GetU32(bytes, st.lengthOffset) * uint64_t(block), audio.size()) << "audio dwLength";
      }
      const uint64_t overlap = position(nextFrame) - position(p.firstFrame);
      ASSERT_LE(overlap, audio.size());
      joinedAudio[s].insert(joinedAudio[s].end(), audio.begin() + overlap, audio.end());
    }
    nextFrame = p.firstFrame + p.frames;
    // The first, a middle and the last piece are probed: their seams are alike.
    if (probe && (j <= 1 || j + 1 == outcome.pieces.size())) {
      // A piece that begins or ends inside an MP3 frame makes the decoder say
      // "Header missing" once and resynchronise: nothing else may be said.
      std::string errors, line;
      std::stringstream lines(Ffprobe(p.name).errors);
      while (std::getline(lines, line))
        if (!(mp3 && line.find("mp3") != std::string::npos && line.find("Header missing") != std::string::npos))
          errors += line + "\n";
      EXPECT_EQ(errors, "") << "ffprobe";
    }
  }
  ASSERT_EQ(joinedVideo.size(), video.size());
  EXPECT_TRUE(joinedVideo == video) << "video chunks";
  EXPECT_TRUE(joinedFlags == flags) << "key flags";
  for (uint32_t s = 0; s < a.streamCount; ++s)
    if (a.streams[s].type == StreamAudio) {
      EXPECT_TRUE(joinedAudio[s] == Concat(SourceChunks(src, a, int(s)))) << "audio of stream " << s;
    }
}

void Rename(const std::string& from, const std::string& to) { ASSERT_EQ(std::rename(from.c_str(), to.c_str()), 0); }

}  // namespace

TEST(Pieces, EveryTimeWithAndWithoutOverlapGivesTheOriginalBack) {
  const std::string dir = FreshDir("pieces_every");
  // Audio chunks of 4608 bytes (cut inside at every seam) and of 30000
  // (one chunk may hold both ends of a piece's sound).
  for (uint32_t chunk : {4608u, 30000u}) {
    const std::string clip = Put(dir, BuildAvi(Clip(300, 12, chunk)));  // 12 s
    for (const char* overlap : {"", "0.5", "0.9"}) {
      SCOPED_TRACE(std::to_string(chunk) + " / overlap " + overlap);
      auto run = RunPieces(clip, PiecesBy::Every, "1.1", overlap);
      ASSERT_EQ(run->outcome.Number(), 0) << run->outcome.message << run->outcome.detail;
      EXPECT_EQ(run->outcome.message.substr(0, 9), "Completed");
      ASSERT_EQ(run->outcome.pieces.size(), 11u);
      // Piece j ends at the first key frame at or after j x 1.1 s: frames 36, 60, 84, ...
      EXPECT_EQ(run->outcome.pieces[0].frames, 36u);
      EXPECT_EQ(run->outcome.pieces[1].firstFrame + run->outcome.pieces[1].frames, 60u);
      CheckPieces(clip, run->outcome);
      EXPECT_EQ(FilesIn(dir).size(), 12u) << "the input and the pieces, nothing else";
      for (const PieceFigures& p : run->outcome.pieces) std::remove(p.name.c_str());
    }
  }
}

// A length shorter than a key-frame group gives a piece per group.
TEST(Pieces, EveryKeyFrameGroupAtMost) {
  const std::string dir = FreshDir("pieces_groups");
  const std::string clip = Put(dir, BuildAvi(Clip(300, 12, 4608)));
  for (const char* every : {"0.001", "0.3"}) {
    auto run = RunPieces(clip, PiecesBy::Every, every);
    ASSERT_EQ(run->outcome.Number(), 0) << run->outcome.message;
    ASSERT_EQ(run->outcome.pieces.size(), 25u);
    for (size_t j = 0; j < 25; ++j) EXPECT_EQ(run->outcome.pieces[j].firstFrame, 12 * j);
    CheckPieces(clip, run->outcome);
  }
}

// The first seam is the two-way split's cut at the same time: the first
// piece is its first file, byte for byte; with two pieces, both are.
TEST(Pieces, SeamsAreTheTwoWaySplitsCuts) {
  const std::string dir = FreshDir("pieces_seams");
  const std::string clip = Put(dir, BuildAvi(Clip(300, 12, 4608)));
  struct {
    const char* every;
    const char* overlap;
  } cases[] = {{"2.3", ""}, {"2.3", "1"}, {"7", "2.5"}, {"4.44", "0.04"}};
  for (auto& c : cases) {
    SCOPED_TRACE(std::string(c.every) + " / " + c.overlap);
    SplitFields f;
    f.file = clip;
    f.seconds = c.every;
    f.overlap = c.overlap;
    auto two = RunSplitJob(f);
    ASSERT_EQ(two->result, 0) << two->message();
    Rename(dir + "clip-1.avi", dir + "two-1.avi");
    Rename(dir + "clip-2.avi", dir + "two-2.avi");
    auto run = RunPieces(clip, PiecesBy::Every, c.every, c.overlap);
    ASSERT_EQ(run->outcome.Number(), 0) << run->outcome.message;
    const auto& pieces = run->outcome.pieces;
    EXPECT_TRUE(ReadBytes(pieces[0].name) == ReadBytes(dir + "two-1.avi"));
    EXPECT_EQ(pieces[1].firstFrame, two->outcome.figures.secondStartFrame);
    if (pieces.size() == 2) {
      EXPECT_TRUE(ReadBytes(pieces[1].name) == ReadBytes(dir + "two-2.avi"));
    }
    // Every later seam is the two-way cut at that piece's end too.
    auto an = Analyse(clip);
    for (size_t j = 1; j + 1 < pieces.size(); ++j) {
      SplitPlan plan;
      ASSERT_EQ(PlanSplitAtFrame(an->Source(), pieces[j].firstFrame + pieces[j].frames, LeadingDecimal(c.overlap), plan),
                SplitResult::Completed);
      EXPECT_EQ(plan.splitFrame, pieces[j].firstFrame + pieces[j].frames);
      EXPECT_EQ(plan.secondStartFrame, pieces[j + 1].firstFrame);
    }
  }
}

TEST(Pieces, BySizeEveryPieceFitsAndTheFirstIsTheSizeSplits) {
  const std::string dir = FreshDir("pieces_size");
  const std::string clip = Put(dir, BuildAvi(Clip(600, 25, 4608)));  // about 4.6 MB
  for (const char* overlap : {"", "1.5"}) {
    SCOPED_TRACE(std::string("overlap ") + overlap);
    SplitRequest two;
    two.path = clip;
    two.by = SplitBy::Size;
    two.sizeMegabytes = "0.6";
    two.overlap = overlap;
    NativeSink host;
    ASSERT_EQ(RunSizeSplit(two, host).Number(), 0) << host.LastMessage();
    Rename(dir + "clip-1.avi", dir + "two-1.avi");
    std::remove((dir + "clip-2.avi").c_str());

    auto run = RunPieces(clip, PiecesBy::Size, "0.6", overlap);
    ASSERT_EQ(run->outcome.Number(), 0) << run->outcome.message << run->outcome.detail;
    EXPECT_GE(run->outcome.pieces.size(), 8u);
    for (const PieceFigures& p : run->outcome.pieces) EXPECT_LE(p.bytes, uint64_t(0.6 * 1048576));
    EXPECT_TRUE(ReadBytes(run->outcome.pieces[0].name) == ReadBytes(dir + "two-1.avi"));
    // Each piece but the last would not fit with one more key-frame group
    // (25 frames: their video chunks and index entries, 25 x 7056 sound bytes).
    auto an = Analyse(clip);
    const std::vector<Bytes> video = SourceChunks(ReadBytes(clip), an->analysis, 0);
    const auto& pieces = run->outcome.pieces;
    for (size_t j = 0; j + 1 < pieces.size(); ++j) {
      const uint32_t end = pieces[j].firstFrame + pieces[j].frames;
      EXPECT_EQ(end % 25, 0u);
      uint64_t more = 25 * 7056 - 1;
      for (uint32_t f = end; f < end + 25 && f < video.size(); ++f) more += 8 + video[f].size() + (video[f].size() & 1) + 16;
      EXPECT_GT(pieces[j].bytes + more, uint64_t(0.6 * 1048576)) << "piece " << j + 1;
    }
    CheckPieces(clip, run->outcome);
    for (const PieceFigures& p : run->outcome.pieces) std::remove(p.name.c_str());
  }
}

TEST(Pieces, RefusalsWriteNothingAndSayWhy) {
  const std::string dir = FreshDir("pieces_refusals");
  const std::string clip = Put(dir, BuildAvi(Clip(300, 100, 4608)));  // key frames at 0, 4 and 8 s
  Put(dir, Bytes{1, 2, 3}, "clip-1.avi");  // an earlier file that must stay
  struct {
    PiecesBy by;
    const char* value;
    const char* overlap;
    int32_t number;
    const char* english;
    const char* japanese;
  } cases[] = {
      {PiecesBy::Every, "1", "x", -1, "[Overlap] bad value", "「オーバーラップ」入力値に誤りがあります"},
      {PiecesBy::Every, "1", "61", -2, "[Overlap] bad value(0-60)", "「オーバーラップ」入力値に誤りがあります(0-60)"},
      {PiecesBy::Every, "-1", "", -7, "[sec] bad value", "「秒」入力値に誤りがあります"},
      {PiecesBy::Every, "0", "", -8, "[Time] bad value", "「時間指定」の入力値に誤りがあります"},
      {PiecesBy::Every, "12", "", 100, "[Time] is too long", "「時間指定」値が長すぎます"},
      {PiecesBy::Every, "8.5", "", 9, "Can't Split at [Time]", "「時間指定」値で分解できません"},
      {PiecesBy::Every, "4", "3", 24, "Can't Split at [Overlap]", "指定「オーバーラップ」値で分解できません"},
      {PiecesBy::Every, "4", "8", 23, "[Overlap] is too long", "「オーバーラップ」値が長すぎます"},
      {PiecesBy::Size, "abc", "", 32, "[File size] bad value", "「サイズ指定」入力値に誤りがあります"},
      {PiecesBy::Size, "100", "", 30, "File already fits in [File size]", "ファイルは既に「サイズ指定」値以内です"},
  };
  for (auto& c : cases) {
    for (bool english : {true, false}) {
      SCOPED_TRACE(std::string(c.value) + " / " + c.overlap + (english ? " en" : " ja"));
      auto run = RunPieces(clip, c.by, c.value, c.overlap, english);
      EXPECT_EQ(run->outcome.Number(), c.number);
      EXPECT_EQ(run->outcome.message, english ? c.english : c.japanese);
      EXPECT_TRUE(run->outcome.pieces.empty());
      EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"clip-1.avi", "clip.avi"}));
    }
  }
  // A key-frame group larger than the limit: refused, naming where.
  for (bool english : {true, false}) {
    auto run = RunPieces(clip, PiecesBy::Size, "0.3", "", english);
    EXPECT_EQ(run->outcome.Number(), 31);
    EXPECT_NE(run->outcome.message.find(english ? "[File size] is too small\n\nFrames 0 to 99 (0.000 s to 4.000 s) take"
                                                : "「サイズ指定」値が小さすぎます\n\nフレーム 0～99（0.000 秒～4.000 秒）は"),
              std::string::npos)
        << run->outcome.message;
    EXPECT_NE(run->outcome.detail.find("frames 0 to 99"), std::string::npos) << run->outcome.detail;
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"clip-1.avi", "clip.avi"}));
  }
  // The input's structure: the split's reasons.
  const std::string bad = Put(dir, Bytes{'R', 'I', 'F', 'X', 0, 0, 0, 0}, "bad.avi");
  EXPECT_EQ(RunPieces(bad, PiecesBy::Every, "1")->outcome.Number(), -13);
  EXPECT_EQ(RunPieces(dir + "missing.avi", PiecesBy::Every, "1")->outcome.Number(), -9);
}

TEST(Pieces, CancelWhileWritingLeavesNothingAndEarlierFilesAsTheyWere) {
  const std::string dir = FreshDir("pieces_cancel");
  const std::string clip = Put(dir, BuildAvi(Clip(300, 12, 4608)));
  Put(dir, Bytes{9, 9, 9}, "clip-2.avi");
  auto run = RunPieces(clip, PiecesBy::Every, "1", "", true, [](PiecesRun& r) {
    r.host.onProgress = [&r](const char*, int cells) {
      if (cells > 60) r.host.cancelRequested = 1;
    };
  });
  EXPECT_EQ(run->outcome.Number(), -1);
  EXPECT_EQ(run->outcome.result, SplitResult::Cancelled);
  EXPECT_TRUE(run->outcome.pieces.empty());
  EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"clip-2.avi", "clip.avi"}));
  EXPECT_TRUE(ReadBytes(dir + "clip-2.avi") == (Bytes{9, 9, 9}));
}

TEST(Pieces, RecGroupsAreCutAtGroupStartsIntoFlatPieces) {
  const std::string dir = FreshDir("pieces_rec");
  AviLayout layout = Clip(200, 10, 4608);
  layout.chunksPerRec = 3;
  const std::string clip = Put(dir, BuildAvi(layout));
  auto run = RunPieces(clip, PiecesBy::Every, "1.5", "0.5");
  ASSERT_EQ(run->outcome.Number(), 0) << run->outcome.message;
  CheckPieces(clip, run->outcome);
  // The first seam is the two-way split's, which honours the groups.
  SplitFields f;
  f.file = clip;
  f.seconds = "1.5";
  f.overlap = "0.5";
  Rename(run->outcome.pieces[0].name, dir + "piece-1.avi");
  auto two = RunSplitJob(f);
  ASSERT_EQ(two->result, 0);
  EXPECT_TRUE(ReadBytes(dir + "piece-1.avi") == ReadBytes(dir + "clip-1.avi"));
}

// Pieces past the OpenDML threshold (made tiny here) are planned by the
// size they have as OpenDML files, and written so.
TEST(Pieces, OpenDmlPiecesFitByTheirWrittenSize) {
  const std::string dir = FreshDir("pieces_odml");
  const std::string clip = Put(dir, BuildAvi(Clip(300, 12, 4608)));
  auto an = Analyse(clip);
  const OdmlLimits tiny{70000, 1 << 20, 1 << 20};
  const uint64_t limit = 300000;
  PiecesPlan plan;
  ASSERT_EQ(PlanPiecesBySize(an->Source(), limit, LeadingDecimal("0.5"), plan, tiny), SplitResult::Completed);
  ASSERT_GE(plan.pieces.size(), 7u);
  for (const Piece& p : plan.pieces) {
    MemoryOutput out;
    const ShareOutput share{&p.share, &out};
    ShareWriting how;
    how.stretch = p.stretch;
    how.odml = tiny;
    NativeSink sink;
    const WriteOutcome written = WriteShares(an->Source(), &share, 1, how, sink);
    ASSERT_EQ(written.result, WriteResult::Written) << written.problem;
    EXPECT_LE(out.bytes.size(), limit);
    EXPECT_EQ(out.bytes.size(), ShareWrittenBytes(an->Source(), p.share, p.stretch, tiny));
    if (p.plannedBytes >= tiny.riffThreshold) {
      ByteInput in;
      in.OpenMemory(out.bytes.data(), out.bytes.size());
      OdmlReader reader;
      EXPECT_TRUE(reader.Read(in, in.Size())) << DescribeOdmlFault(reader.Facts().fault, 1);
      EXPECT_TRUE(reader.Facts().hasSuperIndex);
    }
  }
}

// An OpenDML input is split as the version-1 file it stands for: the same
// pieces, byte for byte, as from its flattened twin.
TEST(Pieces, OpenDmlInputsGiveTheirFlattenedTwinsPieces) {
  const AviLayout clip = Clip(120, 12, 4608);
  const Bytes odml = BuildOdml(FfmpegLike(clip, {clip.chunks.size() / 3, clip.chunks.size() * 2 / 3})).bytes;
  std::string why;
  const Bytes flat = Flattened(odml, &why);
  ASSERT_FALSE(flat.empty()) << why;

  const std::string odmlDir = FreshDir("pieces_odml_in"), flatDir = FreshDir("pieces_flat_in");
  const std::string odmlClip = Put(odmlDir, odml), flatClip = Put(flatDir, flat);
  for (const char* overlap : {"", "0.5"}) {
    auto fromOdml = RunPieces(odmlClip, PiecesBy::Every, "1.3", overlap);
    auto fromFlat = RunPieces(flatClip, PiecesBy::Every, "1.3", overlap);
    ASSERT_EQ(fromOdml->outcome.Number(), 0) << fromOdml->outcome.message << fromOdml->outcome.detail;
    ASSERT_EQ(fromOdml->outcome.pieces.size(), fromFlat->outcome.pieces.size());
    for (size_t j = 0; j < fromOdml->outcome.pieces.size(); ++j)
      EXPECT_TRUE(ReadBytes(fromOdml->outcome.pieces[j].name) == ReadBytes(fromFlat->outcome.pieces[j].name)) << j;
    CheckPieces(flatClip, fromOdml->outcome);
  }
}

TEST(PiecesSamples, RealFilesByTimeAndSizePlayAndGiveTheOriginalBack) {
  const std::vector<Sample> samples = Samples();
  if (samples.empty()) GTEST_SKIP() << "TAVRIN_SAMPLES not set or empty";
  const std::string dir = FreshDir("pieces_samples");
  size_t tried = 0, checked = 0;
  for (size_t i = 0; i < samples.size(); ++i) {
    const Sample& s = samples[i];
    SCOPED_TRACE(s.file);
    const std::string in = Put(dir, ReadBytes(s.file), "in.avi");
    char every[32];
    std::snprintf(every, sizeof every, "%.3f", s.seconds / 3.3);
    const uint64_t size = ReadBytes(in).size();
    char megabytes[32];
    std::snprintf(megabytes, sizeof megabytes, "%.6f", double(size) / 3.5 / 1048576);
    struct {
      PiecesBy by;
      const char* value;
      const char* overlap;
    } runs[] = {{PiecesBy::Every, every, ""}, {PiecesBy::Every, every, "1"}, {PiecesBy::Size, megabytes, ""}};
    for (size_t k = 0; k < 3; ++k) {
      if (!avitest::SampleTakesCase(i, k, 3, 2)) continue;
      const auto& r = runs[k];
      SCOPED_TRACE(std::string(r.value) + " / " + r.overlap);
      ++tried;
      auto run = RunPieces(in, r.by, r.value, r.overlap);
      // Long key-frame intervals may leave no cut or no room for the overlap.
      const int32_t n = run->outcome.Number();
      if (n == 9 || n == 23 || n == 24 || n == 31) {
        std::printf("  %s: %s %s, overlap %s: result %d\n", s.file.c_str(), r.by == PiecesBy::Every ? "every" : "size",
                    r.value, r.overlap, int(n));
        continue;
      }
      ASSERT_EQ(n, 0) << run->outcome.message << run->outcome.detail;
      if (r.by == PiecesBy::Size)
        for (const PieceFigures& p : run->outcome.pieces) EXPECT_LE(p.bytes, uint64_t(std::atof(megabytes) * 1048576));
      // ffprobe takes most of the time: the pieces of one run per file are
      // enough (the one with an overlap: every seam cuts sound inside chunks).
      CheckPieces(in, run->outcome, *r.overlap != 0, s.audio.find("mp3") != std::string::npos);
      ++checked;
      for (const PieceFigures& p : run->outcome.pieces) std::remove(p.name.c_str());
    }
  }
  EXPECT_GE(checked, tried * 2 / 3) << "most runs split";
}
