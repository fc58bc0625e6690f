// The split job and engine on crafted files: every result code and message,
// the outputs' layout and contents, cancel, and the files no muxer writes.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <thread>

#include <cstring>

#include "share/number_field.h"
#include "io/output_file.h"
#include "split/split_engine.h"
#include "tests/native/sample_list.h"
#include "tests/native/odml_builder.h"
#include "tests/native/test_split_support.h"

using namespace avitest;
using namespace splittest;

namespace {

constexpr uint32_t kAudioBytesPerFrame = 7056;  // 44100 Hz, 4-byte blocks, 25 fps

// Video at 25 fps with a key frame every gop frames; PCM audio in chunks of
// audioChunk bytes that keep pace with the video. Video sizes include odd ones.
AviLayout Clip(int frames, int gop, uint32_t audioChunk = 4608, bool keyAtZero = true) {
  AviLayout layout = SimpleClip(0, gop, 0);
  layout.streams[1].suggestedBufferSize = audioChunk;
  uint64_t audio = 0;
  int n = 0;
  for (int f = 0; f < frames; ++f) {
    bool key = f % gop == 0 && (f > 0 || keyAtZero);
    layout.chunks.push_back({0, uint32_t(500 + (f * 37) % 301), key, uint8_t(n++)});
    while (audioChunk && audio < uint64_t(f + 1) * kAudioBytesPerFrame) {
      layout.chunks.push_back({1, audioChunk, true, uint8_t(n++)});
      audio += audioChunk;
    }
  }
  return layout;
}

std::string Write(const std::string& dir, const Bytes& bytes, const std::string& name = "clip.avi") {
  EXPECT_TRUE(WriteFile(dir + name, bytes));
  return dir + name;
}

SplitFields At(const std::string& file, const std::string& seconds, const std::string& overlap = "",
               CreateMode create = CreateMode::Both) {
  SplitFields f;
  f.file = file;
  f.seconds = seconds;
  f.overlap = overlap;
  f.create = create;
  return f;
}

OutputLayout Layout(const std::string& path) {
  OutputLayout l;
  CheckOutput(ReadBytes(path), &l);
  return l;
}

uint32_t HeaderU32(const std::string& path, uint32_t offset) { return GetU32(ReadBytes(path), offset); }

// Position of the list type "movi" of a built file, where its idx1 offsets count from.
size_t MoviTypeAt(const Bytes& b) {
  const char kMoviType[] = "movi";
  return size_t(std::search(b.begin(), b.end(), kMoviType, kMoviType + 4) - b.begin());
}

// Position of the n-th idx1 entry of a built file.
size_t EntryAt(const Bytes& b, uint32_t n) {
  size_t at = 12;
  while (GetU32(b, at) != kIdx1) {
    uint32_t code = GetU32(b, at), size = GetU32(b, at + 4);
    at += code == kRiff ? 12 : 8 + size + (size & 1);
  }
  return at + 8 + 16 * size_t(n);
}

struct Case {
  const char* name;
  SplitFields fields;
  int32_t result;
  const char* english;
  const char* japanese;
};

}  // namespace

TEST(SplitNumberField, AllowsDigitsPointsAndBlanksOnly) {
  double v = -1;
  EXPECT_TRUE(ParseNumberField("", &v));
  EXPECT_EQ(v, 0.0);
  EXPECT_TRUE(ParseNumberField("1 2", &v));
  EXPECT_EQ(v, 1.0);
  EXPECT_TRUE(ParseNumberField("1.5.3", &v));
  EXPECT_EQ(v, 1.5);
  EXPECT_TRUE(ParseNumberField("  7.25", &v));
  EXPECT_EQ(v, 7.25);
  EXPECT_TRUE(ParseNumberField(".", &v));
  EXPECT_EQ(v, 0.0);
  for (const char* bad : {"-1", "1,5", "1e3", "abc", "+2", "\x82\x50", "1\t"}) EXPECT_FALSE(ParseNumberField(bad, &v)) << bad;
}

// Every message of the job's own checks, in both languages, with its result.
TEST(SplitJob, FieldAndInputChecksInBothLanguages) {
  std::string dir = FreshDir("checks");
  std::string clip = Write(dir, BuildAvi(Clip(100, 12)));
  Bytes notRiff = BuildAvi(Clip(20, 12));
  std::memcpy(notRiff.data(), "riff", 4);
  std::string lower = Write(dir, notRiff, "lower.avi");

  auto with = [&](std::function<void(SplitFields&)> change) {
    SplitFields f = At(clip, "2");
    change(f);
    return f;
  };
  const Case cases[] = {
      {"overlap minus", with([](SplitFields& f) { f.overlap = "-1"; }), -1, "[Overlap] bad value",
       "「オーバーラップ」入力値に誤りがあります"},
      {"overlap letter", with([](SplitFields& f) { f.overlap = "5s"; }), -1, "[Overlap] bad value",
       "「オーバーラップ」入力値に誤りがあります"},
      {"overlap 60.5", with([](SplitFields& f) { f.overlap = "60.5"; }), -2, "[Overlap] bad value(0-60)",
       "「オーバーラップ」入力値に誤りがあります(0-60)"},
      {"hours", with([](SplitFields& f) { f.hours = "1h"; f.minutes = "x"; }), -5, "[hr] bad value",
       "「時間」入力値に誤りがあります"},
      {"minutes", with([](SplitFields& f) { f.minutes = "1,5"; }), -6, "[min] bad value",
       "「分」入力値に誤りがあります"},
      {"seconds", with([](SplitFields& f) { f.seconds = "-3"; }), -7, "[sec] bad value",
       "「秒」入力値に誤りがあります"},
      {"all empty", with([](SplitFields& f) { f.seconds = ""; }), -8, "[Time] bad value",
       "「時間指定」の入力値に誤りがあります"},
      {"zero zero", with([](SplitFields& f) { f.hours = "0 0"; f.minutes = "0"; f.seconds = "."; }), -8,
       "[Time] bad value", "「時間指定」の入力値に誤りがあります"},
      {"missing", with([&](SplitFields& f) { f.file = dir + "none.avi"; }), -9, "File not open",
       "「分解元ファイル」が開けません"},
      {"directory", with([&](SplitFields& f) { f.file = dir; }), -9, "File not open",
       "「分解元ファイル」が開けません"},
      {"lower-case riff", with([&](SplitFields& f) { f.file = lower; }), -13, "Avi File?",
       "ファイルの解析に失敗しました"},
      {"time too long", with([](SplitFields& f) { f.seconds = "4"; }), 100, "[Time] is too long",
       "「時間指定」値が長すぎます"},
      {"overlap too long", with([](SplitFields& f) { f.overlap = "2.4"; }), 23, "[Overlap] is too long",
       "「オーバーラップ」値が長すぎます"},
      {"overlap to frame 0", with([](SplitFields& f) { f.overlap = "2"; }), 24, "Can't Split at [Overlap]",
       "指定「オーバーラップ」値で分解できません"},
  };
  for (const Case& c : cases) {
    for (bool english : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (english ? " en" : " ja"));
      SplitFields f = c.fields;
      f.english = english;
      auto run = RunSplitJob(f);
      EXPECT_EQ(run->result, c.result);
      ASSERT_EQ(run->host.messages.size(), 1u);
      EXPECT_EQ(run->host.messages[0], english ? c.english : c.japanese);
      EXPECT_EQ(run->host.messageOwners[0], MessageOwner::ProgressWindow);
      EXPECT_FALSE(Exists(dir + "clip-1.avi"));
    }
  }
}

TEST(SplitJob, OverlapLimitsAndFirstOnlyIgnoresTheOverlapField) {
  std::string dir = FreshDir("overlap_field");
  std::string clip = Write(dir, BuildAvi(Clip(2000, 25)));  // 80 s
  auto sixty = RunSplitJob(At(clip, "70", "60"));
  EXPECT_EQ(sixty->result, 0) << sixty->message();
  auto firstOnly = RunSplitJob(At(clip, "1:30", "abc", CreateMode::First));
  // "1:30" is no number: the seconds check fails, not the overlap check.
  EXPECT_EQ(firstOnly->result, -7);
  auto firstOnlyOk = RunSplitJob(At(clip, "30", "abc", CreateMode::First));
  EXPECT_EQ(firstOnlyOk->result, 0) << firstOnlyOk->message();
  // Seconds above 59 count as they stand: 65 s = 1 min 5 s.
  SplitFields minutes = At(clip, "5", "", CreateMode::First);
  minutes.minutes = "1";
  auto a = RunSplitJob(minutes);
  Bytes viaMinutes = ReadBytes(dir + "clip-1.avi");
  auto b = RunSplitJob(At(clip, "65", "", CreateMode::First));
  EXPECT_EQ(a->result, 0);
  EXPECT_EQ(b->result, 0);
  EXPECT_TRUE(viaMinutes == ReadBytes(dir + "clip-1.avi"));
}

