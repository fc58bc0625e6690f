// Exact times: the typed decimal read without rounding, the frame and sample
// positions computed from it checked against the rules read directly in
// 128-bit integers over many random inputs, and crafted files whose key
// frames fall exactly on the times asked for (every 0.2 s at 25 fps, every
// six frames of NTSC) cut exactly there, by split, --every and the overlaps.
#include <gtest/gtest.h>

#include <random>

#include "avi/exact_time.h"
#include "pieces/piece_plan.h"
#include "pieces/pieces_job.h"
#include "share/number_field.h"
#include "tests/native/test_split_support.h"

using namespace avitest;
using namespace splittest;

namespace {

using u128 = unsigned __int128;
constexpr uint64_t kE18 = ExactTime::kUnitsPerSecond;

u128 UnitsOf(const ExactTime& t) { return u128(t.whole) * kE18 + t.fraction; }
ExactTime FromUnits(u128 units) {
  ExactTime t;
  t.whole = uint64_t(units / kE18);
  t.fraction = uint64_t(units % kE18);
  return t;
}
uint64_t Saturated(u128 v) { return v > UINT64_MAX ? UINT64_MAX : uint64_t(v); }
u128 DivUp(u128 n, u128 d) { return n / d + (n % d != 0); }

// Random times over every magnitude, with 0 to 18 decimals.
class TimeSource {
 public:
  explicit TimeSource(uint64_t seed) : random_(seed) {}
  uint64_t Below(uint64_t n) { return n == 0 ? 0 : random_() % n; }
  uint64_t Digits(int n) {  // a number of up to n decimal digits
    uint64_t p = 1;
    for (int i = 0; i < n; ++i) p *= 10;
    return Below(p);
  }
  ExactTime Time(int maxWholeDigits = 12) {
    ExactTime t;
    t.whole = Digits(int(Below(maxWholeDigits + 1)));
    const int decimals = int(Below(19));
    uint64_t scale = kE18;
    for (int i = 0; i < decimals; ++i) scale /= 10;
    t.fraction = Digits(decimals) * scale;
    return t;
  }
  uint32_t U32() { return Below(4) == 0 ? uint32_t(Below(100)) : uint32_t(random_()); }

 private:
  std::mt19937_64 random_;
};

}  // namespace

TEST(ExactTime, ReadsTheNumberFieldsLeadingDecimal) {
  struct Case {
    const char* text;
    uint64_t whole, fraction;
  } cases[] = {
      {"", 0, 0},
      {"0.2", 0, 200000000000000000},
      {"1 2", 1, 0},
      {"1.5.3", 1, 500000000000000000},
      {"  7.25", 7, 250000000000000000},
      {".", 0, 0},
      {". 5", 0, 0},
      {".5", 0, 500000000000000000},
      {"5.", 5, 0},
      {"0 0", 0, 0},
      {"0.000000000000000001", 0, 1},
      {"0.0000000000000000019", 0, 1},  // the 19th decimal is dropped
      {"00012.000", 12, 0},
      {"99999999999999999999999", ExactTime::kMaxWholeSeconds, 0},  // longer than any file: held at the cap
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ExactTime t;
    ASSERT_TRUE(ParseNumberField(c.text, &t));
    EXPECT_EQ(t.whole, c.whole);
    EXPECT_EQ(t.fraction, c.fraction);
  }
  ExactTime t;
  for (const char* bad : {"-1", "1,5", "1e3", "+2", "1\t"}) EXPECT_FALSE(ParseNumberField(bad, &t)) << bad;
  EXPECT_EQ(ToText(LeadingDecimal("0.200")), "0.2");
  EXPECT_EQ(ToText(LeadingDecimal("60")), "60");
  EXPECT_EQ(ToText(LeadingDecimal("3723.000000000000000001")), "3723.000000000000000001");
  EXPECT_EQ(LeadingDecimal("0.2") * 3, LeadingDecimal("0.6"));  // what a double does not give
  EXPECT_EQ(LeadingDecimal("60.5") > ExactTime(60), true);
  EXPECT_EQ(LeadingDecimal("60.000") > ExactTime(60), false);
}

