// The jobs on OpenDML inputs against the same jobs on their flattened
// version-1 twins (the view written out as a plain file): splits at several
// points, overlaps and create modes, size splits and merges must give the
// same result numbers, messages and output bytes. Broken indexes are
// refused with their reason, and nothing is written.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "merge/merge_job.h"
#include "merge/merge_output.h"
#include "split/split_job.h"
#include "tests/native/odml_builder.h"
#include "tests/native/test_merge_support.h"
#include "tests/native/test_split_support.h"

using namespace avitest;
using splittest::FilesIn;
using splittest::FreshDir;
using splittest::ReadBytes;

namespace {

// What one job run left: its number, its messages, its detail (folder
// names taken out) and every file of its folder.
struct Ran {
  int32_t result = 0;
  std::vector<std::string> messages;
  std::string detail;
  std::map<std::string, Bytes> files;
};

Ran Collect(const std::string& dir, int32_t result, const NativeSink& sink, std::string detail) {
  Ran r;
  r.result = result;
  r.messages = sink.messages;
  for (size_t at; (at = detail.find(dir)) != std::string::npos;) detail.erase(at, dir.size());
  r.detail = detail;
  for (const std::string& name : FilesIn(dir)) r.files[name] = ReadBytes(dir + name);
  return r;
}

void ExpectSame(const Ran& odml, const Ran& flat) {
  EXPECT_EQ(odml.result, flat.result);
  EXPECT_EQ(odml.messages, flat.messages);
  EXPECT_EQ(odml.detail, flat.detail);
  ASSERT_EQ(odml.files.size(), flat.files.size());
  for (const auto& f : flat.files) {
    if (f.first == "clip.avi" || f.first == "part-1.avi" || f.first == "part-2.avi") continue;  // the inputs
    auto it = odml.files.find(f.first);
    ASSERT_NE(it, odml.files.end()) << f.first;
    EXPECT_TRUE(it->second == f.second) << f.first << " differs";
  }
}

// Removes what a run wrote, keeping the inputs.
void ClearOutputs(const std::string& dir) {
  for (const std::string& name : FilesIn(dir))
    if (name.find('-') != std::string::npos && name != "part-1.avi" && name != "part-2.avi")
      std::remove((dir + name).c_str());
}

Ran Split(const std::string& dir, const splittest::SplitFields& fields) {
  splittest::SplitFields f = fields;
  f.file = dir + "clip.avi";
  auto run = splittest::RunSplitJob(f, [](splittest::JobRun& r) { r.host.doPluginWork = true; });
  Ran r = Collect(dir, run->result, run->host, run->outcome.detail);
  ClearOutputs(dir);
  return r;
}

Ran Merge(const std::string& dir, const std::string& first, const std::string& second, int englishUi = 1) {
  auto run = mergetest::RunJob(dir + first, dir + second, englishUi,
                               [](mergetest::JobRun& r) { r.host.doPluginWork = true; });
  Ran r = Collect(dir, run->result, run->host, run->outcome.detail);
  ClearOutputs(dir);
  return r;
}

using LayoutOf = std::function<OdmlAviLayout(const AviLayout&)>;

std::vector<std::pair<const char*, LayoutOf>> Layouts() {
  return {
      {"ix at the end of each movi, bases at movi",
       [](const AviLayout& c) { return FfmpegLike(c, {c.chunks.size() / 3, c.chunks.size() * 2 / 3}); }},
      {"absolute bases and idx1",
       [](const AviLayout& c) { return AvimuxLike(c, {c.chunks.size() / 2}); }},
      {"all in the last movi, one spanning two RIFF lists",
       [](const AviLayout& c) { return MencoderLike(c, {c.chunks.size() / 3}, uint32_t(c.chunks.size() / 4 + 1)); }},
      {"several per movi",
       [](const AviLayout& c) { return MencoderLike(c, {c.chunks.size() / 2}, 5); }},
      {"all in the first movi, preallocated",
       [](const AviLayout& c) { return DvgrabLike(c, {c.chunks.size() * 3 / 4}, c.chunks.size() / 4); }},
  };
}

AviLayout Clip() {
  AviLayout clip = SimpleClip(60, 12, 1764);
  clip.junkAfterHeader = "kept";
  clip.chunks[10].size = 0;    // a skipped frame
  clip.chunks[12].size = 777;  // odd: a pad byte follows
  return clip;
}

// The same file in two folders: as OpenDML, and as its flattened twin.
struct Twins {
  std::string odml, flat;
};

Twins WriteTwins(const std::string& name, const std::vector<std::pair<std::string, Bytes>>& files) {
  Twins t{FreshDir(name + "-odml"), FreshDir(name + "-flat")};
  for (const auto& f : files) {
    EXPECT_TRUE(WriteFile(t.odml + f.first, f.second));
    std::string why;
    const Bytes flat = Flattened(f.second, &why);
    EXPECT_FALSE(flat.empty()) << why;
    EXPECT_TRUE(WriteFile(t.flat + f.first, flat));
  }
  return t;
}

}  // namespace

