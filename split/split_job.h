// The split job: checks the request's fields, opens and analyses the input,
// runs the split engine and shows the outcome through the sink.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "avi/background_walk.h"
#include "split/split_request.h"
#include "share/share_input.h"
#include "share/split_result.h"

class AviSource;
class JobSink;
struct ReadFault;
struct AviAnalysis;
class StoredChunkCheck;
struct SplitPlan;
struct SplitSource;
struct TimeSplit;

// How a split by size is carried out once the job has checked the request's
// overlap field (checked: the overlap and the outputs asked for). Empty: the
// core's own size split (RunSizeSplit, split/size_split.h); a host may hand
// the work elsewhere, as the window hands it to a library of its own. The step's
// outcome says what came of the work: Completed when the outputs were
// written, SizeSplitUnavailable when this host cannot split by size at all (the
// job then ends so, without a message), anything else a failure. The job
// reports it as SizeSplitCompleted or SizeSplitFailed with the message
// "Completed" or "Error", after whatever the step itself showed.
using SizeSplitStep = std::function<SplitOutcome(const SplitRequest& request, const TimeSplit& checked, JobSink& sink)>;

SplitOutcome SplitJob(const SplitRequest& request, JobSink& sink, const SizeSplitStep& bySize = {});

// The request's fields as the split job checks them, in its order, for any
// window that wants to know where a split would cut (the preview):
// Completed, or the refusal the job would show. The overlap (not read when
// only the first file is made, then 0) with the outputs chosen:
SplitResult CheckOverlapField(const SplitRequest& request, TimeSplit* time);
// The time of a time split:
SplitResult CheckTimeFields(const SplitRequest& request, TimeSplit* time);

// Plans the split with plan and writes it. Where analysis is a guess, the
// outputs replace their names only once the walk has confirmed it and the
// chunks are stored as written; otherwise (chunks inside movi that look like
// the headers the walk records, chunk headers that disagree with the index)
// all is planned and written once more, chunk by chunk, from the walk's record.
using SplitPlanner = std::function<SplitResult(const SplitSource&, SplitPlan&)>;
SplitResult WriteConfirmedSplit(AviSource& input, AviAnalysis& analysis, SplitConfirmation& confirmation,
                                const SplitPlanner& plan, const TimeSplit& time, const std::string& path,
                                JobSink& sink, SplitOutcome& outcome);
