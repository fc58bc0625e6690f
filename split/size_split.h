// Split by size: the first file ends at the last key frame at which it still
// fits in the given number of megabytes (1,048,576 bytes), header and idx1
// counted; the second begins as a time split at that key frame would begin
// it. The outputs are written by the split engine's writer.
#pragma once
#include <cstdint>

#include "share/number_field.h"
#include "split/split_engine.h"

class JobSink;

// Plans the split of the analysed input whose first file stays within
// limitBytes: Completed with plan filled, SizeAlreadyFits, SizeTooSmall,
// SizeInvalid, or the time split's results (structure, overlap). Reads only.
SplitResult PlanSizeSplit(const SplitSource& source, uint64_t limitBytes, const ExactTime& overlap,
                          SplitPlan& plan);

// The whole size split of request's file, as a host carries it out: input
// checks, analysis (bar 0 to 10), plan, outputs (bar 10 to 99). Shows the
// reason of a failure through sink; a cancelled run leaves nothing behind.
SplitOutcome RunSizeSplit(const SplitRequest& request, JobSink& sink);
