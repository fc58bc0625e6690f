// The cut's rule against a direct reading of it: ranges in milliseconds,
// frame positions as 128-bit floors and ceilings, key frames looked up by
// walking the frames one by one, kept frames marked in a table. Crafted
// key-frame layouts at PAL, NTSC (30000/1001) and odd rates; then the
// range texts and the cut lists.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "cut/cut_list.h"
#include "cut/cut_rule.h"

namespace {

using u128 = unsigned __int128;

struct Layout {
  uint32_t rate, scale, frames;
  std::vector<uint32_t> keys;
};

// A range of whole milliseconds, either end open (-1).
struct MsRange {
  int64_t a, b;
};

uint64_t FloorMs(int64_t ms, const Layout& l) { return uint64_t(u128(ms) * l.rate / (u128(1000) * l.scale)); }
uint64_t CeilMs(int64_t ms, const Layout& l) {
  const u128 n = u128(ms) * l.rate, d = u128(1000) * l.scale;
  return uint64_t((n + d - 1) / d);
}

bool IsKey(const Layout& l, uint64_t f) { return std::find(l.keys.begin(), l.keys.end(), f) != l.keys.end(); }

// The rule read word by word.
std::pair<uint32_t, uint32_t> Direct(const MsRange& r, const Layout& l) {
  const uint64_t a = r.a < 0 ? 0 : FloorMs(r.a, l);
  uint64_t s = 0;
  for (uint64_t f = a + 1; f-- > 0;)
    if (IsKey(l, f)) {
      s = f;
      break;
    }
  uint64_t e = l.frames;
  if (r.b >= 0)
    for (uint64_t f = CeilMs(r.b, l); f < l.frames; ++f)
      if (IsKey(l, f)) {
        e = f;
        break;
      }
  return {uint32_t(s), uint32_t(e)};
}

AskedRange Asked(const MsRange& r) {
  AskedRange a;
  if (r.a >= 0) a.start = RangeBound::Time(ExactTime::Decimal(uint64_t(r.a), 3));
  if (r.b >= 0) a.end = RangeBound::Time(ExactTime::Decimal(uint64_t(r.b), 3));
  return a;
}

VideoClock Clock(const Layout& l) { return VideoClock{l.rate, l.scale, l.frames}; }

std::vector<Layout> Layouts() {
  std::vector<Layout> out;
  auto every = [](uint32_t rate, uint32_t scale, uint32_t frames, uint32_t gop, uint32_t first) {
    Layout l{rate, scale, frames, {}};
    for (uint32_t f = first; f < frames; f += gop) l.keys.push_back(f);
    return l;
  };
  out.push_back(every(25, 1, 750, 12, 0));
  out.push_back(every(30000, 1001, 900, 15, 0));      // NTSC
  out.push_back(every(30000, 1001, 1800, 1, 0));      // NTSC, every frame a key frame
  out.push_back(every(24000, 1001, 500, 250, 0));     // long groups
  out.push_back(every(1000000, 33367, 600, 30, 7));   // no key frame at frame 0
  Layout irregular{30000, 1001, 1000, {0, 1, 2, 50, 51, 300, 301, 302, 700, 999}};
  out.push_back(irregular);
  return out;
}

TEST(CutRule, SnapsEveryRangeAsTheRuleReadsDirectly) {
  std::mt19937 random(28);
  for (const Layout& l : Layouts()) {
    std::vector<uint32_t> keys = l.keys;
    const int64_t lengthMs = int64_t(u128(l.frames) * l.scale * 1000 / l.rate);
    for (int n = 0; n < 3000; ++n) {
      // Times on frame boundaries (exact multiples), next to them, and anywhere.
      auto pick = [&]() -> int64_t {
        switch (random() % 4) {
          case 0: return -1;
          case 1: {
            const uint64_t f = random() % (l.frames + 2);
            return int64_t(u128(f) * l.scale * 1000 / l.rate);  // floor of the frame's time in ms
          }
          default: return int64_t(random() % uint64_t(lengthMs + 500));
        }
      };
      MsRange r{pick(), pick()};
      if (r.a >= 0 && r.b >= 0 && r.b <= r.a) std::swap(r.a, r.b);
      if (r.a >= 0 && r.a == r.b) r.b = -1;
      KeptRange kept;
      const bool snapped = SnapRange(Asked(r), keys, Clock(l), &kept);
      const bool startsInside = r.a < 0 || FloorMs(r.a, l) < l.frames;
      ASSERT_EQ(snapped, startsInside) << r.a << "-" << r.b;
      if (!snapped) continue;
      const auto direct = Direct(r, l);
      ASSERT_EQ(kept.first, direct.first) << l.rate << "/" << l.scale << " " << r.a << "-" << r.b;
      ASSERT_EQ(kept.end, direct.second) << l.rate << "/" << l.scale << " " << r.a << "-" << r.b;
      // All that was asked for is kept, and the range begins on a key frame (or frame 0).
      EXPECT_LE(kept.first, r.a < 0 ? 0 : FloorMs(r.a, l));
      EXPECT_TRUE(kept.first == 0 || IsKey(l, kept.first));
      EXPECT_TRUE(kept.end == l.frames || IsKey(l, kept.end));
      EXPECT_LT(kept.first, kept.end);
    }
  }
}

// Kept ranges made from dropped ones, snapped and merged, keep exactly the
// frames the direct reading marks: the frames of every gap between dropped
// ranges, widened to key frames.
TEST(CutRule, DroppedRangesKeepTheWholeGroupsOutsideThem) {
  std::mt19937 random(1001);
  for (const Layout& l : Layouts()) {
    const int64_t lengthMs = int64_t(u128(l.frames) * l.scale * 1000 / l.rate);
    for (int n = 0; n < 400; ++n) {
      std::vector<MsRange> drops;
      const int count = 1 + int(random() % 5);
      for (int d = 0; d < count; ++d) {
        int64_t a = int64_t(random() % uint64_t(lengthMs)), b = a + 1 + int64_t(random() % uint64_t(lengthMs / 3));
        if (random() % 8 == 0) a = -1;
        if (random() % 8 == 0) b = -1;
        drops.push_back(MsRange{a, b});
      }
      // Direct: the times no dropped range covers, as kept ranges of ms.
      std::vector<std::pair<int64_t, int64_t>> covered;
      for (const MsRange& d : drops) covered.push_back({d.a < 0 ? 0 : d.a, d.b < 0 ? INT64_MAX : d.b});
      std::sort(covered.begin(), covered.end());
      std::vector<MsRange> gaps;
      int64_t from = 0;
      for (const auto& c : covered) {
        if (c.first > from) gaps.push_back(MsRange{from == 0 ? -1 : from, c.first});
        from = std::max(from, c.second);
      }
      if (from != INT64_MAX) gaps.push_back(MsRange{from == 0 ? -1 : from, -1});
      std::vector<bool> directKept(l.frames, false);
      for (const MsRange& g : gaps) {
        if (g.a >= 0 && FloorMs(g.a, l) >= l.frames) continue;
        const auto se = Direct(g, l);
        for (uint32_t f = se.first; f < se.second; ++f) directKept[f] = true;
      }

      std::vector<AskedRange> asked;
      for (const MsRange& d : drops) asked.push_back(Asked(d));
      std::vector<DropGroup> groups;
      std::vector<KeptRange> snapped;
      for (const AskedRange& k : KeptBetween(asked, &groups)) {
        KeptRange r;
        if (SnapRange(k, l.keys, Clock(l), &r)) snapped.push_back(r);
      }
      std::vector<bool> kept(l.frames, false);
      const std::vector<KeptRange> merged = MergeKept(snapped);
      for (size_t i = 0; i < merged.size(); ++i) {
        if (i > 0) ASSERT_LT(merged[i - 1].end, merged[i].first) << "merged ranges neither overlap nor touch";
        for (uint32_t f = merged[i].first; f < merged[i].end; ++f) kept[f] = true;
      }
      ASSERT_EQ(kept, directKept);
      const uint32_t dropped = uint32_t(std::count(kept.begin(), kept.end(), false));
      EXPECT_EQ(FramesNotKept(snapped, l.frames), dropped);
    }
  }
}

TEST(CutRule, MergesRangesThatOverlapOrTouchOnceSnapped) {
  const Layout l{25, 1, 100, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}};
  std::vector<KeptRange> snapped;
  for (MsRange r : {MsRange{2500, 3100}, MsRange{1100, 1900}, MsRange{400, 600}, MsRange{3100, 3300}}) {
    KeptRange k;
    ASSERT_TRUE(SnapRange(Asked(r), l.keys, Clock(l), &k));
    k.asked.push_back(snapped.size());
    snapped.push_back(k);
  }
  // [60, 80), [20, 50), [10, 20), [70, 90): 10..50 touch, 60..90 overlap.
  const std::vector<KeptRange> merged = MergeKept(snapped);
  ASSERT_EQ(merged.size(), 2u);
  EXPECT_EQ(merged[0].first, 10u);
  EXPECT_EQ(merged[0].end, 50u);
  EXPECT_EQ(merged[0].asked, (std::vector<size_t>{2, 1}));
  EXPECT_EQ(merged[1].first, 60u);
  EXPECT_EQ(merged[1].end, 90u);
  EXPECT_EQ(FramesNotKept(snapped, 100), 100u - 40u - 30u);
}

