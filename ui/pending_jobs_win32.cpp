// Stand-in for the join, pieces and repair jobs until they land: delete this file then.
// Each one reports a status line and a moving bar, stops at Cancel, writes
// nothing and says that it is not there yet; the window and its tests run on it.
#include <windows.h>

#include "app/job_sink.h"
#include "join/join_job.h"
#include "repair/repair_job.h"
#include "split/pieces_job.h"

namespace {

constexpr int kNotYet = 1;
constexpr int kStopped = 2;

// Runs the bar from 0 to 100 in a second; false when the user pressed Cancel.
bool Pretend(JobSink& sink) {
  sink.Status(sink.Pick("Working", "処理中"), 0);
  for (int step = 1; step <= 20; ++step) {
    Sleep(50);
    if (sink.Cancelled()) return false;
    sink.Progress(step * 5);
  }
  return true;
}

template <class Outcome>
Outcome Run(JobSink& sink) {
  Outcome outcome{};
  if (!Pretend(sink)) {
    outcome.result = kStopped;
    return outcome;
  }
  outcome.result = kNotYet;
  outcome.message = sink.Pick("This job is not built yet", "この処理はまだありません");
  sink.Message(outcome.message.c_str(), MessageOwner::ProgressWindow);
  return outcome;
}

}  // namespace

int32_t JoinOutcome::Number() const { return result; }
int32_t PiecesOutcome::Number() const { return result; }
int32_t RepairOutcome::Number() const { return result; }

JoinOutcome JoinJob(const JoinJobRequest&, JobSink& sink) { return Run<JoinOutcome>(sink); }
PiecesOutcome SplitPiecesJob(const PiecesRequest&, JobSink& sink) { return Run<PiecesOutcome>(sink); }
RepairOutcome RepairJob(const RepairRequest&, JobSink& sink) { return Run<RepairOutcome>(sink); }

std::string DefaultJoinedName(const std::vector<std::string>& inputs) {
  if (inputs.empty()) return "";
  std::string name = inputs.front();
  const size_t dot = name.find_last_of(".\\/");
  if (dot != std::string::npos && name[dot] == '.') name.erase(dot);
  return name + "-joined.avi";
}
