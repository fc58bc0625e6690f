// The steps with an input that the split, its pieces and the cut's ranges
// take alike: the input analysed (bar 0..10), a damaged recording's reason
// for the split's results, and the confirmation of an analysis that was
// guessed while the walk went on beside the job. The split's run ends them
// (share/split_run.h).
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "avi/background_walk.h"
#include "job/input_session.h"
#include "share/split_result.h"

class AviSource;
class JobSink;
class StoredChunkCheck;
struct AviAnalysis;
struct DamageReport;

// The results that a recording which ended badly (cut short, without an
// index or with a broken one) can cause: their message gets the reason and
// what a repair would keep (scan/damage_report.h).
bool RefusesDamage(SplitResult result);
std::string WithDamage(const std::string& text, const DamageReport& damage, int englishUi);
// Adds the reason's first line, in English, to a detail for the command line.
void AddDamageDetail(std::string& detail, const DamageReport& damage);

// Checks a folder asked for the outputs (empty: beside the input, nothing to
// check): an existing folder new files may be made in. False with *detail
// ("FOLDER: No such file or directory") otherwise.
bool CheckOutputFolder(const std::string& folder, std::string* detail);

// The "Analyzing" step of a split: checks that the opened input begins with
// "RIFF", reads its OpenDML indexes (if any) and analyses it (bar 0..10).
// What stopped it, if anything (cancelled, not RIFF, a read fault, broken
// indexes); it shows no message. With whole, a version-1 file on disk gets
// a guessed analysis at once and the walk runs on whole's thread
// (avi/background_walk.h): the split is then written with WriteConfirmedSplit.
InputStop AnalyseSplitInput(const std::string& path, AviSource& input, AviAnalysis& analysis, JobSink& sink,
                            BackgroundWalk* whole = nullptr);

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

// Runs a job's work on an analysis that may be a guess (AnalyseSplitInput
// with the confirmation's walk). Without a guess: attempt(false, {}) alone.
// With one: attempt(true, mayCommit) works from the guess, its outputs
// replacing their names only once mayCommit has seen the whole walk agree
// with the guess and the chunks lie as written. When they do not (also
// after an attempt that ended before its commit: a refusal, a failed write,
// which stands only on a guess that holds), discard() puts back what the
// attempt recorded, analysis becomes the walk's record and attempt(false,
// {}) works again from it. A cancel keeps the first attempt's end. True
// when the first attempt's end stands.
using AnalysisAttempt = std::function<void(bool guessed, const std::function<bool()>& mayCommit)>;
bool RunOnConfirmedAnalysis(SplitConfirmation& confirmation, AviAnalysis& analysis, JobSink& sink,
                            const AnalysisAttempt& attempt, const std::function<void()>& discard);