TEST(ExactTime, ReadsClockTimesAndSaysWhatIsWrong) {
  struct Good {
    const char* text;
    const char* seconds;
  } good[] = {{"95.5", "95.5"},       {"1:02:03.5", "3723.5"}, {"58:00", "3480"},  {"0:07.25", "7.25"},
              {" 1:00:00 ", "3600"},  {".5", "0.5"},           {"5.", "5"},        {"90:00", "5400"},
              {"100:59:59.999", "363599.999"}, {"0:00", "0"}};
  for (const Good& g : good) {
    ExactTime t;
    TimeTextProblem why = TimeTextProblem::kCount;
    EXPECT_TRUE(ParseClockTime(g.text, &t, &why)) << g.text;
    EXPECT_EQ(why, TimeTextProblem::kNone) << g.text;
    EXPECT_EQ(ToText(t), g.seconds) << g.text;
  }
  struct Bad {
    const char* text;
    TimeTextProblem why;
  } bad[] = {{"", TimeTextProblem::kEmpty},
             {"  ", TimeTextProblem::kEmpty},
             {"abc", TimeTextProblem::kNotANumber},
             {".", TimeTextProblem::kNotANumber},
             {"1:", TimeTextProblem::kNotANumber},
             {"1::05", TimeTextProblem::kNotANumber},
             {"1:02.", TimeTextProblem::kNotANumber},
             {"1:2:3:04", TimeTextProblem::kNotANumber},
             {"1:02:03.5.1", TimeTextProblem::kNotANumber},
             {"-5", TimeTextProblem::kNotANumber},
             {"1.5 2", TimeTextProblem::kNotANumber},
             {"1:5", TimeTextProblem::kSecondsNotTwoDigits},
             {"1:005", TimeTextProblem::kSecondsNotTwoDigits},
             {"1:75", TimeTextProblem::kSecondsOver59},
             {"1:75:00", TimeTextProblem::kMinutesOver59}};
  for (const Bad& b : bad) {
    ExactTime t;
    TimeTextProblem why = TimeTextProblem::kNone;
    EXPECT_FALSE(ParseClockTime(b.text, &t, &why)) << b.text;
    EXPECT_EQ(why, b.why) << b.text;
    EXPECT_STRNE(TimeTextProblemText(why).english, "") << b.text;
    EXPECT_STRNE(TimeTextProblemText(why).japanese, "") << b.text;
  }
}

