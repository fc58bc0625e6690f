// The steps with an input that the split and every job writing shares of
// it take alike (share/share_input.h).
#include "share/share_input.h"

#include "avi/avi_source.h"
#include "avi/stored_chunks.h"
#include "io/file_system.h"
#include "job/job_sink.h"
#include "scan/damage_report.h"

namespace {

const char* Text(const JobSink& sink, const TextPair& pair) { return sink.Pick(pair.english, pair.japanese); }

}  // namespace

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

InputStop AnalyseSplitInput(const std::string& path, AviSource& input, AviAnalysis& analysis, JobSink& sink,
                            BackgroundWalk* whole) {
  sink.Status(Text(sink, kSplitAnalyzing), 0);
  if (sink.Cancelled()) {
    InputStop cancelled;
    cancelled.kind = InputStop::Cancelled;
    return cancelled;
  }
  const InputStop stop = CheckRiff(path, input);
  return stop ? stop : AnalyseInput(path, input, analysis, sink, 0, 10, nullptr, whole);
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
