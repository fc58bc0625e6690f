// The split job: checks the request's fields, opens and analyses the input,
// runs the split engine and shows the outcome through the sink.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "avi/background_walk.h"
#include "split/split_request.h"
#include "split/split_result.h"

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

// Sets the outcome's result and shows its message, if it has one.
SplitOutcome& FinishSplit(SplitOutcome& outcome, SplitResult result, JobSink& sink);

// The results that a recording which ended badly (cut short, without an
// index or with a broken one) can cause: their message gets the reason and
// what a repair would keep (scan/damage_report.h).
bool RefusesDamage(SplitResult result);
// Ends the job with the input's read error or change (avi/read_fault.h), if
// it had one: its result, its message and the fault in words. False when
// it had none.
bool FinishOnReadFault(SplitOutcome& outcome, const ReadFault& fault, JobSink& sink);
struct DamageReport;
std::string WithDamage(const std::string& text, const DamageReport& damage, int englishUi);
// Adds the reason's first line, in English, to a detail for the command line.
void AddDamageDetail(std::string& detail, const DamageReport& damage);

// Checks that path can be split (it opens) and opens it into input. On
// failure: outcome's result and detail, false.
bool OpenSplitInput(const std::string& path, AviSource& input, SplitOutcome& outcome);

// The "Analyzing" step of a split: checks that the opened input begins with
// "RIFF", reads its OpenDML indexes (if any) and analyses it (bar 0..10).
// False once it finished the outcome (not RIFF, broken indexes, cancelled).
// With whole, a version-1 file on disk gets a guessed analysis at once and
// the walk runs on whole's thread (avi/background_walk.h): the split is then
// written with WriteConfirmedSplit.
bool AnalyseSplitInput(const std::string& path, AviSource& input, AviAnalysis& analysis, SplitOutcome& outcome,
                       JobSink& sink, BackgroundWalk* whole = nullptr);

// What a split that starts from a guessed analysis waits for before it
// commits: the whole walk, and after it on the same thread the check that
// the chunks lie in the input as they are written (ChunksStoredAsWritten),
// which lets the split copy runs of them as the index places them.
class SplitConfirmation {
  std::unique_ptr<StoredChunkCheck> check_;  // made and used on the walk's thread, which ends first

 public:
  // guess: the analysis the split starts from, filled before the walk starts.
  explicit SplitConfirmation(const AviAnalysis& guess);
  ~SplitConfirmation();
  BackgroundWalk walk;
  // After the walk's Wait: the chunks lie as the split writes them.
  bool ChunksAsWritten() const;
};

// Plans the split with plan and writes it. Where analysis is a guess, the
// outputs replace their names only once the walk has confirmed it and the
// chunks are stored as written; otherwise (chunks inside movi that look like
// the headers the walk records, chunk headers that disagree with the index)
// all is planned and written once more, chunk by chunk, from the walk's record.
using SplitPlanner = std::function<SplitResult(const SplitSource&, SplitPlan&)>;
SplitResult WriteConfirmedSplit(AviSource& input, AviAnalysis& analysis, SplitConfirmation& confirmation,
                                const SplitPlanner& plan, const TimeSplit& time, const std::string& path,
                                JobSink& sink, SplitOutcome& outcome);
