// Where a cut keeps and drops: the ranges a user names (on the command
// line, in a cut list) and the rule that turns them into whole key-frame
// groups of the recording.
//
// The rule, with R = dwRate / dwScale of the (first) video stream, frames
// counted from 0 and every product exact (avi/exact_time.h):
//   - a kept range [A, B) keeps the frames from S = the last key frame at or
//     before floor(A x R) (frame 0 if none) up to, not including, E = the
//     first key frame at or after ceil(B x R) (the end of the video if
//     none): all that was asked for, and no cut inside a key-frame group;
//   - dropped ranges become the kept ranges between them (before the first,
//     between each two, after the last), which then follow the same rule: a
//     dropped range loses only the whole groups inside it;
//   - kept ranges that overlap or touch once snapped become one, unless each
//     is to be a file of its own.
// A range may be given in frames instead (a comskip frame list): its frames
// stand for floor(A x R) and ceil(B x R) as they are.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "avi/exact_time.h"

// One end of a range: a time, a frame number, or open (the recording's
// start or end).
struct RangeBound {
  bool set = false;
  bool inFrames = false;
  ExactTime time;
  uint64_t frame = 0;

  static RangeBound Time(const ExactTime& t) { return RangeBound{true, false, t, 0}; }
  static RangeBound Frame(uint64_t f) { return RangeBound{true, true, ExactTime(), f}; }
};

// A range as the user gave it.
struct AskedRange {
  RangeBound start;    // unset: from the start
  RangeBound end;      // unset: to the end
  std::string text;    // as given ("1:00-2:30"), or as made from dropped ranges
  uint32_t line = 0;   // its line in a cut list (0: the command line)
};

// Why a range's text is no range.
enum class RangeProblem { None, NoDash, BadStart, BadEnd, EndNotAfterStart };

// Reads "START-END": each a time in seconds ("95.5") or [H:]M:SS[.fff]
// ("1:02:03.5"), START or END left out for the start or the end ("-0:30",
// "58:00-"). On failure *problem and, for a bad time, *time say why.
bool ParseRange(const std::string& text, AskedRange* range, RangeProblem* problem, TimeTextProblem* time);

// The video's frame rate and length.
struct VideoClock {
  uint32_t rate = 0;   // R = rate / scale frames a second
  uint32_t scale = 0;
  uint32_t frames = 0;  // V
};

// floor(A x R), ceil(B x R) of a bound (a bound in frames: its frame).
uint64_t FloorFrame(const RangeBound& b, const VideoClock& clock);
uint64_t CeilFrame(const RangeBound& b, const VideoClock& clock);

// The ranges kept between dropped ones, in order, each with the text of its
// bounds ("-12.5", "30-95", "120-"); *groups gets, for each kept range, the
// dropped range after it (merged where dropped ranges overlap or touch) as
// an index into *dropTexts, which holds the texts of each merged dropped
// range. A kept range is made only where the gap between dropped ranges is
// not empty.
struct DropGroup {
  std::string text;           // the dropped ranges it holds, as given, ", " between
  int keptBefore = -1;        // the kept range just before it (-1: none)
  int keptAfter = -1;         // the one just after it (-1: none)
};
std::vector<AskedRange> KeptBetween(std::vector<AskedRange> dropped, std::vector<DropGroup>* groups);

// A kept range snapped to key frames: frames first .. end - 1.
struct KeptRange {
  uint32_t first = 0;
  uint32_t end = 0;
  std::vector<size_t> asked;  // the asked ranges it holds
};

// key frames: the key frame numbers in increasing order. False when the
// range starts at or after the end of the video (floor(A x R) >= V), or is
// empty (B <= A).
bool SnapRange(const AskedRange& range, const std::vector<uint32_t>& keyFrames, const VideoClock& clock,
               KeptRange* kept);

// The exact rule: [A, B) keeps the frames f with A <= f / R < B, that is
// ceil(A x R) .. ceil(B x R) - 1 (a bound in frames: its frame), within the
// video. False when that leaves no frame.
bool ExactRange(const AskedRange& range, const VideoClock& clock, KeptRange* kept);

// Sorts snapped ranges by their first frame and makes those that overlap or
// touch one.
std::vector<KeptRange> MergeKept(std::vector<KeptRange> ranges);

// The frames no range keeps.
uint32_t FramesNotKept(const std::vector<KeptRange>& ranges, uint32_t videoFrames);