TEST(OdmlJobs, SplitsAndMergesEqualThoseOfTheFlattenedTwin) {
  int layoutNumber = 0, written = 0;
  for (const auto& layout : Layouts()) {
    SCOPED_TRACE(layout.first);
    const AviLayout clip = Clip();
    const Bytes whole = BuildOdml(layout.second(clip)).bytes;
    const Bytes first = BuildOdml(layout.second(mergetest::FrameRange(clip, 0, 40))).bytes;
    const Bytes second = BuildOdml(layout.second(mergetest::FrameRange(clip, 28, 60))).bytes;
    const Twins t = WriteTwins("twins" + std::to_string(layoutNumber++),
                               {{"clip.avi", whole}, {"part-1.avi", first}, {"part-2.avi", second}});

    for (const char* seconds : {"0.5", "1.3", "2", "9"})
      for (const char* overlap : {"0", "0.7", "60"})
        for (CreateMode create : {CreateMode::Both, CreateMode::First, CreateMode::Second}) {
          SCOPED_TRACE(std::string(seconds) + " s, overlap " + overlap + ", create " + std::to_string(int(create)));
          splittest::SplitFields f;
          f.hours = f.minutes = "0";
          f.seconds = seconds;
          f.overlap = overlap;
          f.create = create;
          const Ran odml = Split(t.odml, f);
          ExpectSame(odml, Split(t.flat, f));
          written += int(odml.files.size()) - 3;
        }
    for (const char* megabytes : {"0.1", "0.12"}) {  // of 0.14
      splittest::SplitFields f;
      f.bySize = true;
      f.overlap = "0";
      f.sizeMb = megabytes;
      const Ran odml = Split(t.odml, f);
      ExpectSame(odml, Split(t.flat, f));
      EXPECT_EQ(odml.files.size(), 5u) << odml.messages.front();
    }
    for (int englishUi : {1, 0}) {
      ExpectSame(Merge(t.odml, "part-1.avi", "part-2.avi", englishUi),
                 Merge(t.flat, "part-1.avi", "part-2.avi", englishUi));
      ExpectSame(Merge(t.odml, "clip.avi", "part-2.avi", englishUi),
                 Merge(t.flat, "clip.avi", "part-2.avi", englishUi));
    }
    Ran joined = Merge(t.odml, "part-1.avi", "part-2.avi");
    EXPECT_EQ(joined.result, 0);
    ASSERT_EQ(joined.files.count("part-m.avi"), 1u);
    // The plug-in library writes the joined file from the names alone.
    NativeSink sink;
    EXPECT_EQ(WriteJoinedFileAnew(t.odml + "part-1.avi", t.odml + "part-2.avi", t.odml + "anew.avi", sink),
              WriteResult::Written);
    EXPECT_TRUE(ReadBytes(t.odml + "anew.avi") == joined.files.at("part-m.avi"));
    std::remove((t.odml + "anew.avi").c_str());
  }
  // Most of the splits wrote files (the others are refusals both ways).
  EXPECT_GE(written, 5 * 12);
}

