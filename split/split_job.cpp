// The split job: checks the request's fields, opens and analyses the input,
// runs the split engine and shows the outcome.
#include "split/split_job.h"

#include "job/file_probe.h"
#include "job/job_sink.h"
#include "avi/avi_source.h"
#include "avi/background_walk.h"
#include "avi/fourcc.h"
#include "scan/damage_report.h"
#include "share/number_field.h"
#include "split/size_split.h"
#include "split/split_engine.h"
#include "split/two_way_run.h"

namespace {

SplitResult PlanAndWrite(AviSource& input, const AviAnalysis& analysis, const SplitPlanner& plan,
                         const TimeSplit& time, const std::string& path, JobSink& sink, SplitOutcome& outcome,
                         ChunkCopy copy, const std::function<bool()>& mayCommit) {
  const SplitSource source = SplitSourceOf(input, analysis, path);
  SplitPlan planned;
  SplitResult result = plan(source, planned);
  if (result == SplitResult::Completed)
    result = WriteSplitOutputs(source, time, planned, sink, outcome, copy, mayCommit);
  return result;
}

}  // namespace

SplitResult WriteConfirmedSplit(AviSource& input, AviAnalysis& analysis, SplitConfirmation& confirmation,
                                const SplitPlanner& plan, const TimeSplit& time, const std::string& path,
                                JobSink& sink, SplitOutcome& outcome) {
  const SplitOutcome before = outcome;
  SplitResult result = SplitResult::Completed;
  RunOnConfirmedAnalysis(
      confirmation, analysis, sink,
      [&](bool guessed, const std::function<bool()>& mayCommit) {
        const ChunkCopy copy = guessed ? ChunkCopy::IndexedRuns : ChunkCopy::ChunkByChunk;
        result = PlanAndWrite(input, analysis, plan, time, path, sink, outcome, copy, mayCommit);
      },
      [&] { outcome = before; });
  return result;
}

SplitResult CheckOverlapField(const SplitRequest& request, TimeSplit* time) {
  time->create = request.create;
  time->writer.clone = request.clone;
  time->writer.folder = request.outputFolder;
  time->overlap = ExactTime(0);
  if (time->create == CreateMode::First) return SplitResult::Completed;
  if (!ParseNumberField(request.overlap.c_str(), &time->overlap)) return SplitResult::OverlapInvalid;
  if (time->overlap > ExactTime(60)) return SplitResult::OverlapOutOfRange;
  return SplitResult::Completed;
}

SplitResult CheckTimeFields(const SplitRequest& request, TimeSplit* time) {
  if (!ParseNumberField(request.hours.c_str(), &time->hours)) return SplitResult::HoursInvalid;
  if (!ParseNumberField(request.minutes.c_str(), &time->minutes)) return SplitResult::MinutesInvalid;
  if (!ParseNumberField(request.seconds.c_str(), &time->seconds)) return SplitResult::SecondsInvalid;
  if (time->hours.IsZero() && time->minutes.IsZero() && time->seconds.IsZero()) return SplitResult::TimeZero;
  return SplitResult::Completed;
}

namespace {

class SplitJobRun : public TwoWayRun {
 public:
  SplitJobRun(const SplitRequest& request, JobSink& sink, SplitOutcome& outcome, const SizeSplitStep& bySize)
      : TwoWayRun(sink, outcome), request_(request), bySize_(bySize) {}
  SplitOutcome& Run();

 private:
  SplitOutcome& BySize(const TimeSplit& checked);
  SplitOutcome& End(SplitResult result);

  const SplitRequest& request_;
  const SizeSplitStep& bySize_;
};

// A split by size, carried out by the step (by default the core's own),
// reported as a size split ends: "Completed" or "Error".
SplitOutcome& SplitJobRun::BySize(const TimeSplit& checked) {
  const SplitOutcome done = bySize_ ? bySize_(request_, checked, sink_) : RunSizeSplit(request_, sink_);
  if (done.result == SplitResult::SizeSplitUnavailable) {
    outcome_.result = SplitResult::SizeSplitUnavailable;  // no one to do it here: nothing to say
    return outcome_;
  }
  outcome_.detail = done.detail;
  outcome_.repairable = done.repairable;
  outcome_.firstOutput = done.firstOutput;
  outcome_.secondOutput = done.secondOutput;
  outcome_.wroteFirst = done.wroteFirst;
  outcome_.wroteSecond = done.wroteSecond;
  outcome_.figures = done.figures;
  outcome_.clone = done.clone;
  // A cancel once the split had begun reports -1, as the job's own cancel.
  outcome_.engineStarted = done.engineStarted;
  if (sink_.Cancelled()) return Fail(SplitResult::Cancelled);  // the host reports it
  return Fail(done.result == SplitResult::Completed ? SplitResult::SizeSplitCompleted : SplitResult::SizeSplitFailed);
}

// Ends the job with the split's result: a cancel or the input's read fault
// before any failure, and a refusal of a recording that ended badly with
// what a repair would keep.
SplitOutcome& SplitJobRun::End(SplitResult result) {
  if (result == SplitResult::Completed) return Complete(Text(*SplitResultText(result)));
  // A cancelled run wrote nothing (outputs replace their names only once
  // complete); the host reports the cancel itself.
  if (sink_.Cancelled()) return Fail(SplitResult::Cancelled);
  if (InputFault()) return FailReading();
  return RefuseDamaged(result, request_.path);
}

SplitOutcome& SplitJobRun::Run() {
  TimeSplit time;
  SplitResult fields = CheckOverlapField(request_, &time);
  if (fields != SplitResult::Completed) return Fail(fields);
  // A folder for the outputs that cannot take them: said before anything is read or written.
  std::string folder;
  if (!CheckOutputFolder(request_.outputFolder, &folder))
    return Fail(time.create == CreateMode::Second ? SplitResult::CannotCreateSecond : SplitResult::CannotCreateFirst,
                folder);
  if (request_.by == SplitBy::Size) return BySize(time);

  fields = CheckTimeFields(request_, &time);
  if (fields != SplitResult::Completed) return Fail(fields);
  const std::string& path = request_.path;
  if (!OpenAndAnalyseSplit(path)) return outcome_;

  outcome_.engineStarted = true;
  outcome_.figures.overlapAsked = ToSeconds(time.overlap);
  const SplitPlanner plan = [&](const SplitSource& source, SplitPlan& planned) {
    const SplitResult planResult = PlanSplit(source, time, planned);
    if (const char* what = SplitStructureDetail(planResult)) outcome_.detail = path + ": " + what;
    return planResult;
  };
  const SplitResult result = WriteConfirmedSplit(input_, analysis_, confirmation_, plan, time, path, sink_, outcome_);
  if (result != SplitResult::Completed) CheckInputSize();  // the walk beside may have read the change
  input_.Close();
  if (result == SplitResult::Completed && request_.thenMerge) {
    outcome_.result = result;  // the host merges next, without a message
    return outcome_;
  }
  return End(result);
}

}  // namespace

SplitOutcome SplitJob(const SplitRequest& request, JobSink& sink, const SizeSplitStep& bySize) {
  SplitOutcome outcome;
  SplitJobRun(request, sink, outcome, bySize).Run();
  return outcome;
}
