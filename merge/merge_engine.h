// The merge engine: plans the merge of the two analysed inputs, names the
// joined file, counts its size and time, and hands over to the plug-in or reports a summary.
#pragma once
#include <cstddef>
#include <cstdint>

#include "merge/merge_plan.h"

struct JobState;

// Results besides 0.
constexpr int32_t kMergeBadSourceName = 300;  // first input's name shorter than 5 characters
constexpr int32_t kMergeNoOutputName = 301;   // the joined file's name would not fit

// window: seconds of the first input's end searched for an overlap (0: none).
// mode: passed to the plug-in; 0 stops after planning. Returns 0 (StatusText
// holds the result text, unless cancelled or mode 0), 300 or 301.
int32_t MergeEngine(JobState& state, double window, int32_t mode);

// Turns the first input's path into the joined file's name ("-m.avi") in
// place; 0, or 300/301 leaving path unchanged. path holds kPathBytes bytes.
int32_t MakeMergedName(char* path);

// Bytes of the joined file as planned: header up to "movi", the chunks, idx1.
uint64_t CountMergedBytes(JobState& state, const MergePlan& plan);

struct MergeFigures {
  double sizeMegabytes;
  double seconds;         // playing time
  double overlapSeconds;  // what the second input repeats of the first
};

MergeFigures ComputeFigures(JobState& state, const MergePlan& plan, uint64_t mergedBytes);

// The "Merge O.K." summary in the interface language.
void FormatSummary(const MergeFigures& figures, int englishUi, char* out, size_t size);
