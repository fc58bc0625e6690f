#include "split/size_split.h"

#include <cmath>

#include "job/job_sink.h"
#include "avi/avi_source.h"
#include "share/number_field.h"
#include "split/split_job.h"
#include "split/two_way_run.h"

namespace {

// The first file's size when it ends at the first usable key frame at or
// after frame; false when there is none.
bool FirstFileAt(const SplitSource& source, uint32_t frame, SplitPlan& plan, uint64_t* bytes) {
  if (PlanSplitAtFrame(source, frame, ExactTime(), plan) != SplitResult::Completed) return false;
  uint64_t sizes[2];
  PlannedOutputSizes(source, plan, sizes);
  *bytes = sizes[0];
  return true;
}

}  // namespace

SplitResult PlanSizeSplit(const SplitSource& source, uint64_t limitBytes, const ExactTime& overlap,
                          SplitPlan& plan) {
  if (limitBytes == 0) return SplitResult::SizeInvalid;
  // The structure first: an unsupported file is refused as such.
  const SplitResult code = PlanSplitAtFrame(source, 1, ExactTime(), plan);
  if (code != SplitResult::Completed && code != SplitResult::NoKeyFrame) return code;
  if (source.input.Size() <= limitBytes) return SplitResult::SizeAlreadyFits;
  uint64_t bytes = 0;
  if (!FirstFileAt(source, 1, plan, &bytes) || bytes > limitBytes) return SplitResult::SizeTooSmall;

  // The first file grows with the frame it ends at (more video, more audio
  // time, more entries), so the last frame whose key frame still fits is
  // found by halving: it fits at lo, not at hi.
  uint32_t lo = 1, hi = plan.videoFrames;
  while (hi - lo > 1) {
    const uint32_t mid = lo + (hi - lo) / 2;
    if (FirstFileAt(source, mid, plan, &bytes) && bytes <= limitBytes)
      lo = mid;
    else
      hi = mid;
  }
  return PlanSplitAtFrame(source, lo, overlap, plan);
}

namespace {

class SizeSplitRun : public TwoWayRun {
 public:
  SizeSplitRun(const SplitRequest& request, JobSink& sink, SplitOutcome& outcome)
      : TwoWayRun(sink, outcome), request_(request) {}
  SplitOutcome& Run();

 private:
  const SplitRequest& request_;
};

SplitOutcome& SizeSplitRun::Run() {
  double megabytes = 0;
  if (!ParseNumberField(request_.sizeMegabytes.c_str(), &megabytes)) megabytes = 0;
  const uint64_t limit = SizeLimitBytes(megabytes);
  if (limit == 0) return Fail(SplitResult::SizeInvalid);
  TimeSplit time;
  time.create = request_.create;
  time.writer.clone = request_.clone;
  time.writer.firstOutputLimit = limit;
  time.writer.folder = request_.outputFolder;
  // The job checked the overlap already.
  if (time.create != CreateMode::First) ParseNumberField(request_.overlap.c_str(), &time.overlap);

  const std::string& path = request_.path;
  if (!OpenAndAnalyseSplit(path)) return outcome_;
  outcome_.engineStarted = true;
  const SplitPlanner plan = [limit, &time](const SplitSource& source, SplitPlan& planned) {
    return PlanSizeSplit(source, limit, time.overlap, planned);
  };
  SplitResult result = WriteConfirmedSplit(input_, analysis_, confirmation_, plan, time, path, sink_, outcome_);
  if (result == SplitResult::Completed) return outcome_.result = result, outcome_;  // the job says so
  if (sink_.Cancelled()) result = SplitResult::Cancelled;
  CheckInputSize();  // the walk beside may have read the change
  return Fail(result);
}

}  // namespace

SplitOutcome RunSizeSplit(const SplitRequest& request, JobSink& sink) {
  SplitOutcome outcome;
  SizeSplitRun(request, sink, outcome).Run();
  return outcome;
}
