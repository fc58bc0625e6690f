// The steps with an input that the split and every job writing shares of
// it take alike (share/share_input.h).
#include "share/share_input.h"

#include "avi/avi_source.h"
#include "avi/stored_chunks.h"
#include "io/file_system.h"
#include "job/input_session.h"
#include "job/fault_end.h"
#include "job/job_sink.h"
#include "scan/damage_report.h"

namespace {

const char* Text(const JobSink& sink, const TextPair& pair) { return sink.Pick(pair.english, pair.japanese); }

SplitOutcome& Finish(SplitOutcome& outcome, SplitResult result, JobSink& sink) {
  return FinishSplit(outcome, result, sink);
}

}  // namespace

SplitOutcome& FinishSplit(SplitOutcome& outcome, SplitResult result, JobSink& sink) {
  outcome.result = result;
  const TextPair* text = SplitResultText(result);
  if (!text) return outcome;
  const bool failed = result != SplitResult::Completed && result != SplitResult::SizeSplitCompleted;
  std::string shown = failed ? sink.WithDetail(Text(sink, *text), outcome.detail) : Text(sink, *text);
  // The window's result names what was written and where the split cut.
  if (result == SplitResult::Completed && sink.ShowsDetail()) {
    const std::string done = SplitDoneText(outcome, sink.EnglishUi());
    if (!done.empty()) shown += "\n\n" + done;
  }
  sink.Message(shown.c_str(), MessageOwner::ProgressWindow);
  return outcome;
}

bool FinishOnReadFault(SplitOutcome& outcome, const ReadFault& fault, JobSink& sink) {
  if (!fault) return false;
  const auto end = EndOnFault(fault, sink.EnglishUi(), SplitResult::ReadError, SplitResult::InputChanged);
  outcome.result = end.result;
  outcome.detail = end.detail;
  outcome.repairable.clear();
  const std::string text = std::string(Text(sink, *SplitResultText(end.result))) + "\n\n" + end.why;
  sink.Message(text.c_str(), MessageOwner::ProgressWindow);
  return true;
}

bool RefusesDamage(SplitResult result) {
  return (result >= SplitResult::NoHeaderFields && result <= SplitResult::NoVideoEntries) ||
         result == SplitResult::WriteFailed;
}

std::string WithDamage(const std::string& text, const DamageReport& damage, int englishUi) {
  return damage.damaged ? text + "\n\n" + damage.In(englishUi) : text;
}

void AddDamageDetail(std::string& detail, const DamageReport& damage) {
  if (!damage.damaged) return;
  const bool sameLine = detail.empty() || detail.back() == ':';
  detail += (sameLine ? (detail.empty() ? "" : " ") : "\n") + damage.Reason();
}

bool CheckOutputFolder(const std::string& folder, std::string* detail) {
  std::string reason;
  if (folder.empty() || filesys::WritableFolder(folder, &reason)) return true;
  *detail = folder + ": " + reason;
  return false;
}

bool OpenSplitInput(const std::string& path, AviSource& input, SplitOutcome& outcome) {
  const InputStop stop = OpenInput(path, input);
  if (!stop) return true;
  outcome.result = stop.kind == InputStop::TooLarge ? SplitResult::InputTooLarge : SplitResult::InputNotOpen;
  outcome.detail = stop.detail;
  return false;
}

bool AnalyseSplitInput(const std::string& path, AviSource& input, AviAnalysis& analysis, SplitOutcome& outcome,
                       JobSink& sink, BackgroundWalk* whole) {
  sink.Status(Text(sink, kSplitAnalyzing), 0);
  if (sink.Cancelled()) {
    Finish(outcome, SplitResult::Cancelled, sink);
    return false;
  }
  InputStop stop = CheckRiff(path, input);
  if (stop.kind == InputStop::NotRiff) {
    outcome.detail = stop.detail;
    Finish(outcome, SplitResult::InputNotRiff, sink);
    return false;
  }
  if (!stop) stop = AnalyseInput(path, input, analysis, sink, 0, 10, nullptr, whole);
  switch (stop.kind) {
    case InputStop::None: return true;
    case InputStop::Cancelled: Finish(outcome, SplitResult::Cancelled, sink); return false;
    case InputStop::ReadFault: FinishOnReadFault(outcome, input.File().Fault(), sink); return false;
    default: break;
  }
  // Broken OpenDML indexes: the OpenDML result, its text, then what is wrong.
  outcome.engineStarted = true;  // a refused structure, as the engine's codes 1..7
  outcome.result = SplitResult::OpenDml;
  outcome.detail = stop.detail;
  const DamageReport damage = InspectDamage(path);
  AddDamageDetail(outcome.detail, damage);
  if (damage.damaged) outcome.repairable = path;
  const std::string text =
      std::string(Text(sink, *SplitResultText(SplitResult::OpenDml))) + "\n\n" +
      WithDamage(DescribeOdmlFault(input.Fault(), sink.EnglishUi()), damage, sink.EnglishUi());
  sink.Message(text.c_str(), MessageOwner::ProgressWindow);
  return false;
}

SplitConfirmation::SplitConfirmation(const AviAnalysis& guess) {
  walk.Watch([this, &guess](ByteInput& input) {
    check_.reset(new StoredChunkCheck(input, guess));
    return check_.get();
  });
}

SplitConfirmation::~SplitConfirmation() = default;

bool SplitConfirmation::ChunksAsWritten() const { return check_ && check_->Result(); }

bool RunOnConfirmedAnalysis(SplitConfirmation& confirmation, AviAnalysis& analysis, JobSink& sink,
                            const AnalysisAttempt& attempt, const std::function<void()>& discard) {
  if (!confirmation.walk.Started()) {
    attempt(false, {});
    return true;
  }
  AviAnalysis walked{};
  int confirmed = -1;  // not known yet
  const auto confirm = [&] {
    if (confirmed < 0) {
      const bool walkedAll = confirmation.walk.Wait(&walked, [&] { return !sink.Cancelled(); });
      confirmed = walkedAll && SameAnalysis(walked, analysis) && confirmation.ChunksAsWritten();
    }
    return confirmed == 1;
  };
  attempt(true, confirm);
  if (sink.Cancelled() || confirm()) return true;
  discard();
  analysis = walked;
  attempt(false, {});
  return false;
}
