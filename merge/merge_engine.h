// The merge engine: plans the merge of the two analysed inputs, names the
// joined file, counts its size and time, and hands over to the plug-in or
// makes a summary.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "merge/merge_plan.h"
#include "merge/merge_result.h"

class JobSink;

// What the engine leaves for the job.
struct MergeEngineOutput {
  std::string mergedName;  // the joined file's name ("-m.avi")
  std::string text;        // "Completed" from the plug-in, or the summary
  MergePlan plan;
  MergeFigures figures;    // counted once the joined file was named
};

// window: seconds of the first input's end searched for an overlap (0: none).
// mode: passed to the plug-in; 0 stops after planning. Completed (with
// out.text, unless mode is 0 or handOver is false), Cancelled, BadSourceName
// or NoOutputName. handOver false: the joined file is named and counted but
// neither handed to the plug-in nor summed up (its host writes it).
MergeResult MergeEngine(const MergeSources& in, double window, int32_t mode, JobSink& sink,
                        MergeEngineOutput& out, bool handOver = true);

// The joined file's name from the first input's path ("-m.avi"); Completed,
// or BadSourceName / NoOutputName leaving *merged unchanged.
MergeResult MakeMergedName(const std::string& firstPath, std::string* merged);

// Bytes of the joined file as planned: header up to "movi", the chunks, idx1.
uint64_t CountMergedBytes(const MergeSources& in, const MergePlan& plan);

MergeFigures ComputeFigures(const MergeSources& in, const MergePlan& plan, uint64_t mergedBytes);

// The "Merge O.K." summary in the interface language.
std::string FormatSummary(const MergeFigures& figures, int englishUi);