TEST(SplitJob, SizeSplitWithoutPluginReturnsMinusThreeSilently) {
  std::string dir = FreshDir("by_size");
  SplitFields f = At(dir + "nothing.avi", "");
  f.bySize = true;
  auto run = RunSplitJob(f);
  EXPECT_EQ(run->result, -3);
  EXPECT_TRUE(run->host.messages.empty());
  EXPECT_TRUE(run->host.progressCells.empty());
  f.overlap = "x";  // the overlap is still checked first
  EXPECT_EQ(RunSplitJob(f)->result, -1);
}

TEST(SplitJob, SplitMergeBoxHidesOnlyTheSuccessMessage) {
  std::string dir = FreshDir("split_merge");
  std::string clip = Write(dir, BuildAvi(Clip(100, 12)));
  SplitFields f = At(clip, "2");
  f.splitMerge = true;
  auto ok = RunSplitJob(f);
  EXPECT_EQ(ok->result, 0);
  EXPECT_TRUE(ok->host.messages.empty());
  EXPECT_EQ(ok->outcome.firstOutput, dir + "clip-1.avi");
  EXPECT_EQ(ok->outcome.secondOutput, dir + "clip-2.avi");
  f.seconds = "5";
  auto bad = RunSplitJob(f);
  EXPECT_EQ(bad->result, 100);
  EXPECT_EQ(bad->message(), "[Time] is too long");
  f.splitMerge = false;
  f.seconds = "2";
  auto plain = RunSplitJob(f);
  // The job's word alone: the player advice below it is the window's (ui/player_hint_sink.h).
  EXPECT_EQ(plain->message(), "Completed");
  f.english = false;
  EXPECT_EQ(RunSplitJob(f)->message(), "操作完了");
}

TEST(SplitEngine, StructureRefusalsAreUnsupportedFiles) {
  std::string dir = FreshDir("structure");
  AviLayout noIndex = Clip(50, 12);
  noIndex.writeIndex = false;
  AviLayout openDml = Clip(50, 12);
  openDml.indx = true;
  AviLayout audioOnly = Clip(50, 12);
  audioOnly.streams[0].type = "auds";
  audioOnly.streams[0].sampleSize = 1;
  AviLayout noVideoEntries = Clip(50, 12);
  Bytes noVideoEntriesBytes = BuildAvi(noVideoEntries);
  // Rename every video index entry to a stream that does not exist.
  for (uint32_t i = 0;; ++i) {
    size_t e = EntryAt(noVideoEntriesBytes, i);
    if (e + 16 > noVideoEntriesBytes.size()) break;
    if (noVideoEntriesBytes[e + 1] == '0') noVideoEntriesBytes[e + 1] = '7';
  }
  Bytes noAvih = BuildAvi(Clip(50, 12));
  std::memcpy(noAvih.data() + 24, "avix", 4);  // the avih chunk of hdrl
  struct {
    Bytes bytes;
    int32_t result;
  } files[] = {{noAvih, 1}, {BuildAvi(audioOnly), 4}, {BuildAvi(noIndex), 5},
               {BuildAvi(openDml), 6}, {noVideoEntriesBytes, 7}};
  for (auto& file : files) {
    SCOPED_TRACE(file.result);
    std::string path = Write(dir, file.bytes);
    for (bool english : {true, false}) {
      SplitFields f = At(path, "1");
      f.english = english;
      auto run = RunSplitJob(f);
      EXPECT_EQ(run->result, file.result);
      // A header's indx that is no index of indexes: the same code and text, then why.
      const std::string text = english ? "Avi File???" : "未対応のファイルです";
      const std::string why = english ? "\n\nBroken OpenDML index: an indx chunk is not a valid index of indexes"
                                      : "\n\nOpenDML インデックスが壊れています";
      // Files without an index (5) or whose index leaves the video out (7)
      // are recordings a repair rebuilds: their message says so.
      if (file.result == 6)
        EXPECT_EQ(run->message().rfind(text + why, 0), 0u) << run->message();
      else if (file.result == 5 || file.result == 7)
        EXPECT_EQ(run->message().rfind(text + "\n\n" + (english ? "It" : "インデックス"), 0), 0u) << run->message();
      else
        EXPECT_EQ(run->message(), text);
      EXPECT_EQ(run->outcome.detail.rfind(path + ": ", 0), 0u) << "says what is missing";
      EXPECT_TRUE(run->outcome.engineStarted);
      EXPECT_EQ(run->outcome.firstOutput, "") << "no names before files are made";
    }
    EXPECT_FALSE(Exists(dir + "clip-1.avi"));
  }
}

TEST(SplitEngine, TimeAndKeyFrameRefusals) {
  std::string dir = FreshDir("time");
  std::string clip = Write(dir, BuildAvi(Clip(100, 12)));  // 4 s, key frames every 12
  EXPECT_EQ(RunSplitJob(At(clip, "4"))->result, 100);
  EXPECT_EQ(RunSplitJob(At(clip, "3.999"))->result, 9);  // frame 100: no key frame left
  auto lastKey = RunSplitJob(At(clip, "3.84"));         // frame 96 is a key frame
  EXPECT_EQ(lastKey->result, 0);
  EXPECT_EQ(Layout(dir + "clip-1.avi").videoEntries, 96u);
  EXPECT_EQ(RunSplitJob(At(clip, "3.85"))->result, 9);
  for (bool english : {true, false}) {
    SplitFields f = At(clip, "3.9");
    f.english = english;
    EXPECT_EQ(RunSplitJob(f)->message(), english ? "Can't Split at [Time]" : "「時間指定」値で分解できません");
  }
  // A time between key frames ends the first file at the next key frame.
  EXPECT_EQ(RunSplitJob(At(clip, "1.01"))->result, 0);  // frame 26 -> key frame 36
  EXPECT_EQ(Layout(dir + "clip-1.avi").videoEntries, 36u);
  // Frame 0 without a key flag: an overlap back to the start finds no key frame.
  std::string noKey = Write(dir, BuildAvi(Clip(100, 12, 4608, false)), "nokey.avi");
  auto run = RunSplitJob(At(noKey, "1.44", "1.2"));  // second file would start at frame 6
  EXPECT_EQ(run->result, 25);
  EXPECT_EQ(run->message(), "Can't Split at [Overlap]");
}

TEST(SplitEngine, OutputsThatCannotBeCreated) {
  std::string dir = FreshDir("create");
  std::string clip = Write(dir, BuildAvi(Clip(100, 12)));
  ASSERT_EQ(mkdir((dir + "clip-2.avi").c_str(), 0755), 0);
  auto both = RunSplitJob(At(clip, "2"));
  EXPECT_EQ(both->result, 12);
  EXPECT_EQ(both->message(), "Can't Create File");
  EXPECT_FALSE(Exists(dir + "clip-1.avi")) << "the first file is removed after result 12";
  auto second = RunSplitJob(At(clip, "2", "", CreateMode::Second));
  EXPECT_EQ(second->result, 12);
  auto first = RunSplitJob(At(clip, "2", "", CreateMode::First));
  EXPECT_EQ(first->result, 0);
  ASSERT_EQ(rmdir((dir + "clip-2.avi").c_str()), 0);
  ASSERT_EQ(std::remove((dir + "clip-1.avi").c_str()), 0);
  ASSERT_EQ(mkdir((dir + "clip-1.avi").c_str(), 0755), 0);
  SplitFields ja = At(clip, "2");
  ja.english = false;
  auto firstFails = RunSplitJob(ja);
  EXPECT_EQ(firstFails->result, 11);
  EXPECT_EQ(firstFails->message(), "ファイルが作成できません");
  EXPECT_FALSE(Exists(dir + "clip-2.avi"));
}

