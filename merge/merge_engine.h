// The merge engine: plans the merge of the two analysed inputs, names the
// joined file, counts its size and time, and hands the joined file to its
// writer or makes a summary.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "merge/merge_plan.h"
#include "merge/merge_request.h"
#include "merge/merge_result.h"

class JobSink;

// What the engine leaves for the job.
struct MergeEngineOutput {
  std::string mergedName;  // the joined file's name ("-m.avi")
  std::string text;        // "Completed" once the joined file was written, or the summary
  MergePlan plan;
  MergeFigures figures;    // counted once the joined file was named
  std::vector<int> soundDiffers;  // audio streams whose sound differs in the overlap (merge/overlap_sound.h)
};

// window: seconds of the first input's end searched for an overlap (0: none).
// mode: passed to the joined file's writer; 0 stops after planning.
// Completed (with out.text, unless mode is 0 or sumUp is false), Cancelled,
// BadSourceName or NoOutputName. With sumUp, writeJoined (when given) is
// handed the joined file and out.text is "Completed" once it wrote it, else
// the summary. sumUp false: the joined file is named and counted, neither
// handed over nor summed up (its host writes it after the job).
MergeResult MergeEngine(const MergeSources& in, double window, int32_t mode, JobSink& sink,
                        MergeEngineOutput& out, bool sumUp = true, const JoinedFileStep& writeJoined = {});

// The joined file's name from the first input's path ("-m.avi"); Completed,
// or BadSourceName / NoOutputName leaving *merged unchanged.
MergeResult MakeMergedName(const std::string& firstPath, std::string* merged);

// Bytes of the joined file as planned: header up to "movi", the chunks, idx1.
uint64_t CountMergedBytes(const MergeSources& in, const MergePlan& plan);

MergeFigures ComputeFigures(const MergeSources& in, const MergePlan& plan, uint64_t mergedBytes);

// The "Merge O.K." summary in the interface language.
std::string FormatSummary(const MergeFigures& figures, int englishUi);