// Every function against its rule read directly with 128-bit integers.
TEST(ExactTime, AgreesWithTheRulesInWideIntegers) {
  TimeSource in(20240527);
  for (int n = 0; n < 100000; ++n) {
    const ExactTime t = in.Time();
    const u128 units = UnitsOf(t);
    const uint32_t u = in.U32(), rate = in.U32(), scale = in.U32();
    SCOPED_TRACE(ToText(t) + " U " + std::to_string(u) + " rate " + std::to_string(rate) + "/" +
                 std::to_string(scale));
    if (u != 0) {
      // ceil/floor(t x 10^6 / U) = ceil/floor(units / (10^12 U))
      const u128 d = u128(1000000000000ull) * u;
      ASSERT_EQ(FrameAtOrAfter(t, u), Saturated(DivUp(units, d)));
      ASSERT_EQ(FrameAtOrBefore(t, u), Saturated(units / d));
    } else {
      ASSERT_EQ(FrameAtOrAfter(t, u), UINT64_MAX);
    }
    if (t.whole < (1ull << 30) && scale != 0) {  // the product stays within 128 bits
      const u128 d = u128(kE18) * scale;
      ASSERT_EQ(FrameCeilAtRate(t, rate, scale), Saturated(DivUp(units * rate, d)));
      ASSERT_EQ(FrameFloorAtRate(t, rate, scale), Saturated(units * rate / d));
    }
    const uint64_t frames = in.Below(4) == 0 ? in.Below(1000) : in.Below(uint64_t(1) << 32);
    ASSERT_EQ(SamplesInFrames(u, frames, rate), Saturated(u128(u) * frames * rate / 1000000));
    const uint32_t rateV = in.U32(), scaleV = in.U32();
    if (rateV != 0 && scale != 0) {
      ASSERT_EQ(SamplePosition(frames, rateV, scaleV, rate, scale),
                Saturated(u128(frames) * scaleV * rate / (u128(rateV) * scale)));
    }
    ASSERT_EQ(FramesTime(u, frames), FromUnits(u128(u) * frames * 1000000000000ull));
    // Sums, differences, multiples and quotients of times.
    const ExactTime s = in.Time();
    ASSERT_EQ(t + s, FromUnits(units + UnitsOf(s)));
    ASSERT_EQ(t - s, t > s ? FromUnits(units - UnitsOf(s)) : ExactTime());
    ASSERT_EQ(t < s, units < UnitsOf(s));
    const uint64_t k = in.Below(1000000);
    if (t.whole < 1000000000) {
      ASSERT_EQ(t * k, FromUnits(units * k));
    }
    if (!s.IsZero()) {
      ASSERT_EQ(WholeStepsIn(t, s), Saturated(units / UnitsOf(s)));
    }
  }
}

// A time at an exact frame boundary is that frame, whatever the frame time;
// the smallest step either side moves it.
TEST(ExactTime, ExactMultiplesLandOnTheirFrame) {
  TimeSource in(7);
  const ExactTime tick = ExactTime::Decimal(1, 18);
  for (int n = 0; n < 100000; ++n) {
    const uint32_t u = uint32_t(in.Below(200000)) + 1;
    const uint64_t k = in.Below(10000000) + 1;
    const ExactTime t = FramesTime(u, k);
    ASSERT_EQ(FrameAtOrAfter(t, u), k);
    ASSERT_EQ(FrameAtOrBefore(t, u), k);
    ASSERT_EQ(FrameAtOrAfter(t + tick, u), k + 1);
    ASSERT_EQ(FrameAtOrBefore(t - tick, u), k - 1);
    // The same boundary at the rate 10^6 / U.
    ASSERT_EQ(FrameFloorAtRate(t, 1000000, u), k);
    ASSERT_EQ(FrameCeilAtRate(t, 1000000, u), k);
  }
  // Typed multiples: 0.2 s x j is 5 j frames at 25 fps, and j x 0.04 s j.
  for (uint64_t j = 1; j < 100000; ++j) {
    ASSERT_EQ(FrameAtOrAfter(LeadingDecimal("0.2") * j, 40000), 5 * j);
    ASSERT_EQ(FrameAtOrBefore(LeadingDecimal("0.04") * j, 40000), j);
    ASSERT_EQ(WholeStepsIn(FramesTime(40000, 5 * j), LeadingDecimal("0.2")), j);
  }
  // NTSC: 1001 frames last 33.3667 s at 33367 us, and 48 kHz sound at
  // 30000/1001 frames a second begins frame 30000 at sample 48,048,000.
  EXPECT_EQ(FrameAtOrAfter(LeadingDecimal("33.400367"), 33367), 1001u);
  EXPECT_EQ(SamplePosition(30000, 30000, 1001, 48000, 1), 48048000u);
  EXPECT_EQ(FrameFloorAtRate(LeadingDecimal("1001"), 30000, 1001), 30000u);
  EXPECT_EQ(FrameCeilAtRate(LeadingDecimal("1001.00000000000001"), 30000, 1001), 30001u);
  // Saturation: more than 64 bits of samples, and times past the cap.
  EXPECT_EQ(SamplesInFrames(0xFFFFFFFFu, UINT64_MAX, 0xFFFFFFFFu), UINT64_MAX);
  EXPECT_EQ(ExactTime(UINT64_MAX).whole, ExactTime::kMaxWholeSeconds);
  EXPECT_EQ((ExactTime(ExactTime::kMaxWholeSeconds) * 1000).whole, ExactTime::kMaxWholeSeconds);
}