TEST(OdmlJobs, BrokenIndexesAreRefusedWithTheirReasonAndNothingIsWritten) {
  OdmlAviLayout layout = FfmpegLike(Clip(), {48});
  const BuiltOdml good = BuildOdml(layout);
  const PlacedChunk& chunk = good.chunks[6];
  size_t videoEntry = 0;  // entry 3 of the first video ix##
  for (size_t i = 0; i < layout.slots.size() && !videoEntry; ++i)
    if (layout.slots[i].stream == 0) videoEntry = good.standardIndexes[i] + 32 + 8 * 3;
  struct Case {
    const char* name;
    std::function<void(Bytes&)> damage;
    const char* english;
    const char* japanese;
  };
  const std::vector<Case> cases = {
      {"index past the end", [&](Bytes& b) { SetU32(b, good.superIndexes[1] + 32 + 16 + 4, 1); },
       "an index points past the end of the file", "インデックスがファイルの終わりより先を指しています"},
      {"wrong chunk id", [&](Bytes& b) { std::memcpy(&b[chunk.header], "01wb", 4); },
       "an entry points at a chunk of another stream", "別のストリームのチャンク"},
      {"truncated in the AVIX", [&](Bytes& b) { b.resize(good.riffs[1] + 400); }, "The file is cut short",
       "ファイルが途中で切れています"},
      {"one chunk named over and over",
       [&](Bytes& b) {
         for (uint32_t e = 1; e < 4; ++e) SetU32(b, videoEntry + 8 * e, GetU32(b, videoEntry));
       },
       "entries name the same chunk twice", "同じチャンク"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes broken = good.bytes;
    c.damage(broken);
    const std::string dir = FreshDir("broken");
    ASSERT_TRUE(WriteFile(dir + "clip.avi", broken));
    const Bytes flat = Flattened(good.bytes);
    EXPECT_FALSE(flat.empty());
    ASSERT_TRUE(WriteFile(dir + "part-2.avi", flat));
    for (int englishUi : {1, 0}) {
      const std::string text = englishUi ? "Avi File???\n\n" : "未対応のファイルです\n\n";
      const char* reason = englishUi ? c.english : c.japanese;
      splittest::SplitFields f;
      f.hours = f.minutes = "0";
      f.seconds = "1";
      f.overlap = "0.5";
      f.english = englishUi == 1;
      for (bool bySize : {false, true}) {
        f.bySize = bySize;
        f.sizeMb = "0.05";
        const Ran split = Split(dir, f);
        EXPECT_EQ(split.result, bySize ? -3 : 6);
        ASSERT_FALSE(split.messages.empty());
        EXPECT_EQ(split.messages[0].rfind(text, 0), 0u) << split.messages[0];
        EXPECT_NE(split.messages[0].find(reason), std::string::npos) << split.messages[0];
        EXPECT_EQ(split.files.size(), 2u) << "no output";
        EXPECT_TRUE(split.files.at("clip.avi") == broken) << "the input is unchanged";
      }
      for (bool brokenFirst : {true, false}) {
        const Ran merge = brokenFirst ? Merge(dir, "clip.avi", "part-2.avi", englishUi)
                                      : Merge(dir, "part-2.avi", "clip.avi", englishUi);
        EXPECT_EQ(merge.result, 6);
        ASSERT_EQ(merge.messages.size(), 1u);
        EXPECT_EQ(merge.messages[0].rfind(text, 0), 0u) << merge.messages[0];
        EXPECT_NE(merge.messages[0].find(reason), std::string::npos) << merge.messages[0];
        EXPECT_EQ(merge.detail.rfind("clip.avi: ", 0), 0u) << merge.detail;
        EXPECT_NE(merge.detail.find(c.english), std::string::npos) << merge.detail;
        EXPECT_EQ(merge.files.size(), 2u) << "no joined file";
      }
    }
  }
}