// The core property: outputs hold exactly the source's chunks for their
// time range, with sizes in the headers that match what was written.
TEST(SplitOutput, ContentsSizesAndHeaders) {
  std::string dir = FreshDir("contents");
  std::string clip = Write(dir, BuildAvi(Clip(300, 12)));  // 12 s
  auto an = Analyse(clip);
  const AviAnalysis& a = an->analysis;
  struct {
    const char* seconds;
    const char* overlap;
    uint32_t splitFrame, secondStart;
  } cuts[] = {{"2", "", 60, 60}, {"5.5", "1", 144, 108}, {"4", "0.04", 108, 96}, {"7.7", "3.3", 204, 120}};
  for (auto& c : cuts) {
    SCOPED_TRACE(std::string(c.seconds) + " / " + c.overlap);
    auto run = RunSplitJob(At(clip, c.seconds, c.overlap));
    ASSERT_EQ(run->result, 0) << run->message();
    OutputLayout first = Layout(dir + "clip-1.avi"), second = Layout(dir + "clip-2.avi");
    EXPECT_EQ(first.videoEntries, c.splitFrame);
    EXPECT_EQ(second.videoEntries, 300 - c.secondStart);
    CheckAgainstSource(clip, &first, &second);
    // Headers: frame counts and stream lengths patched, the rest as in the source.
    for (int part = 0; part < 2; ++part) {
      std::string out = dir + (part ? "clip-2.avi" : "clip-1.avi");
      OutputLayout& l = part ? second : first;
      uint32_t frames = part ? 300 - c.secondStart : c.splitFrame;
      EXPECT_EQ(HeaderU32(out, a.totalFramesOffset), frames);
      EXPECT_EQ(HeaderU32(out, a.streams[0].lengthOffset), frames);
      size_t audioBytes = Concat(OutputChunks(l, 1)).size();
      EXPECT_EQ(HeaderU32(out, a.streams[1].lengthOffset), audioBytes / 4) << "audio dwLength in blocks";
      Bytes src = ReadBytes(clip), got = ReadBytes(out);
      EXPECT_TRUE(std::equal(src.begin() + 8, src.begin() + a.totalFramesOffset, got.begin() + 8));
      EXPECT_EQ(l.moviType, a.moviOffset);
    }
  }
}

TEST(SplitOutput, AudioChunkStraddlingEachCutIsShortened) {
  std::string dir = FreshDir("audio_cut");
  std::string clip = Write(dir, BuildAvi(Clip(100, 12, 4608)));
  auto run = RunSplitJob(At(clip, "2"));  // frame 60: 423360 audio bytes = 91 chunks + 4032
  ASSERT_EQ(run->result, 0);
  OutputLayout first = Layout(dir + "clip-1.avi"), second = Layout(dir + "clip-2.avi");
  std::vector<Bytes> a1 = OutputChunks(first, 1), a2 = OutputChunks(second, 1);
  ASSERT_EQ(a1.size(), 92u);
  EXPECT_EQ(a1.back().size(), 4032u);
  EXPECT_EQ(a2.front().size(), 576u);
  EXPECT_EQ(a1[90].size(), 4608u);
  // The shortened chunks keep their source entry's flags.
  for (const IndexItem& e : first.index) {
    if (StreamOfCkid(e.ckid) == 1) {
      EXPECT_EQ(e.flags, kKeyFrameFlag);
    }
  }
  CheckAgainstSource(clip, &first, &second);
  // An odd number of sample bytes: 1-byte blocks give odd shortened chunks, padded.
  AviLayout odd = Clip(100, 12, 4001);
  odd.streams[1].sampleSize = 1;
  odd.streams[1].rate = 44099;
  std::string oddClip = Write(dir, BuildAvi(odd), "odd.avi");
  ASSERT_EQ(RunSplitJob(At(oddClip, "2.4"))->result, 0);
  OutputLayout o1 = Layout(dir + "odd-1.avi"), o2 = Layout(dir + "odd-2.avi");
  EXPECT_EQ(Concat(OutputChunks(o1, 1)).size(), 105837u);  // trunc(2.4 * 44099)
  EXPECT_EQ(OutputChunks(o1, 1).back().size() % 2, 1u);
  CheckAgainstSource(oddClip, &o1, &o2);
}

TEST(SplitOutput, BothFilesAtOnceEqualTheSeparateRuns) {
  std::string dir = FreshDir("modes");
  std::string clip = Write(dir, BuildAvi(Clip(300, 12, 3000)));
  for (const char* overlap : {"", "2.5"}) {
    ASSERT_EQ(RunSplitJob(At(clip, "6.1", overlap))->result, 0);
    Bytes both1 = ReadBytes(dir + "clip-1.avi"), both2 = ReadBytes(dir + "clip-2.avi");
    ASSERT_EQ(std::remove((dir + "clip-2.avi").c_str()), 0);
    ASSERT_EQ(RunSplitJob(At(clip, "6.1", overlap, CreateMode::First))->result, 0);
    EXPECT_FALSE(Exists(dir + "clip-2.avi"));
    ASSERT_EQ(std::remove((dir + "clip-1.avi").c_str()), 0);
    ASSERT_EQ(RunSplitJob(At(clip, "6.1", overlap, CreateMode::Second))->result, 0);
    EXPECT_FALSE(Exists(dir + "clip-1.avi"));
    EXPECT_TRUE(ReadBytes(dir + "clip-2.avi") == both2);
    ASSERT_EQ(RunSplitJob(At(clip, "6.1", overlap, CreateMode::First))->result, 0);
    EXPECT_TRUE(ReadBytes(dir + "clip-1.avi") == both1);
  }
}

TEST(SplitOutput, RecGroupsGiveFlatOutputsCutAtGroupStarts) {
  std::string dir = FreshDir("rec");
  // Groups of three chunks: video, audio, video... so every other video
  // chunk is the second video chunk of its group and no cut may fall there.
  AviLayout layout = Clip(120, 1, 7056);  // every frame a key frame
  layout.chunksPerRec = 3;
  std::string clip = Write(dir, BuildAvi(layout));
  auto an = Analyse(clip);
  ASSERT_EQ(an->analysis.hasRecEntries, 1);
  // 1.95 s is frame 49, second video chunk of its group: the cut moves to 50.
  auto run = RunSplitJob(At(clip, "1.95", "0.5"));
  ASSERT_EQ(run->result, 0) << run->message();
  OutputLayout first = Layout(dir + "clip-1.avi"), second = Layout(dir + "clip-2.avi");
  Bytes out = ReadBytes(dir + "clip-1.avi");
  for (size_t i = first.moviType; i + 4 <= out.size(); ++i)
    ASSERT_NE(GetU32(out, i), kRec) << "no rec list or entry at " << i;
  // Groups run v a v | a v a | v a v ...: frames 1, 4, 7 ... are second in their group.
  const Bytes src = ReadBytes(clip);
  const AviAnalysis& a = an->analysis;
  uint32_t frame = 0, splitFrame = first.videoEntries;
  for (uint32_t i = 0; i < a.idx1EntryTotal; ++i) {
    size_t e = a.idx1Offset + 8 + 16 * size_t(i);
    if (StreamOfCkid(GetU32(src, e)) != 0) continue;
    if (frame == splitFrame) {
      size_t back = e - 16;
      while (GetU32(src, back) != kRec) {
        ASSERT_NE(StreamOfCkid(GetU32(src, back)), 0) << "a video chunk precedes the cut in its group";
        back -= 16;
      }
    }
    ++frame;
  }
  EXPECT_EQ(splitFrame, 50u);
  EXPECT_EQ(second.videoEntries, 120u - 37u);  // 1.5 s back: frame 37, where the group rule does not apply
  CheckAgainstSource(clip, &first, &second);
  EXPECT_EQ(Ffprobe(dir + "clip-1.avi", false).errors, "");
  EXPECT_EQ(Ffprobe(dir + "clip-2.avi", false).errors, "");
}