TEST(CutRule, ADroppedRangeWithoutAWholeGroupDropsNothing) {
  const Layout l{25, 1, 100, {0, 50}};
  std::vector<AskedRange> drop = {Asked(MsRange{400, 1600})};  // frames 10..40: inside the group 0..49
  std::vector<DropGroup> groups;
  const std::vector<AskedRange> kept = KeptBetween(drop, &groups);
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[0].text, "-0.4");
  EXPECT_EQ(kept[1].text, "1.6-");
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(groups[0].keptBefore, 0);
  EXPECT_EQ(groups[0].keptAfter, 1);
  std::vector<KeptRange> snapped(2);
  ASSERT_TRUE(SnapRange(kept[0], l.keys, Clock(l), &snapped[0]));
  ASSERT_TRUE(SnapRange(kept[1], l.keys, Clock(l), &snapped[1]));
  EXPECT_EQ(snapped[0].end, 50u);
  EXPECT_EQ(snapped[1].first, 0u);
  EXPECT_EQ(FramesNotKept(snapped, 100), 0u);
}

TEST(CutRule, ReadsRangesAndSaysWhatIsWrong) {
  AskedRange r;
  RangeProblem problem;
  TimeTextProblem time;
  ASSERT_TRUE(ParseRange("1:02:03.5-1:03:00", &r, &problem, &time));
  EXPECT_EQ(r.start.time, ExactTime::Decimal(37235, 1));
  EXPECT_EQ(r.end.time, ExactTime(3780));
  ASSERT_TRUE(ParseRange("-0:30", &r, &problem, &time));
  EXPECT_FALSE(r.start.set);
  EXPECT_EQ(r.end.time, ExactTime(30));
  ASSERT_TRUE(ParseRange("58:00-", &r, &problem, &time));
  EXPECT_EQ(r.start.time, ExactTime(3480));
  EXPECT_FALSE(r.end.set);
  ASSERT_TRUE(ParseRange(" 95.5 - 100 ", &r, &problem, &time));
  EXPECT_EQ(r.start.time, ExactTime::Decimal(955, 1));

  EXPECT_FALSE(ParseRange("95", &r, &problem, &time));
  EXPECT_EQ(problem, RangeProblem::NoDash);
  EXPECT_FALSE(ParseRange("10-5", &r, &problem, &time));
  EXPECT_EQ(problem, RangeProblem::EndNotAfterStart);
  EXPECT_FALSE(ParseRange("5-5", &r, &problem, &time));
  EXPECT_EQ(problem, RangeProblem::EndNotAfterStart);
  EXPECT_FALSE(ParseRange("1:75-2:00", &r, &problem, &time));
  EXPECT_EQ(problem, RangeProblem::BadStart);
  EXPECT_EQ(time, TimeTextProblem::kSecondsOver59);
  EXPECT_FALSE(ParseRange("1-2-3", &r, &problem, &time));
  EXPECT_EQ(problem, RangeProblem::BadEnd);
}

