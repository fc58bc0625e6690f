#include "ui/tool_jobs.h"

#include "ui/shell_state.h"
#include "ui/player_hint_sink.h"
#include "ui/progress_dialog.h"
#include "ui/tool_texts.h"
#include "ui/win32_host.h"

namespace {

JoinJobFunction joinJob = nullptr;
PiecesJobFunction piecesJob = nullptr;
RepairJobFunction repairJob = nullptr;
CutJobFunction cutJob = nullptr;
ExtractJobFunction extractJob = nullptr;
StreamSelectJobFunction streamSelectJob = nullptr;
DubJobFunction dubJob = nullptr;

// What an outcome says when no worker could be started: a failure to write,
// so that no dialog takes it for a success.
void MarkNotRun(JoinOutcome& outcome) { outcome.result = JoinJobResult::CannotWrite; }
void MarkNotRun(PiecesOutcome& outcome) { outcome.result = SplitResult::WriteFailed; }
void MarkNotRun(RepairOutcome& outcome) { outcome.result = RepairResult::WriteFailed; }
void MarkNotRun(CutOutcome& outcome) { outcome.result = CutResult::CannotWrite; }
void MarkNotRun(StreamsOutcome& outcome) { outcome.result = StreamsResult::CannotWrite; }
void MarkNotRun(DubOutcome& outcome) { outcome.result = DubResult::CannotWrite; }

// Runs job(request) on the worker; the outcome is written there before the
// dialog ends and read here after it.
template <class Outcome, class Request>
Outcome RunUnderProgress(HWND owner, const TextPair& title, COLORREF colour,
                         Outcome (*job)(const Request&, JobSink&), const Request& request) {
  Outcome outcome{};
  MarkNotRun(outcome);
  RunJobProgress(AppShell().instance, owner, title, colour, [&](JobState&) {
    outcome = job(request, AppJobSink());
    return outcome.Number();
  });
  return outcome;
}

}  // namespace

void SetJoinJobFunction(JoinJobFunction job) { joinJob = job; }
void SetPiecesJobFunction(PiecesJobFunction job) { piecesJob = job; }
void SetRepairJobFunction(RepairJobFunction job) { repairJob = job; }
void SetCutJobFunction(CutJobFunction job) { cutJob = job; }
void SetExtractJobFunction(ExtractJobFunction job) { extractJob = job; }
void SetStreamSelectJobFunction(StreamSelectJobFunction job) { streamSelectJob = job; }
void SetDubJobFunction(DubJobFunction job) { dubJob = job; }

JoinOutcome RunJoinProgress(HWND owner, const JoinJobRequest& request) {
  return RunUnderProgress(owner, tool_text::kJoinTitle, RGB(170, 130, 200), joinJob ? joinJob : JoinOrMergeJob, request);
}

PiecesOutcome RunPiecesProgress(HWND owner, const PiecesRequest& request) {
  PiecesOutcome outcome{};
  MarkNotRun(outcome);
  RunJobProgress(AppShell().instance, owner, tool_text::kPiecesTitle, RGB(200, 170, 130), [&](JobState&) {
    PlayerHintSink sink(AppJobSink());
    outcome = (piecesJob ? piecesJob : SplitPiecesJob)(request, sink);
    sink.Finish(outcome.result == SplitResult::Completed);
    return outcome.Number();
  });
  return outcome;
}

RepairOutcome RunRepairProgress(HWND owner, const RepairRequest& request) {
  return RunUnderProgress(owner, tool_text::kRepairTitle, RGB(130, 170, 200), repairJob ? repairJob : RepairJob,
                          request);
}

CutOutcome RunCutProgress(HWND owner, const CutRequest& request) {
  return RunUnderProgress(owner, tool_text::kCutTitle, RGB(130, 200, 170), cutJob ? cutJob : CutJob, request);
}

StreamsOutcome RunExtractProgress(HWND owner, const ExtractRequest& request) {
  return RunUnderProgress(owner, tool_text::kStreamsTitle, RGB(200, 130, 170), extractJob ? extractJob : ExtractJob,
                          request);
}

StreamsOutcome RunStreamSelectProgress(HWND owner, const StreamSelectRequest& request) {
  return RunUnderProgress(owner, tool_text::kStreamsTitle, RGB(200, 130, 170),
                          streamSelectJob ? streamSelectJob : StreamSelectJob, request);
}

DubOutcome RunDubProgress(HWND owner, const DubRequest& request) {
  return RunUnderProgress(owner, tool_text::kStreamsTitle, RGB(200, 130, 170), dubJob ? dubJob : DubJob, request);
}