TEST(SplitProgress, BarRunsFromTenToNinetyNineAndEveryEntryIsReportedInSmallFiles) {
  std::string dir = FreshDir("progress");
  AviLayout layout = Clip(25, 5, 0);  // 25 entries: under 88, so every entry reports
  layout.streams.pop_back();
  std::string clip = Write(dir, BuildAvi(layout));
  std::vector<std::string> statuses;
  auto run = RunSplitJob(At(clip, "0.5"), [&](JobRun& r) {
    r.host.onProgress = [&](const char* status, int) { statuses.push_back(status); };
  });
  ASSERT_EQ(run->result, 0) << run->message();
  const std::vector<int>& cells = run->host.progressCells;
  ASSERT_FALSE(cells.empty());
  EXPECT_EQ(cells.front(), 0);
  EXPECT_EQ(statuses.front(), "Analyzing");
  size_t creating = 0;
  while (creating < statuses.size() && statuses[creating] != "File Creating") ++creating;
  ASSERT_LT(creating, cells.size());
  EXPECT_EQ(cells[creating], 10);
  // Start report, 25 chunk-pass reports, then the index pass every N/2 entries.
  std::vector<int> engine(cells.begin() + creating, cells.end());
  ASSERT_EQ(engine.size(), 1u + 25u + 3u);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(engine[1 + i], i * 88 / 25 + 10);
  EXPECT_EQ(engine[26], 98);  // entries 0, 12 and 24
  EXPECT_EQ(engine[27], 98);
  EXPECT_EQ(engine[28], 99);
}

TEST(SplitCancel, DuringTheChunkPassLeavesNoOutputAndEarlierFilesUnchanged) {
  std::string dir = FreshDir("cancel");
  std::string clip = Write(dir, BuildAvi(Clip(600, 12)));
  ASSERT_TRUE(WriteFile(dir + "clip-1.avi", Bytes(1234, 7)));  // an earlier file of that name
  auto run = RunSplitJob(At(clip, "12"), [](JobRun& r) {
    NativeSink* state = &r.host;
    r.host.onProgress = [state](const char*, int cells) {
      if (cells >= 50) state->cancelRequested.store(-2);
    };
  });
  EXPECT_EQ(run->result, -1);
  EXPECT_TRUE(run->host.messages.empty());
  EXPECT_TRUE(run->outcome.engineStarted);
  EXPECT_EQ(run->host.progressCells.back(), 50);
  EXPECT_TRUE(ReadBytes(dir + "clip-1.avi") == Bytes(1234, 7));
  EXPECT_FALSE(Exists(dir + "clip-2.avi"));
  EXPECT_EQ(FilesIn(dir), std::vector<std::string>({"clip-1.avi", "clip.avi"})) << "no temporary file left";
  EXPECT_FALSE(run->outcome.wroteFirst || run->outcome.wroteSecond);
  EXPECT_EQ(run->outcome.secondOutput, dir + "clip-2.avi");
}

TEST(SplitCancel, BeforeTheEngineReturnsZeroAndMarksNoOutputs) {
  std::string dir = FreshDir("cancel_early");
  std::string clip = Write(dir, BuildAvi(Clip(600, 12)));
  for (int at : {0, 5}) {
    auto run = RunSplitJob(At(clip, "12"), [at](JobRun& r) {
      NativeSink* state = &r.host;
      r.host.onProgress = [state, at](const char*, int cells) {
        if (cells == at) state->cancelRequested.store(-2);
      };
    });
    EXPECT_EQ(run->result, 0);
    EXPECT_TRUE(run->host.messages.empty());
    EXPECT_FALSE(run->outcome.engineStarted);
    EXPECT_FALSE(Exists(dir + "clip-1.avi"));
  }
  // Cancel seen at the engine's start report: no file and no names to delete.
  auto run = RunSplitJob(At(clip, "12"), [](JobRun& r) {
    NativeSink* state = &r.host;
    r.host.onProgress = [state](const char*, int cells) {
      if (cells == 10) state->cancelRequested.store(-2);
    };
  });
  EXPECT_EQ(run->result, -1);
  EXPECT_TRUE(run->outcome.engineStarted);
  EXPECT_FALSE(Exists(dir + "clip-1.avi"));
  EXPECT_EQ(run->outcome.firstOutput, "");
}

// ---- Files and failures the straightforward reading of the rules gets wrong ----

TEST(SplitSound, AbsoluteIndexOffsetsAreReadFromTheirBase) {
  std::string dir = FreshDir("absolute");
  AviLayout layout = Clip(200, 12);
  layout.absoluteOffsets = true;
  std::string clip = Write(dir, BuildAvi(layout));
  ASSERT_EQ(RunSplitJob(At(clip, "3", "1"))->result, 0);
  OutputLayout first = Layout(dir + "clip-1.avi"), second = Layout(dir + "clip-2.avi");
  CheckAgainstSource(clip, &first, &second);  // offsets in the outputs are relative
}