TEST(CutList, ReadsEachFormatFromItsContentAndExtension) {
  CutList list;
  ListError error;
  // EDL: actions 0 and 3 dropped, 1 (mute) and 2 kept.
  ASSERT_TRUE(ParseCutList("rec.edl", "10.5 20.25 0\n30 40 1\n\n50\t60\t3\n", &list, &error));
  EXPECT_EQ(list.format, ListFormat::Edl);
  EXPECT_TRUE(list.dropped);
  ASSERT_EQ(list.ranges.size(), 2u);
  EXPECT_EQ(list.ranges[0].start.time, ExactTime::Decimal(105, 1));
  EXPECT_EQ(list.ranges[1].line, 4u);
  // The same content under another name is still an EDL.
  ASSERT_TRUE(ParseCutList("marks.txt", "10.5 20.25 0\r\n", &list, &error));
  EXPECT_EQ(list.format, ListFormat::Edl);

  ASSERT_TRUE(ParseCutList("rec.txt",
                           "FILE PROCESSING COMPLETE  53999 FRAMES AT  2997\n-------------------\n1\t2345\n12000 15000\n",
                           &list, &error));
  EXPECT_EQ(list.format, ListFormat::Comskip);
  EXPECT_EQ(list.rateTimes100, 2997u);
  ASSERT_EQ(list.ranges.size(), 2u);
  EXPECT_TRUE(list.ranges[1].start.inFrames);
  EXPECT_EQ(list.ranges[1].start.frame, 12000u);
  EXPECT_EQ(list.ranges[1].end.frame, 15000u);

  ASSERT_TRUE(ParseCutList("segments.csv", "0,12.5,\"Intro, part \"\"one\"\"\"\n20.000000,,\n", &list, &error));
  EXPECT_EQ(list.format, ListFormat::Csv);
  EXPECT_FALSE(list.dropped);
  ASSERT_EQ(list.ranges.size(), 2u);
  EXPECT_FALSE(list.ranges[1].end.set);

  ASSERT_TRUE(ParseCutList("keep.txt", "# kept\n0:10-0:20  # the intro\n\n1:00-\n", &list, &error));
  EXPECT_EQ(list.format, ListFormat::Plain);
  ASSERT_EQ(list.ranges.size(), 2u);
  EXPECT_EQ(list.ranges[0].line, 2u);
}

TEST(CutList, NamesTheBadLineAndWhatIsWrong) {
  CutList list;
  ListError error;
  EXPECT_FALSE(ParseCutList("rec.edl", "10 20 0\n30 x 0\n", &list, &error));
  EXPECT_EQ(error.line, 2u);
  EXPECT_NE(error.english.find("END"), std::string::npos);
  EXPECT_FALSE(error.japanese.empty());
  EXPECT_FALSE(ParseCutList("rec.edl", "10 20 0\n30 25 0\n", &list, &error));
  EXPECT_EQ(error.line, 2u);
  EXPECT_FALSE(ParseCutList("c.txt", "FILE PROCESSING COMPLETE\n---\n5 3\n", &list, &error));
  EXPECT_EQ(error.line, 3u);
  EXPECT_FALSE(ParseCutList("k.csv", "start,end,label\n", &list, &error));
  EXPECT_EQ(error.line, 1u);
  EXPECT_FALSE(ParseCutList("k.csv", "1,2,\"open\n", &list, &error));
  EXPECT_EQ(error.line, 1u);
  EXPECT_FALSE(ParseCutList("k.txt", "0-10\n20\n", &list, &error));
  EXPECT_EQ(error.line, 2u);
}

}  // namespace
