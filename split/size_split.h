// Split by size: the first file ends at the last key frame at which it still
// fits in the given number of megabytes (1,048,576 bytes), header and idx1
// counted; the second begins as a time split at that key frame would begin
// it. The outputs are written by the split engine's writer.
#pragma once
#include <cstdint>

#include "split/split_engine.h"

constexpr double kBytesPerMegabyte = 1048576.0;

// The largest first file for a limit of megabytes; 0 when the limit is no
// positive number.
uint64_t SizeLimitBytes(double megabytes);

// Plans the split of the analysed input (inputBytes long) whose first file
// stays within limitBytes. 0 with plan filled, kSplitAlreadyFits,
// kSplitSizeTooSmall, kSplitBadSize, or the time split's codes (structure,
// overlap). Reads the input only.
int32_t PlanSizeSplit(JobState& state, uint64_t limitBytes, uint64_t inputBytes, double overlap,
                      SplitPlan& plan);

struct SizeSplitRequest {
  const char* path;   // the input
  double megabytes;   // the limit
  double overlap;     // seconds, 0 .. 60 (0 when only the first file is made)
  int32_t createMode;
};

// The whole size split of one file as a job runs it: input checks, analysis
// (bar 0 to 10), plan, outputs (bar 10 to 99). Shows the reason of a failure
// in a message box and returns its code; 0 when the outputs were written,
// -1 when cancelled (nothing is left behind then).
int32_t RunSizeSplit(JobState& state, const SizeSplitRequest& request);