TEST(SplitOutputs, AFailedWriteLeavesEarlierFilesAndNoTemporaryFile) {
  std::string dir = FreshDir("write_fail");
  std::string clip = Write(dir, BuildAvi(Clip(300, 12)));
  const Bytes before1(5000, 1), before2(7000, 2);
  ASSERT_TRUE(WriteFile(dir + "clip-1.avi", before1));
  ASSERT_TRUE(WriteFile(dir + "clip-2.avi", before2));
  // A file size limit stands in for a full disk.
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 200000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  std::unique_ptr<JobRun> runs[2];
  for (bool english : {true, false}) {
    SplitFields f = At(clip, "5");
    f.english = english;
    runs[english] = RunSplitJob(f);
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  // Both outputs pass the limit. Which failure shows first depends on how
  // far each output's runs were handed over when one of them failed (they
  // go at the bar's steps): either name is true.
  for (bool english : {true, false}) {
    const JobRun& run = *runs[english];
    EXPECT_EQ(run.result, 13);
    EXPECT_EQ(run.message(), english ? "Error" : "エラー");
    const std::string tooLarge = std::string(".avi: ") + std::strerror(EFBIG);
    EXPECT_TRUE(run.outcome.detail == dir + "clip-1" + tooLarge || run.outcome.detail == dir + "clip-2" + tooLarge)
        << run.outcome.detail;
  }
  EXPECT_TRUE(ReadBytes(dir + "clip-1.avi") == before1);
  EXPECT_TRUE(ReadBytes(dir + "clip-2.avi") == before2);
  EXPECT_EQ(FilesIn(dir), std::vector<std::string>({"clip-1.avi", "clip-2.avi", "clip.avi"}));
}

TEST(SplitOutputs, AnInputCutShortWhileSplitFailsCleanly) {
  std::string dir = FreshDir("shrinking");
  std::string clip = Write(dir, BuildAvi(Clip(1500, 12)));
  auto run = RunSplitJob(At(clip, "40"), [&](JobRun& r) {
    r.host.onProgress = [&clip](const char* status, int cells) {
      if (std::string(status) == "File Creating" && cells == 20) {
        EXPECT_EQ(truncate(clip.c_str(), 100000), 0);
      }
    };
  });
  // The walk on the second thread may come after the cut: the file is then
  // judged as it is now, and refused. Otherwise the copy runs out of bytes.
  if (run->result == 13) {
    EXPECT_EQ(run->message().rfind("Error\n\nThe file is cut short: it ends at byte 100000 of", 0), 0u) << run->message();
    EXPECT_EQ(run->outcome.detail.rfind(clip + ": the input ended before the chunks its index names\n", 0), 0u);
  } else {
    EXPECT_TRUE(run->outcome.engineStarted);
    EXPECT_NE(run->outcome.result, SplitResult::Completed);
  }
  EXPECT_EQ(FilesIn(dir), std::vector<std::string>({"clip.avi"}));
}

// An OpenDML input gives its chunks from the file itself: cut short while
// they are copied, the split says so and leaves nothing.
TEST(SplitOutputs, AnOpenDmlInputCutShortWhileSplitFailsCleanly) {
  std::string dir = FreshDir("shrinking_odml");
  const AviLayout layout = Clip(1500, 12);
  const size_t n = layout.chunks.size();
  std::string clip = Write(dir, BuildOdml(FfmpegLike(layout, {n / 3, n * 2 / 3})).bytes);
  auto run = RunSplitJob(At(clip, "40"), [&](JobRun& r) {
    r.host.onProgress = [&clip](const char* status, int cells) {
      if (std::string(status) == "File Creating" && cells == 20) {
        EXPECT_EQ(truncate(clip.c_str(), 100000), 0);
      }
    };
  });
  EXPECT_TRUE(run->outcome.engineStarted);
  EXPECT_NE(run->outcome.result, SplitResult::Completed);
  EXPECT_EQ(run->message().rfind("Can't Split: the file changed while it was read", 0), 0u) << run->message();
  EXPECT_EQ(FilesIn(dir), std::vector<std::string>({"clip.avi"}));
}

TEST(SplitOutputs, AnOutputNameLinkedToTheInputReplacesTheLink) {
  std::string dir = FreshDir("links");
  const Bytes source = BuildAvi(Clip(100, 12));
  std::string clip = Write(dir, source);
  ASSERT_EQ(symlink(clip.c_str(), (dir + "clip-1.avi").c_str()), 0);
  ASSERT_EQ(link(clip.c_str(), (dir + "clip-2.avi").c_str()), 0);
  ASSERT_EQ(RunSplitJob(At(clip, "2"))->result, 0);
  EXPECT_TRUE(ReadBytes(clip) == source) << "the input is never written";
  struct stat info;
  ASSERT_EQ(lstat((dir + "clip-1.avi").c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode)) << "the link itself was replaced";
  OutputLayout first = Layout(dir + "clip-1.avi"), second = Layout(dir + "clip-2.avi");
  CheckAgainstSource(clip, &first, &second);
}

TEST(SplitOutputs, ConcurrentRunsNeverMixTheirBytes) {
  std::string dir = FreshDir("concurrent");
  std::string clip = Write(dir, BuildAvi(Clip(1500, 12)));
  ASSERT_EQ(RunSplitJob(At(clip, "30", "3"))->result, 0);
  const Bytes alone1 = ReadBytes(dir + "clip-1.avi"), alone2 = ReadBytes(dir + "clip-2.avi");
  ASSERT_EQ(RunSplitJob(At(clip, "20"))->result, 0);
  const Bytes other1 = ReadBytes(dir + "clip-1.avi");
  ASSERT_FALSE(other1 == alone1);
  // Two different splits of one file at the same time, twice over: each
  // output is whole and comes from one run.
  for (int round = 0; round < 2; ++round) {
    std::unique_ptr<JobRun> a, b;
    std::thread t([&] { a = RunSplitJob(At(clip, "30", "3")); });
    b = RunSplitJob(At(clip, "20"));
    t.join();
    EXPECT_EQ(a->result, 0);
    EXPECT_EQ(b->result, 0);
    const Bytes got1 = ReadBytes(dir + "clip-1.avi");
    EXPECT_TRUE(got1 == alone1 || got1 == other1);
    OutputLayout l;
    CheckOutput(ReadBytes(dir + "clip-2.avi"), &l);
  }
  EXPECT_EQ(FilesIn(dir), std::vector<std::string>({"clip-1.avi", "clip-2.avi", "clip.avi"}));
}

TEST(SplitSound, AudioShorterThanTheVideoGetsNoPhantomChunk) {
  std::string dir = FreshDir("short_audio");
  // 100 frames of video (4 s) with 1 s of audio, in 1764-byte chunks.
  AviLayout layout = SimpleClip(100, 12, 1764);
  std::string clip = Write(dir, BuildAvi(layout));
  auto an = Analyse(clip);
  const AviAnalysis& a = an->analysis;
  ASSERT_EQ(RunSplitJob(At(clip, "2", "0.5"))->result, 0);
  OutputLayout first = Layout(dir + "clip-1.avi"), second = Layout(dir + "clip-2.avi");
  EXPECT_EQ(OutputChunks(first, 1).size(), 100u) << "all the audio, no extra chunk";
  EXPECT_EQ(OutputChunks(second, 1).size(), 0u);
  EXPECT_EQ(HeaderU32(dir + "clip-1.avi", a.streams[1].lengthOffset), 44100u) << "capped at the source";
  EXPECT_EQ(HeaderU32(dir + "clip-2.avi", a.streams[1].lengthOffset), 0u) << "never below 0";
  EXPECT_EQ(Ffprobe(dir + "clip-1.avi", false).errors, "");
}

TEST(SplitSound, EntriesOfStreamsBeyondTheHeadersGoNowhere) {
  std::string dir = FreshDir("foreign");
  Bytes b = BuildAvi(Clip(100, 12));
  // Stream 1's entries become "05wb": no header describes stream 5.
  for (uint32_t i = 0;; ++i) {
    size_t e = EntryAt(b, i);
    if (e + 16 > b.size()) break;
    if (b[e + 1] == '1') b[e + 1] = '5';
  }
  std::string clip = Write(dir, b);
  ASSERT_EQ(RunSplitJob(At(clip, "2"))->result, 0);
  for (const char* name : {"clip-1.avi", "clip-2.avi"}) {
    OutputLayout l = Layout(dir + name);
    for (const IndexItem& e : l.index) EXPECT_EQ(StreamOfCkid(e.ckid), 0);
  }
}

TEST(SplitSound, NamesThatDoNotFitCreateNothing) {
  std::string dir = FreshDir("names");
  Bytes bytes = BuildAvi(Clip(100, 12));
  // 255 + 4 = 259 characters: the names would need 261.
  std::string longName = dir;
  while (longName.size() < 255) longName += "n";
  longName += ".avi";
  ASSERT_EQ(longName.size(), 259u);
  ASSERT_TRUE(WriteFile(longName, bytes));
  EXPECT_EQ(RunSplitJob(At(longName, "2"))->result, 11);
  EXPECT_EQ(RunSplitJob(At(longName, "2", "", CreateMode::First))->result, 11);
  auto second = RunSplitJob(At(longName, "2", "", CreateMode::Second));
  EXPECT_EQ(second->result, 12);
  EXPECT_EQ(second->message(), "Can't Create File");
  // 258 characters still give a 260-character name; 257 fit exactly.
  std::string fits = longName.substr(0, 254) + ".avi";
  ASSERT_TRUE(WriteFile(fits, bytes));
  EXPECT_EQ(RunSplitJob(At(fits, "2"))->result, 11);
  EXPECT_FALSE(Exists(longName.substr(0, 254) + "-1.avi"));
  std::string fits2 = longName.substr(0, 253) + ".avi";
  ASSERT_TRUE(WriteFile(fits2, bytes));
  EXPECT_EQ(RunSplitJob(At(fits2, "2"))->result, 0);
  EXPECT_TRUE(Exists(longName.substr(0, 253) + "-1.avi"));
  // A last component of fewer than four characters keeps its whole name: the
  // folder part is never cut.
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  ASSERT_TRUE(WriteFile("ab", bytes));
  auto tiny = RunSplitJob(At("ab", "2"));
  EXPECT_EQ(tiny->result, 0);
  EXPECT_TRUE(Exists("ab-1.avi"));
  EXPECT_TRUE(Exists("ab-2.avi"));
  ASSERT_EQ(mkdir("new", 0755), 0);
  ASSERT_TRUE(WriteFile("new/abc", bytes));
  ASSERT_EQ(RunSplitJob(At("new/abc", "2"))->result, 0);
  EXPECT_TRUE(Exists("new/abc-1.avi"));
  EXPECT_FALSE(Exists("new-1.avi")) << "nothing lands in the parent folder";
  ASSERT_EQ(chdir(cwd), 0);

  std::string firstName, secondName;
  for (auto [input, want] : std::vector<std::pair<std::string, std::string>>{
           {"videos/new/abc", "videos/new/abc-1.avi"}, {"xyz", "xyz-1.avi"},
           {"d/clip.avi", "d/clip-1.avi"}, {"d/clip.xyz", "d/clip-1.avi"},
           {"d/abcd", "d/-1.avi"}, {"d/e.f/g", "d/e.f/g-1.avi"}}) {
    ASSERT_TRUE(MakeSplitOutputNames(input, &firstName, &secondName));
    EXPECT_EQ(firstName, want) << input;
  }
}

TEST(SplitSound, StreamLengthFieldsMustAscendBeforeTheMoviList) {
  std::string dir = FreshDir("order");
  std::string clip = Write(dir, BuildAvi(Clip(100, 12)));
  auto an = Analyse(clip);
  AviAnalysis saved = an->analysis;
  TimeSplit request;
  request.seconds = 2;
  SplitPlan plan;
  ASSERT_EQ(PlanSplit(an->Source(), request, plan), SplitResult::Completed);
  AviAnalysis& a = an->analysis;
  std::swap(a.streams[0].lengthOffset, a.streams[1].lengthOffset);
  EXPECT_EQ(PlanSplit(an->Source(), request, plan), SplitResult::BadStreamHeader);
  a = saved;
  a.streams[0].lengthOffset = a.totalFramesOffset + 2;  // overlaps dwTotalFrames
  EXPECT_EQ(PlanSplit(an->Source(), request, plan), SplitResult::BadStreamHeader);
  a = saved;
  a.streams[1].lengthOffset = a.moviOffset - 10;  // runs into the movi list's "LIST"
  EXPECT_EQ(PlanSplit(an->Source(), request, plan), SplitResult::BadStreamHeader);
  a = saved;
  a.firstVideoStream = -1;  // the order test comes before the video test
  a.streams[1].lengthOffset = a.streams[0].lengthOffset;
  EXPECT_EQ(PlanSplit(an->Source(), request, plan), SplitResult::BadStreamHeader);
  EXPECT_FALSE(Exists(dir + "clip-1.avi"));
}

TEST(SplitSound, SoundBudgetsPastFourGiBDoNotWrap) {
  // Two 2 GiB sample blocks a second: at the cut (frame 60, 2.4 s) the first
  // file's sound budget is 4 blocks, 8 GiB, which a 32-bit budget would wrap
  // to nothing. Every (small) audio chunk of the clip fits in it.
  std::string dir = FreshDir("budget");
  AviLayout layout = Clip(100, 12);
  layout.streams[1].rate = 2;
  layout.streams[1].scale = 1;
  layout.streams[1].sampleSize = 0x80000000u;
  std::string clip = Write(dir, BuildAvi(layout));
  auto an = Analyse(clip);
  TimeSplit request;
  request.seconds = 2;
  SplitPlan plan;
  ASSERT_EQ(PlanSplit(an->Source(), request, plan), SplitResult::Completed);
  EXPECT_EQ(plan.splitFrame, 60u);
  EXPECT_EQ(plan.cuts[1].firstCount, an->analysis.streams[1].idx1EntryCount);
  EXPECT_EQ(plan.cuts[1].firstPartialBytes, 0u);
  // The second file skips the same 8 GiB: every chunk, none shortened.
  EXPECT_EQ(plan.cuts[1].secondStart, an->analysis.streams[1].idx1EntryCount);
  EXPECT_EQ(plan.cuts[1].secondPartialBytes, 0u);
}

TEST(SplitSound, OnlyTheFirstVideoStreamsOwnEntriesAreFrames) {
  std::string dir = FreshDir("ckid");
  // Every video entry not a key frame but frames 0 and 96; audio entries
  // renamed "x0wb" and flagged as key frames: they must never count as
  // frames nor be taken as the cut.
  AviLayout layout = Clip(100, 96);
  Bytes b = BuildAvi(layout);
  for (uint32_t i = 0;; ++i) {
    size_t e = EntryAt(b, i);
    if (e + 16 > b.size()) break;
    if (b[e + 1] == '1') {
      b[e] = 'x';
      b[e + 1] = '0';
      SetU32(b, e + 4, kKeyFrameFlag);
    }
  }
  std::string clip = Write(dir, b);
  ASSERT_EQ(RunSplitJob(At(clip, "1"))->result, 0);
  EXPECT_EQ(Layout(dir + "clip-1.avi").videoEntries, 96u);
  EXPECT_EQ(Layout(dir + "clip-2.avi").videoEntries, 4u);
}

TEST(SplitSound, EntriesWithUnprintableCodesAreCountedWhereTheyAreWritten) {
  // The walk counts no entry whose code has an unprintable byte, but the
  // passes route "0" + digit entries whatever follows: the outputs' idx1 and
  // RIFF sizes must count what is written.
  std::string dir = FreshDir("unprintable");
  Bytes b = BuildAvi(Clip(100, 12));
  for (uint32_t i : {60u, 61u, 62u}) {
    size_t e = EntryAt(b, i);
    b[e + 3] = 0x01;
  }
  std::string clip = Write(dir, b);
  ASSERT_EQ(RunSplitJob(At(clip, "1", "0.5"))->result, 0);
  for (const char* name : {"clip-1.avi", "clip-2.avi"}) {
    SCOPED_TRACE(name);
    Bytes out = ReadBytes(dir + name);
    ASSERT_GT(out.size(), 100u);
    EXPECT_EQ(GetU32(out, 4), out.size() - 8) << "RIFF size";
    size_t idx1 = out.size();
    for (size_t at = 12; at + 8 <= out.size();) {
      uint32_t code = GetU32(out, at), size = GetU32(out, at + 4);
      if (code == kIdx1) idx1 = at;
      at += 8 + size + (size & 1);
    }
    ASSERT_LT(idx1, out.size());
    EXPECT_EQ(idx1 + 8 + GetU32(out, idx1 + 4), out.size()) << "idx1 size covers every entry written";
  }
}

TEST(SplitSound, ChunksPastTheEndOfTheInputEndTheRun) {
  std::string dir = FreshDir("past_end");
  Bytes b = BuildAvi(Clip(100, 12));
  // The last video entry points far beyond the file.
  uint32_t lastVideo = 0;
  for (uint32_t i = 0;; ++i) {
    size_t e = EntryAt(b, i);
    if (e + 16 > b.size()) break;
    if (b[e + 1] == '0') lastVideo = i;
  }
  SetU32(b, EntryAt(b, lastVideo) + 8, 0x7FFF0000);
  std::string clip = Write(dir, b);
  // Only the second file holds that chunk: the first alone is written fine.
  EXPECT_EQ(RunSplitJob(At(clip, "2", "", CreateMode::First))->result, 0);
  const Bytes firstAlone = ReadBytes(dir + "clip-1.avi");
  auto run = RunSplitJob(At(clip, "2"));
  EXPECT_EQ(run->result, 13);
  EXPECT_NE(run->message().find("Error\n\nIndex entry "), std::string::npos) << "then which entry misses its chunk";
  EXPECT_EQ(run->outcome.detail.rfind(clip + ": the input ended before the chunks its index names\n", 0), 0u);
  EXPECT_TRUE(ReadBytes(dir + "clip-1.avi") == firstAlone) << "the earlier output is kept as it was";
  EXPECT_FALSE(Exists(dir + "clip-2.avi"));
  EXPECT_EQ(FilesIn(dir), std::vector<std::string>({"clip-1.avi", "clip.avi"}));
}

TEST(SplitSound, ChunkHeadersAgreeWithTheIndexEvenWhenTheSourceDisagrees) {
  std::string dir = FreshDir("size_field");
  Bytes b = BuildAvi(Clip(100, 12));
  size_t entry = EntryAt(b, 4);  // some early chunk
  auto an0 = Analyse(Write(dir, b));
  size_t chunk = an0->analysis.moviOffset + GetU32(b, entry + 8);
  SetU32(b, chunk + 4, GetU32(b, chunk + 4) + 2);  // its own size field lies
  std::string clip = Write(dir, b);
  ASSERT_EQ(RunSplitJob(At(clip, "2"))->result, 0);
  OutputLayout first = Layout(dir + "clip-1.avi");  // checks size fields against idx1
  EXPECT_EQ(first.index[4].length, GetU32(b, entry + 12));
}

TEST(SplitSound, OutputsLargerThanTheirInputAreRefusedBeforeWriting) {
  std::string dir = FreshDir("huge");
  // 3000 index entries naming the same 2 MB key frame: a 5 GB first file.
  AviLayout layout;
  layout.streams = {StreamLayout{}};
  layout.chunks.push_back({0, 2u << 20, true, 1});
  Bytes b = BuildAvi(layout);
  size_t idx1 = EntryAt(b, 0) - 8;
  Bytes entry(b.begin() + idx1 + 8, b.begin() + idx1 + 24);
  b.resize(idx1);
  PutCode(b, "idx1");
  PutU32(b, 3000 * 16);
  for (int i = 0; i < 3000; ++i) b.insert(b.end(), entry.begin(), entry.end());
  SetU32(b, 4, uint32_t(b.size() - 8));
  std::string clip = Write(dir, b);
  auto run = RunSplitJob(At(clip, "100"));
  EXPECT_EQ(run->result, 14);
  EXPECT_EQ(run->message(), "Error");
  EXPECT_NE(run->outcome.detail.find(dir + "clip-1.avi: its index names "), std::string::npos) << run->outcome.detail;
  EXPECT_TRUE(run->host.progressCells.back() == 10) << "refused before the chunk pass";
  EXPECT_EQ(FilesIn(dir), std::vector<std::string>({"clip.avi"}));
}

// ---- The buffered pieces underneath: exact bytes whatever the sizes ----

TEST(SplitIo, ChunksLargerThanTheCopyWindowAreCopiedExactly) {
  std::string dir = FreshDir("big_chunks");
  AviLayout layout = Clip(60, 12);
  layout.chunks[0].size = (5u << 20) + 3;  // the first key frame: 5 MB and odd
  layout.chunks[layout.chunks.size() / 2].size = (3u << 20) + 1;
  std::string clip = Write(dir, BuildAvi(layout));
  ASSERT_EQ(RunSplitJob(At(clip, "1", "0.5"))->result, 0);
  OutputLayout first = Layout(dir + "clip-1.avi"), second = Layout(dir + "clip-2.avi");
  CheckAgainstSource(clip, &first, &second);
}

TEST(SplitIo, OutputFileWritesExactBytesAndReportsFailures) {
  std::string dir = FreshDir("output_file");
  Bytes expected;
  {
    OutputFile out;
    ASSERT_TRUE(out.Create(dir + "out.bin"));
    uint32_t seed = 7;
    for (int i = 0; i < 400; ++i) {
      seed = seed * 1103515245 + 12345;
      Bytes piece((seed >> 8) % (i % 50 == 0 ? 700000 : 3000));
      for (size_t k = 0; k < piece.size(); ++k) piece[k] = uint8_t(seed + k);
      ASSERT_TRUE(out.Write(piece.data(), piece.size()));
      expected.insert(expected.end(), piece.begin(), piece.end());
      ASSERT_TRUE(out.WriteU32(seed));
      PutU32(expected, seed);
    }
    EXPECT_EQ(out.Position(), expected.size());
    EXPECT_FALSE(Exists(dir + "out.bin")) << "nothing under the final name before the commit";
    ASSERT_TRUE(out.Finish());
    ASSERT_TRUE(out.Commit());
  }
  EXPECT_TRUE(ReadBytes(dir + "out.bin") == expected);
  EXPECT_EQ(FilesIn(dir), std::vector<std::string>({"out.bin"}));

  // A file limit stands in for a full disk: the failure and its reason come
  // back, the final name keeps its old bytes and no temporary file stays.
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 100000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  {
    OutputFile full;
    ASSERT_TRUE(full.Create(dir + "out.bin"));
    Bytes big(3 << 20, 2);
    EXPECT_FALSE(full.Write(big.data(), big.size()));
    EXPECT_TRUE(full.Failed());
    EXPECT_FALSE(full.Finish());
    EXPECT_FALSE(full.Commit());
    EXPECT_EQ(full.Reason(), std::strerror(EFBIG));
  }
  {
    OutputFile late;  // the failed flush is reported when finishing
    ASSERT_TRUE(late.Create(dir + "out.bin"));
    Bytes piece(200000, 3);
    late.Write(piece.data(), 150000);
    EXPECT_FALSE(late.Finish());
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_TRUE(ReadBytes(dir + "out.bin") == expected);
  EXPECT_EQ(FilesIn(dir), std::vector<std::string>({"out.bin"}));

  // What a new file cannot replace is refused at once, with the reason.
  ASSERT_EQ(mkdir((dir + "folder.avi").c_str(), 0755), 0);
  OutputFile folder;
  EXPECT_FALSE(folder.Create(dir + "folder.avi"));
  EXPECT_EQ(folder.Reason(), std::strerror(EISDIR));
  OutputFile nowhere;
  EXPECT_FALSE(nowhere.Create(dir + "missing/out.bin"));
  EXPECT_EQ(nowhere.Reason(), std::strerror(ENOENT));
}

// ---- Runs of chunks copied file to file against the chunk-by-chunk writing ----

namespace {

// Splits path both ways into real files (so that the runs go through the
// system's file-to-file copy) and expects the same bytes from each.
void ExpectRunsEqualChunkByChunk(const std::string& path, double seconds, double overlap) {
  SCOPED_TRACE(path + " at " + std::to_string(seconds) + " s, overlap " + std::to_string(overlap));
  auto an = Analyse(path);
  TimeSplit time;
  time.seconds = Typed(seconds);
  time.overlap = Typed(overlap);
  SplitPlan plan;
  ASSERT_EQ(PlanSplit(an->Source(), time, plan), SplitResult::Completed);
  Bytes written[2][2];
  const ChunkCopy modes[2] = {ChunkCopy::Runs, ChunkCopy::ChunkByChunk};
  for (int m = 0; m < 2; ++m) {
    OutputFile files[2];
    OutputStream* streams[2];
    for (int x = 0; x < 2; ++x) {
      ASSERT_TRUE(files[x].Create(path + ".out" + std::to_string(x)));
      streams[x] = &files[x];
    }
    NativeSink sink;
    int failed = -1;
    ASSERT_EQ(WriteSplitStreams(an->Source(), plan, streams, sink, &failed, modes[m]), SplitResult::Completed);
    for (int x = 0; x < 2; ++x) {
      ASSERT_TRUE(files[x].Finish() && files[x].Commit());
      written[m][x] = ReadBytes(path + ".out" + std::to_string(x));
      std::remove((path + ".out" + std::to_string(x)).c_str());
    }
  }
  for (int x = 0; x < 2; ++x) {
    EXPECT_TRUE(written[0][x] == written[1][x]) << "output " << x + 1;
    OutputLayout l;
    CheckOutput(written[0][x], &l);
  }
}

}  // namespace

namespace {

// Files whose chunks lie back to back, and files that break such runs:
// JUNK between chunks, pad bytes that are not zero, rec lists, absolute
// offsets, size fields that disagree with the index, entries out of file
// order, a chunk named twice.
std::vector<std::pair<std::string, Bytes>> RunLayouts() {
  AviLayout plain = Clip(120, 12, 4608);
  for (size_t i = 0; i < plain.chunks.size(); i += 5) plain.chunks[i].size = 70001 + uint32_t(i);
  AviLayout gaps = plain;
  for (size_t i = 3; i < gaps.chunks.size(); i += 7) gaps.chunks[i].junkBefore = 1 + uint32_t(i % 5);
  for (size_t i = 0; i < gaps.chunks.size(); ++i)
    if (gaps.chunks[i].size & 1) gaps.chunks[i].padByte = i % 3 ? 0 : 0xEE;
  AviLayout rec = plain;
  rec.chunksPerRec = 3;
  AviLayout absolute = gaps;
  absolute.absoluteOffsets = true;
  Bytes odd = BuildAvi(plain);
  const size_t movi = MoviTypeAt(odd);
  for (uint32_t n : {4u, 40u, 90u}) {
    const size_t chunk = movi + GetU32(odd, EntryAt(odd, n) + 8);
    SetU32(odd, chunk + 4, GetU32(odd, chunk + 4) + 2);
  }
  for (size_t k = 0; k < 16; ++k) std::swap(odd[EntryAt(odd, 20) + k], odd[EntryAt(odd, 22) + k]);
  for (size_t k = 8; k < 16; ++k) odd[EntryAt(odd, 60) + k] = odd[EntryAt(odd, 62) + k];
  return {{"plain.avi", BuildAvi(plain)}, {"gaps.avi", BuildAvi(gaps)},   {"rec.avi", BuildAvi(rec)},
          {"absolute.avi", BuildAvi(absolute)}, {"odd.avi", odd}};
}

}  // namespace

TEST(SplitRuns, FileToFileRunsWriteTheChunkByChunkBytes) {
  std::string dir = FreshDir("runs");
  const double at[] = {2.3, 2.1, 2.0, 2.5, 2.2};
  const double overlap[] = {1.1, 0.5, 0, 0, 0.3};
  int n = 0;
  for (const auto& layout : RunLayouts()) {
    ExpectRunsEqualChunkByChunk(Write(dir, layout.second, layout.first), at[n], overlap[n]);
    ++n;
  }
  ExpectRunsEqualChunkByChunk(Write(dir, RunLayouts()[0].second, "plain.avi"), 2.3, 0);
}

TEST(SplitRuns, SamplesWriteTheChunkByChunkBytes) {
  const char* samples = std::getenv("TAVRIN_SAMPLES");
  if (!samples) GTEST_SKIP() << "TAVRIN_SAMPLES not set";
  int tried = 0;
  for (const std::string& name : FilesIn(std::string(samples) + "/")) {
    if (name.size() < 4 || name.substr(name.size() - 4) != ".avi") continue;
    const std::string path = std::string(samples) + "/" + name;
    const std::string copy = FreshDir("runs_samples") + name;
    ASSERT_TRUE(WriteFile(copy, ReadBytes(path)));
    auto an = Analyse(copy);
    for (double overlap : {0.0, 0.5}) {
      TimeSplit time;
      time.seconds = 1;
      time.overlap = Typed(overlap);
      SplitPlan plan;
      if (PlanSplit(an->Source(), time, plan) == SplitResult::Completed) {
        ExpectRunsEqualChunkByChunk(copy, 1, overlap);
        ++tried;
      }
    }
  }
  EXPECT_GT(tried, 0);
}

// ---- The split of a file on disk starts from a guessed analysis ----

namespace {

// A clip whose fifth video chunk holds, 4 bytes into its data, a chunk the
// walk records: found only by the walk that looks inside every chunk.
Bytes ClipHiding(const char* code, const Bytes& data) {
  Bytes b = BuildAvi(Clip(100, 12));
  const size_t movi = MoviTypeAt(b);
  const size_t chunk = movi + GetU32(b, EntryAt(b, 8) + 8);
  Bytes inner;
  PutCode(inner, code);
  PutU32(inner, uint32_t(data.size()));
  inner.insert(inner.end(), data.begin(), data.end());
  EXPECT_GE(GetU32(b, chunk + 4), inner.size() + 4);
  std::copy(inner.begin(), inner.end(), b.begin() + long(chunk + 12));
  return b;
}

Bytes StreamHeaderData(const char* type, uint32_t rate) {
  Bytes d(56, 0);
  std::memcpy(d.data(), type, 4);
  SetU32(d, 20, 1);     // dwScale
  SetU32(d, 24, rate);  // dwRate
  return d;
}

}  // namespace

TEST(SplitGuess, TheJobGivesWhatTheWholeWalkGivesWhateverHidesInTheChunks) {
  Bytes avih(56, 0);
  SetU32(avih, 0, 20000);  // 50 frames a second
  SetU32(avih, 16, 200);
  Bytes recIndex;
  PutCode(recIndex, "rec ");
  for (int i = 0; i < 3; ++i) PutU32(recIndex, 0);
  Bytes padding(40, 0x20);
  const struct {
    const char* name;
    Bytes file;
  } cases[] = {
      {"a stream header", ClipHiding("strh", StreamHeaderData("vids", 30))},
      {"a main header", ClipHiding("avih", avih)},
      {"an index of rec lists", ClipHiding("idx1", recIndex)},
      {"an OpenDML index", ClipHiding("indx", padding)},
      {"nothing the walk records", ClipHiding("JUNK", padding)},
      {"a clip as muxers write it", BuildAvi(Clip(100, 12))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string dir = FreshDir("guess");
    const std::string clip = Write(dir, c.file);
    // What the walk of every chunk leads to, through the engine alone.
    auto an = Analyse(clip);
    AviAnalysis guess{};
    GuessAnalysis(guess, an->input, an->input.Size());
    EXPECT_EQ(SameAnalysis(guess, an->analysis), std::string(c.name) == "nothing the walk records" ||
                                                    std::string(c.name) == "a clip as muxers write it");
    TimeSplit time;
    time.seconds = 2;
    SplitPlan plan;
    const SplitResult planned = PlanSplit(an->Source(), time, plan);
    MemoryOutput expected[2];
    if (planned == SplitResult::Completed) {
      OutputStream* streams[2] = {&expected[0], &expected[1]};
      int failed = -1;
      ASSERT_EQ(WriteSplitStreams(an->Source(), plan, streams, an->host, &failed), SplitResult::Completed);
    }

    auto run = RunSplitJob(At(clip, "2"));
    EXPECT_EQ(run->outcome.result, planned);
    if (planned == SplitResult::Completed) {
      EXPECT_TRUE(ReadBytes(dir + "clip-1.avi") == expected[0].bytes);
      EXPECT_TRUE(ReadBytes(dir + "clip-2.avi") == expected[1].bytes);
    } else {
      EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"clip.avi"});  // no output, no temporary file
    }
  }
}

TEST(SplitGuess, FilesFromRealMuxersAreGuessedRight) {
  int tried = 0;
  for (const Sample& sample : Samples()) {
    SCOPED_TRACE(sample.file);
    ByteInput input;
    ASSERT_TRUE(input.Open(sample.file.c_str()));
    AviAnalysis walked{}, guessed{};
    AnalyseFile(walked, input, input.Size(), WalkProgress{});
    GuessAnalysis(guessed, input, input.Size());
    EXPECT_TRUE(SameAnalysis(walked, guessed));
    ++tried;
  }
  EXPECT_GT(tried, 0) << "TAVRIN_SAMPLES names no samples";
}

TEST(SplitGuess, TheCheckBesideTheWalkAgreesWithReadingEveryHeader) {
  const std::string dir = FreshDir("guess_check");
  int sound = 0;
  for (const auto& layout : RunLayouts()) {
    SCOPED_TRACE(layout.first);
    auto an = Analyse(Write(dir, layout.second, layout.first));
    StoredChunkCheck check(an->input, an->analysis);
    WalkProgress progress;
    progress.visitor = &check;
    AviAnalysis walked{};
    AnalyseFile(walked, an->input, an->input.Size(), progress);
    EXPECT_TRUE(SameAnalysis(walked, an->analysis)) << "the visitor changes nothing";
    const bool direct = ChunksStoredAsWritten(an->input, an->analysis);
    // Beside the walk the check may say no where reading says yes (an index
    // out of file order), never the other way round.
    EXPECT_TRUE(!check.Result() || direct);
    if (layout.first != "odd.avi") {
      EXPECT_EQ(check.Result(), direct);
    }
    sound += direct;

    // Either way the job writes what chunk-by-chunk writing gives.
    TimeSplit time;
    time.seconds = LeadingDecimal("2.2");
    SplitPlan plan;
    ASSERT_EQ(PlanSplit(an->Source(), time, plan), SplitResult::Completed);
    MemoryOutput expected[2];
    OutputStream* streams[2] = {&expected[0], &expected[1]};
    int failed = -1;
    ASSERT_EQ(WriteSplitStreams(an->Source(), plan, streams, an->host, &failed, ChunkCopy::ChunkByChunk),
              SplitResult::Completed);
    auto run = RunSplitJob(At(an->path, "2.2"));
    ASSERT_EQ(run->outcome.result, SplitResult::Completed);
    const std::string stem = an->path.substr(0, an->path.size() - 4);
    EXPECT_TRUE(ReadBytes(stem + "-1.avi") == expected[0].bytes);
    EXPECT_TRUE(ReadBytes(stem + "-2.avi") == expected[1].bytes);
  }
  EXPECT_EQ(sound, 2) << "plain and rec are stored as written";
}

// Names an earlier split left: the question comes once the job knows its
// names and before it creates any file (on a long job the user does not wait
// for the whole write to be asked); No writes nothing at all, Yes replaces.
// The folder is looked at when the first question comes (the commit asks
// again about what exists then; the window's sink does not repeat itself).
TEST(SplitAsks, BeforeCreatingAnyFile) {
  const std::string dir = FreshDir("asks_first");
  const std::string clip = Write(dir, BuildAvi(Clip(250, 25)));  // 10 s
  ASSERT_TRUE(WriteFile(dir + "clip-2.avi", Bytes{'o', 'l', 'd'}));
  for (bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "Yes" : "No");
    std::vector<std::vector<std::string>> asked;
    std::vector<std::string> folderWhenAsked;
    auto run = RunSplitJob(At(clip, "5"), [&](JobRun& r) {
      r.host.onMayReplace = [&](const std::vector<std::string>& names) {
        if (asked.empty()) folderWhenAsked = FilesIn(dir);
        asked.push_back(names);
        return yes;
      };
    });
    ASSERT_EQ(asked.size(), yes ? 2u : 1u);
    EXPECT_EQ(asked[0], std::vector<std::string>{dir + "clip-2.avi"});
    EXPECT_EQ(folderWhenAsked, (std::vector<std::string>{"clip-2.avi", "clip.avi"}));  // no temporary file yet
    if (!yes) {
      EXPECT_EQ(run->outcome.result, SplitResult::Cancelled);
      EXPECT_EQ(FilesIn(dir), folderWhenAsked);
      EXPECT_EQ(ReadBytes(dir + "clip-2.avi"), (Bytes{'o', 'l', 'd'}));
    } else {
      EXPECT_EQ(run->outcome.result, SplitResult::Completed) << run->message();
      EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"clip-1.avi", "clip-2.avi", "clip.avi"}));
      EXPECT_GT(ReadBytes(dir + "clip-2.avi").size(), 1000u);
    }
  }
}