namespace {

// Video with a key frame every gop frames and 16-bit stereo PCM at 48 kHz in
// chunks of audioChunk bytes (cut inside chunks at the seams), enough to
// cover the video.
AviLayout KeyFramedClip(uint32_t frames, uint32_t gop, uint32_t frameMicros, uint32_t rate, uint32_t scale,
                        uint32_t audioChunk) {
  AviLayout layout = SimpleClip(0, int(gop), 0);
  layout.microSecPerFrame = frameMicros;
  layout.streams[0].rate = rate;
  layout.streams[0].scale = scale;
  layout.streams[1].rate = 48000;
  layout.streams[1].samplesPerSec = 48000;
  uint64_t audio = 0;
  uint8_t fill = 0;
  for (uint32_t f = 0; f < frames; ++f) {
    layout.chunks.push_back({0, 400 + (f * 37) % 200, f % gop == 0, fill++});
    while (audio < SamplesAt(frameMicros, f + 1, 48000) * 4) {
      layout.chunks.push_back({1, audioChunk, true, fill++});
      audio += audioChunk;
    }
  }
  return layout;
}

struct Cut {
  uint32_t first, end;  // frames first .. end - 1
};

// Runs the split into pieces and checks that each piece is frames [first,
// end) of the source with exactly the sound of that time:
// (samples at end - samples at first) x 4 bytes.
std::vector<Cut> PiecesOf(const std::string& path, const char* every, const char* overlap, uint32_t frameMicros) {
  NativeSink host;
  PiecesRequest request;
  request.path = path;
  request.everySeconds = every;
  request.overlap = overlap;
  const PiecesOutcome outcome = SplitPiecesJob(request, host);
  EXPECT_EQ(outcome.result, SplitResult::Completed) << outcome.detail;
  std::vector<Cut> cuts;
  for (const PieceFigures& p : outcome.pieces) {
    const Bytes bytes = ReadBytes(p.name);
    OutputLayout l;
    CheckOutput(bytes, &l);
    EXPECT_EQ(l.videoEntries, p.frames) << p.name;
    const uint64_t want = (SamplesAt(frameMicros, p.firstFrame + p.frames, 48000) -
                           SamplesAt(frameMicros, p.firstFrame, 48000)) * 4;
    if (&p != &outcome.pieces.back()) {
      EXPECT_EQ(Concat(OutputChunks(l, 1)).size(), want) << p.name << ": the sound of its frames, to the sample";
    }
    cuts.push_back({p.firstFrame, p.firstFrame + p.frames});
  }
  return cuts;
}

// Pieces of `length` frames (the last one what is left), each after the
// first beginning `back` frames before the previous one ends.
std::vector<Cut> Even(uint32_t frames, uint32_t length, uint32_t back) {
  std::vector<Cut> cuts;
  for (uint32_t end = length;; end += length) {
    const uint32_t first = cuts.empty() ? 0 : cuts.back().end - back;
    if (end >= frames) {
      cuts.push_back({first, frames});
      return cuts;
    }
    cuts.push_back({first, end});
  }
}

bool operator==(const Cut& a, const Cut& b) { return a.first == b.first && a.end == b.end; }
std::ostream& operator<<(std::ostream& o, const Cut& c) { return o << "[" << c.first << ", " << c.end << ")"; }

}  // namespace

