// The split engine: picks the key frames where the outputs end and begin,
// plans every stream's share, and writes the "-1.avi" / "-2.avi" files.
#pragma once
#include <cstdint>

#include "avi/avi_analysis.h"

struct JobState;

// What the split job hands to the engine.
struct TimeSplitRequest {
  int32_t flag;  // always 1
  double hours;
  double minutes;
  double seconds;
  double overlap;      // 0 .. 60 seconds; 0 when only the first file is made
  int32_t createMode;  // 1 first file only, 2 second file only, 3 both
};

constexpr int32_t kCreateFirst = 1;
constexpr int32_t kCreateSecond = 2;
constexpr int32_t kCreateBoth = 3;

// Engine results besides 0 (written) and -1 (cancelled while writing).
enum SplitResult : int32_t {
  kSplitNoHeaderFields = 1,
  kSplitNoStreams = 2,
  kSplitBadStreamHeader = 3,
  kSplitNoVideo = 4,
  kSplitNoIndex = 5,
  kSplitOpenDml = 6,
  kSplitNoVideoEntries = 7,
  kSplitNoKeyFrame = 9,
  kSplitCannotCreateFirst = 11,
  kSplitCannotCreateSecond = 12,
  kSplitWriteFailed = 13,  // a read or write failed while the files were written
  kSplitOverlapTooLong = 23,
  kSplitAlreadyFits = 30,       // size split: the input is no larger than the limit
  kSplitSizeTooSmall = 31,      // size split: not even the first key-frame group fits
  kSplitBadSize = 32,           // size split: the limit is no positive number
  kSplitOverlapAtFrameZero = 24,
  kSplitOverlapAtEntryZero = 25,
  kSplitTimeTooLong = 100,
};

// One stream's part of the plan. The first file takes the stream's entries
// 0 .. firstCount - 1, the second its entries secondStart .. end.
struct StreamCut {
  uint32_t firstCount;
  uint32_t secondStart;
  // What the stream's chunks take in each movi list; 64-bit so that an index
  // naming the same chunks over and over cannot wrap the sums unnoticed.
  uint64_t firstMoviBytes;
  uint64_t secondMoviBytes;
  uint32_t firstPartialBytes;   // audio: size of the shortened last chunk (0: none)
  uint32_t secondPartialBytes;  // audio: size of the shortened first chunk (0: none)
};

struct SplitPlan {
  uint32_t frameMicros;  // avih dwMicroSecPerFrame (U)
  uint32_t videoFrames;  // index entries of the first video stream (V)
  uint32_t splitFrame;
  uint32_t splitEntry;
  uint32_t secondStartFrame;
  uint32_t secondStartEntry;
  StreamCut cuts[kMaxStreams];
};

// Checks the analysed structure, finds the cut and plans the streams.
// Returns 0 with plan filled, or a result code; reads the input only.
int32_t PlanSplit(JobState& state, const TimeSplitRequest& request, SplitPlan& plan);

// The same from the frame at which the first file is to end at the earliest
// (it ends at the first usable key frame from there on).
int32_t PlanSplitAtFrame(JobState& state, uint32_t targetFrame, double overlap, SplitPlan& plan);

// The planned first output's size in bytes: header, chunks, idx1.
uint64_t FirstOutputBytes(const AviAnalysis& analysis, const SplitPlan& plan);

// Names, creates and writes the outputs from a plan (0, -1, 11, 12, 13).
int32_t WriteSplitOutputs(JobState& state, const TimeSplitRequest& request, const SplitPlan& plan);

// PlanSplit then WriteSplitOutputs.
int32_t SplitEngine(JobState& state, const TimeSplitRequest& request);
