// The cut's rule (cut/cut_rule.h): ranges read, dropped ranges turned into
// kept ones, kept ones snapped outwards to key frames and merged.
#include "cut/cut_rule.h"

#include <algorithm>

namespace {

bool Blank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

// a < b for two bounds of one kind (an unset bound is the start when
// asStart, else the end).
bool Before(const RangeBound& a, bool aStart, const RangeBound& b, bool bStart) {
  if (!a.set || !b.set) {
    if (!a.set && !b.set) return aStart && !bStart;
    return !a.set ? aStart : !bStart;
  }
  return a.inFrames ? a.frame < b.frame : a.time < b.time;
}

std::string BoundText(const RangeBound& b) {
  if (!b.set) return "";
  return b.inFrames ? std::to_string(b.frame) : ToText(b.time);
}

std::string RangeText(const RangeBound& start, const RangeBound& end) {
  const bool frames = (start.set && start.inFrames) || (end.set && end.inFrames);
  return (frames ? "frames " : "") + BoundText(start) + "-" + BoundText(end);
}

}  // namespace

bool ParseRange(const std::string& text, AskedRange* range, RangeProblem* problem, TimeTextProblem* time) {
  *problem = RangeProblem::None;
  *time = TimeTextProblem::kNone;
  const size_t dash = text.find('-');
  if (dash == std::string::npos) return *problem = RangeProblem::NoDash, false;
  const std::string start = text.substr(0, dash), end = text.substr(dash + 1);
  AskedRange r;
  r.text = text;
  ExactTime t;
  if (!Blank(start)) {
    if (!ParseClockTime(start.c_str(), &t, time)) return *problem = RangeProblem::BadStart, false;
    r.start = RangeBound::Time(t);
  }
  if (!Blank(end)) {
    if (!ParseClockTime(end.c_str(), &t, time)) return *problem = RangeProblem::BadEnd, false;
    r.end = RangeBound::Time(t);
  }
  if (r.start.set && r.end.set && !(r.start.time < r.end.time)) return *problem = RangeProblem::EndNotAfterStart, false;
  *range = r;
  return true;
}

uint64_t FloorFrame(const RangeBound& b, const VideoClock& clock) {
  if (!b.set) return 0;
  return b.inFrames ? b.frame : FrameFloorAtRate(b.time, clock.rate, clock.scale);
}

uint64_t CeilFrame(const RangeBound& b, const VideoClock& clock) {
  if (!b.set) return clock.frames;
  return b.inFrames ? b.frame : FrameCeilAtRate(b.time, clock.rate, clock.scale);
}

std::vector<AskedRange> KeptBetween(std::vector<AskedRange> dropped, std::vector<DropGroup>* groups) {
  // A dropped range from time 0 (or frame 0) drops from the start: no kept range before it.
  for (AskedRange& d : dropped)
    if (d.start.set && (d.start.inFrames ? d.start.frame == 0 : d.start.time.IsZero())) d.start = RangeBound();
  std::stable_sort(dropped.begin(), dropped.end(), [](const AskedRange& a, const AskedRange& b) {
    return Before(a.start, true, b.start, true);
  });
  // Dropped ranges that overlap or touch are one gap.
  std::vector<AskedRange> merged;
  groups->clear();
  for (const AskedRange& d : dropped) {
    if (!merged.empty() && !Before(merged.back().end, false, d.start, true)) {
      if (Before(merged.back().end, false, d.end, false)) merged.back().end = d.end;
      groups->back().text += ", " + d.text;
      continue;
    }
    merged.push_back(d);
    groups->push_back(DropGroup{d.text, -1, -1});
  }
  std::vector<AskedRange> kept;
  RangeBound from;  // unset: the recording's start
  bool open = true;  // a kept range may still begin at `from`
  for (size_t g = 0; g < merged.size(); ++g) {
    const AskedRange& d = merged[g];
    if (open && Before(from, true, d.start, true)) {
      AskedRange k;
      k.start = from;
      k.end = d.start;
      k.text = RangeText(k.start, k.end);
      kept.push_back(k);
      (*groups)[g].keptBefore = int(kept.size() - 1);
      if (g > 0) (*groups)[g - 1].keptAfter = int(kept.size() - 1);
    }
    from = d.end;
    open = d.end.set;
  }
  if (open && !merged.empty()) {
    AskedRange k;
    k.start = from;
    k.text = RangeText(k.start, k.end);
    kept.push_back(k);
    groups->back().keptAfter = int(kept.size() - 1);
  }
  return kept;
}

bool SnapRange(const AskedRange& range, const std::vector<uint32_t>& keyFrames, const VideoClock& clock,
               KeptRange* kept) {
  const uint64_t a = FloorFrame(range.start, clock);
  if (a >= clock.frames) return false;
  const uint64_t b = CeilFrame(range.end, clock);
  // S: the last key frame at or before a; frame 0 when none.
  auto s = std::upper_bound(keyFrames.begin(), keyFrames.end(), a);
  kept->first = s == keyFrames.begin() ? 0 : *(s - 1);
  // E: the first key frame at or after b; the video's end when none.
  uint64_t e = clock.frames;
  if (b < clock.frames) {
    auto k = std::lower_bound(keyFrames.begin(), keyFrames.end(), uint32_t(b));
    if (k != keyFrames.end()) e = *k;
  }
  kept->end = uint32_t(e);
  return kept->first < kept->end;  // only an empty range (B <= A) snaps to nothing
}

bool ExactRange(const AskedRange& range, const VideoClock& clock, KeptRange* kept) {
  const uint64_t a = range.start.set ? CeilFrame(range.start, clock) : 0;
  const uint64_t b = range.end.set ? CeilFrame(range.end, clock) : clock.frames;
  kept->first = uint32_t(std::min<uint64_t>(a, clock.frames));
  kept->end = uint32_t(std::min<uint64_t>(b, clock.frames));
  return kept->first < kept->end;
}

std::vector<KeptRange> MergeKept(std::vector<KeptRange> ranges) {
  std::stable_sort(ranges.begin(), ranges.end(),
                   [](const KeptRange& a, const KeptRange& b) { return a.first < b.first; });
  std::vector<KeptRange> merged;
  for (KeptRange& r : ranges) {
    if (!merged.empty() && r.first <= merged.back().end) {
      merged.back().end = std::max(merged.back().end, r.end);
      merged.back().asked.insert(merged.back().asked.end(), r.asked.begin(), r.asked.end());
      continue;
    }
    merged.push_back(std::move(r));
  }
  return merged;
}

uint32_t FramesNotKept(const std::vector<KeptRange>& ranges, uint32_t videoFrames) {
  std::vector<KeptRange> all = MergeKept(ranges);
  uint64_t kept = 0;
  for (const KeptRange& r : all) kept += r.end - r.first;
  return kept >= videoFrames ? 0 : uint32_t(videoFrames - kept);
}