// 25 fps with a key frame every 5 frames: one every 0.2 s exactly. (With
// the times multiplied in doubles, 3 x 0.2 came out past 0.6 and the piece
// ran on to the next key frame: 15 and 5 frames for 10 and 10.)
TEST(ExactTime, KeyFramesEveryFifthOfASecondCutThere) {
  const std::string dir = FreshDir("exact_pal");
  const std::string clip = dir + "clip.avi";
  ASSERT_TRUE(WriteAviFile(clip, KeyFramedClip(300, 5, 40000, 25, 1, 4608)));  // 12 s
  EXPECT_EQ(PiecesOf(clip, "0.2", "", 40000), Even(300, 5, 0));
  EXPECT_EQ(PiecesOf(clip, "0.4", "", 40000), Even(300, 10, 0));
  EXPECT_EQ(PiecesOf(clip, "0.4", "0.2", 40000), Even(300, 10, 5));
  EXPECT_EQ(PiecesOf(clip, "1.2", "0.6", 40000), Even(300, 30, 15));

  // The two-way split at 0.2 k ends the first file at frame 5 k; an overlap
  // of 0.2 m begins the second 5 m frames before.
  auto an = Analyse(clip);
  for (uint32_t k = 1; k < 60; ++k)
    for (uint32_t m = 0; m < 4 && m < k; ++m) {
      TimeSplit time;
      time.seconds = ExactTime::Decimal(2 * k, 1);
      time.overlap = ExactTime::Decimal(2 * m, 1);
      SplitPlan plan;
      ASSERT_EQ(PlanSplit(an->Source(), time, plan), SplitResult::Completed) << k << " " << m;
      EXPECT_EQ(plan.splitFrame, 5 * k) << "at " << ToText(time.seconds);
      EXPECT_EQ(plan.secondStartFrame, 5 * (k - m)) << "at " << ToText(time.seconds) << ", overlap "
                                                    << ToText(time.overlap);
      EXPECT_EQ(plan.cuts[1].firstPartialBytes + 0, (5 * k * 1920 * 4) % 4608) << "the sound ends with frame 5 k";
    }
  // The fields add up exactly too: 0.01 min + 0.2 s = 0.8 s.
  SplitFields f;
  f.file = clip;
  f.minutes = "0.01";
  f.seconds = "0.2";
  f.overlap = "0.4";
  auto run = RunSplitJob(f);
  ASSERT_EQ(run->result, 0) << run->message();
  EXPECT_EQ(run->outcome.figures.cutFrame, 20u);
  EXPECT_EQ(run->outcome.figures.secondStartFrame, 10u);
  // A time exactly the length of the video is too long, not a search past the end.
  f.minutes = "";
  f.seconds = "12.000";
  f.overlap = "";
  EXPECT_EQ(RunSplitJob(f)->outcome.result, SplitResult::TimeTooLong);
}

// NTSC: 33367 us a frame (30000/1001), a key frame every 6 frames, which is
// every 0.200202 s exactly. Sound at 48 kHz follows the frames to the sample.
TEST(ExactTime, NtscKeyFramesCutOnTheirFrames) {
  const std::string dir = FreshDir("exact_ntsc");
  const std::string clip = dir + "clip.avi";
  ASSERT_TRUE(WriteAviFile(clip, KeyFramedClip(360, 6, 33367, 30000, 1001, 4004)));  // 12 s
  EXPECT_EQ(PiecesOf(clip, "0.200202", "", 33367), Even(360, 6, 0));
  EXPECT_EQ(PiecesOf(clip, "0.400404", "0.200202", 33367), Even(360, 12, 6));
  EXPECT_EQ(PiecesOf(clip, "2.00202", "0.600606", 33367), Even(360, 60, 18));
  auto an = Analyse(clip);
  for (uint32_t k = 2; k < 60; ++k) {
    TimeSplit time;
    time.seconds = FramesTime(33367, 6 * k);  // typed as 0.200202 k
    time.overlap = FramesTime(33367, 6);
    SplitPlan plan;
    ASSERT_EQ(PlanSplit(an->Source(), time, plan), SplitResult::Completed) << k;
    EXPECT_EQ(plan.splitFrame, 6 * k) << ToText(time.seconds);
    EXPECT_EQ(plan.secondStartFrame, 6 * (k - 1)) << ToText(time.seconds);
  }
}
