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

namespace {

const char* Text(const JobSink& sink, const TextPair& pair) { return sink.Pick(pair.english, pair.japanese); }

// Ends the job with result, showing its message (if it has one).
SplitOutcome& Finish(SplitOutcome& outcome, SplitResult result, JobSink& sink) {
  return FinishSplit(outcome, result, sink);
}

// A split by size, carried out by the step (by default the core's own),
// reported as a size split ends: "Completed" or "Error".
SplitOutcome& SplitBySize(const SplitRequest& request, const TimeSplit& checked, SplitOutcome& outcome,
                          JobSink& sink, const SizeSplitStep& bySize) {
  const SplitOutcome done = bySize ? bySize(request, checked, sink) : RunSizeSplit(request, sink);
  if (done.result == SplitResult::SizeSplitUnavailable) {
    outcome.result = SplitResult::SizeSplitUnavailable;  // no one to do it here: nothing to say
    return outcome;
  }
  outcome.detail = done.detail;
  outcome.repairable = done.repairable;
  outcome.firstOutput = done.firstOutput;
  outcome.secondOutput = done.secondOutput;
  outcome.wroteFirst = done.wroteFirst;
  outcome.wroteSecond = done.wroteSecond;
  outcome.figures = done.figures;
  outcome.clone = done.clone;
  // A cancel once the split had begun reports -1, as the job's own cancel.
  outcome.engineStarted = done.engineStarted;
  if (sink.Cancelled()) return Finish(outcome, SplitResult::Cancelled, sink);  // the host reports it
  return Finish(outcome,
                done.result == SplitResult::Completed ? SplitResult::SizeSplitCompleted : SplitResult::SizeSplitFailed,
                sink);
}

// A refusal of a recording that ended badly (cut short, no index or a
// broken one) says so after its message, with what a repair would keep.
SplitOutcome& FinishWithDamage(SplitOutcome& outcome, SplitResult result, JobSink& sink, const std::string& path) {
  const TextPair* text = SplitResultText(result);
  if (!text || !RefusesDamage(result)) return Finish(outcome, result, sink);
  const DamageReport damage = InspectDamage(path);
  if (!damage.damaged) return Finish(outcome, result, sink);
  outcome.result = result;
  // A file cut short has its header, its avih and its movi list: what the
  // walk missed is the end of the file.
  if (result == SplitResult::NoHeaderFields) outcome.detail = path + ":";
  AddDamageDetail(outcome.detail, damage);
  outcome.repairable = path;
  sink.Message(WithDamage(Text(sink, *text), damage, sink.EnglishUi()).c_str(), MessageOwner::ProgressWindow);
  return outcome;
}

}  // namespace

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

SplitOutcome SplitJob(const SplitRequest& request, JobSink& sink, const SizeSplitStep& bySize) {
  SplitOutcome outcome;
  TimeSplit time;
  SplitResult fields = CheckOverlapField(request, &time);
  if (fields != SplitResult::Completed) return Finish(outcome, fields, sink);
  // A folder for the outputs that cannot take them: said before anything is read or written.
  if (!CheckOutputFolder(request.outputFolder, &outcome.detail))
    return Finish(outcome, time.create == CreateMode::Second ? SplitResult::CannotCreateSecond
                                                               : SplitResult::CannotCreateFirst, sink);

  if (request.by == SplitBy::Size) return SplitBySize(request, time, outcome, sink, bySize);

  fields = CheckTimeFields(request, &time);
  if (fields != SplitResult::Completed) return Finish(outcome, fields, sink);

  const std::string& path = request.path;
  AviSource input;
  if (!OpenSplitInput(path, input, outcome)) return Finish(outcome, outcome.result, sink);
  AviAnalysis analysis{};
  SplitConfirmation confirmation(analysis);
  if (!AnalyseSplitInput(path, input, analysis, outcome, sink, &confirmation.walk)) return outcome;

  outcome.engineStarted = true;
  outcome.figures.overlapAsked = ToSeconds(time.overlap);
  const SplitPlanner plan = [&](const SplitSource& source, SplitPlan& planned) {
    const SplitResult planResult = PlanSplit(source, time, planned);
    if (const char* what = SplitStructureDetail(planResult)) outcome.detail = path + ": " + what;
    return planResult;
  };
  SplitResult result = WriteConfirmedSplit(input, analysis, confirmation, plan, time, path, sink, outcome);
  if (result != SplitResult::Completed) input.File().CheckSize();  // the walk beside may have read the change
  input.Close();
  // A cancelled run wrote nothing (outputs replace their names only once
  // complete); the host reports the cancel itself.
  if (result != SplitResult::Completed && sink.Cancelled()) return Finish(outcome, SplitResult::Cancelled, sink);
  if (result != SplitResult::Completed && FinishOnReadFault(outcome, input.File().Fault(), sink)) return outcome;

  if (result == SplitResult::Completed && request.thenMerge) {
    outcome.result = result;  // the host merges next, without a message
    return outcome;
  }
  return FinishWithDamage(outcome, result, sink, path);
}
