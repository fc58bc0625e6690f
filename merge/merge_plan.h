// The planning half of a merge: where the second input takes over, and what
// every stream keeps of the first input (with the audio seam). A writer of the
// joined file works from this plan.
#pragma once
#include <cstdint>

#include <string>

#include "avi/avi_analysis.h"

class ByteInput;
class WalkSink;

// One analysed input of a merge.
struct MergeInput {
  ByteInput& file;
  const AviAnalysis& analysis;
};

// Both inputs; the joined file is named from the first one's path.
struct MergeSources {
  MergeInput first;
  MergeInput second;
  std::string firstPath;
  std::string secondPath;
  // Whether each input's chunks lie as the writers write them (checked beside
  // its walk, avi/stored_chunks.h): the writer then takes them as runs unread.
  bool chunksAsWritten[2] = {false, false};
};

struct MergePlan {
  // Per stream: how many of its index entries of the first input, from the
  // first, the joined file takes. For the first video stream this is also the
  // first input's frame at which the second input takes over.
  uint32_t keepCount[kMaxStreams];
  // Audio: bytes of the first input's next chunk that still belong to the kept
  // time (0 when the kept time ends on a chunk boundary or the stream ends).
  uint32_t seamPartialBytes[kMaxStreams];
  // Audio: 0 when nothing is joined at the seam; otherwise the length of the
  // chunk joined to its neighbour across the seam (the second input's first
  // chunk when seamPartialBytes is not 0, else the first input's last kept chunk).
  uint32_t seamJoinBytes[kMaxStreams];
  uint32_t searchStartFrame;  // video frame from which the overlap search started
  uint32_t searchStartEntry;  // its first-input index entry
};

enum class PlanOutcome { Planned, Cancelled };

// How far back from the first file's end the overlap is looked for, in seconds.
constexpr double kSearchWindowSeconds = 60.0;

// Plans the merge of the two inputs. window: seconds of the first input's
// end in which an overlap is looked for; 0 switches the search off. The
// overlap search stops early when sink reports a cancel.
PlanOutcome PlanMerge(const MergeSources& in, double window, WalkSink& sink, MergePlan& plan);

// Sound carried over a seam: per stream, the bytes and pieces of earlier
// inputs joined in front of the next input's first chunk of the stream.
struct SeamCarry {
  uint64_t bytes[kMaxStreams] = {};
  int pieces[kMaxStreams] = {};
};

// Plans the audio streams of plan, whose video keepCount is set, for a
// first input that comes after framesBefore video frames of the same
// recording, with carryIn joined in front of its first chunks. The bytes it
// keeps are counted from the recording's start (the sample position of its
// last kept frame less that of its first), so that rounding never adds up
// over many seams; with framesBefore 0 and nothing carried in this is the
// two-file merge's plan. carryOut (may be null) gets what the seam carries
// to the second input.
void PlanSeamAudio(const MergeSources& in, uint32_t framesBefore, const SeamCarry& carryIn, MergePlan& plan,
                   SeamCarry* carryOut);

// The samples of constant-size audio from the recording's start to the end
// of video frame `frames`, exact: floor(U x frames x rate / 10^6). More than
// any file under 2 GiB holds keep every chunk; capping them keeps the byte
// count exact in 64 bits.
uint64_t SamplesUpTo(uint32_t microSecPerFrame, uint64_t frames, const StreamEntry& stream);

// The first input's frame duration in microseconds (avih dwMicroSecPerFrame).
uint32_t MicroSecPerFrame(const MergeSources& in);
