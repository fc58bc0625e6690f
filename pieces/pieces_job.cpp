// The split into many pieces as a job: field checks, input, analysis (bar 0
// to 10), planning, then the pieces one after the other (bar 10 to 99), each
// written by the split's writer from its share of the input.
#include "pieces/pieces_job.h"

#include <cstdio>
#include <functional>
#include <memory>

#include "avi/avi_source.h"
#include "io/file_system.h"
#include "io/output_file.h"
#include "pieces/piece_plan.h"
#include "share/number_field.h"
#include "share/share_input.h"
#include "share/split_run.h"
#include "share/share_math.h"
#include "texts/pieces_texts.h"

namespace {

// The frames and times of a key-frame group too large for a piece, and its
// size, in the user's language.
std::string GroupText(const JobSink& sink, const PiecesPlan& plan) {
  char from[32], to[32];
  std::snprintf(from, sizeof from, "%.3f", FramesToSeconds(plan.frameMicros, plan.groupStart));
  std::snprintf(to, sizeof to, "%.3f", FramesToSeconds(plan.frameMicros, plan.groupEnd));
  const std::string first = std::to_string(plan.groupStart), last = std::to_string(plan.groupEnd - 1);
  const std::string bytes = std::to_string(plan.groupBytes);
  return Fill(Pick(texts::kPiecesGroupTooLarge, sink.EnglishUi()), {first, last, from, to, bytes});
}

// Every piece's name, or false (and why, in *detail) when one cannot be
// made.
bool NamePieces(const SplitSource& source, const PiecesPlan& plan, const std::string& folder,
                std::vector<std::string>& names, std::string* detail) {
  names.resize(plan.pieces.size());
  const std::string base = folder.empty() ? source.path : filesys::PathInFolder(folder, source.path);
  for (size_t j = 0; j < plan.pieces.size(); ++j) {
    if (!MakePieceName(base, uint32_t(j + 1), &names[j])) {
      *detail = source.path + ": the name of piece " + std::to_string(j + 1) + " would be longer than 259 bytes";
      return false;
    }
  }
  return true;
}

SplitResult WritePieces(const SplitSource& source, const PiecesPlan& plan, JobSink& sink, PiecesOutcome& outcome,
                        ChunkCopy copy, const WriterOptions& writer, const std::function<bool()>& mayCommit) {
  std::vector<std::string> names;
  if (!NamePieces(source, plan, writer.folder, names, &outcome.detail)) return SplitResult::CannotCreateFirst;
  return WritePiecesNamed(source, plan, names, sink, outcome, copy, writer, mayCommit);
}

class PiecesRun : public SplitRun<PiecesOutcome> {
 public:
  PiecesRun(const PiecesRequest& request, JobSink& sink, PiecesOutcome& outcome)
      : SplitRun(sink, outcome), request_(request) {}
  PiecesOutcome& Run();

 private:
  // The outcome's message is every message the job showed. Once the input
  // is analysed every end but the completion has its detail below, a read
  // fault's too.
  void Show(const std::string& text, bool failed) override {
    const bool detailed = failed || (analysed_ && outcome_.result != SplitResult::Completed);
    const std::string shown = detailed ? sink_.WithDetail(text, outcome_.detail) : text;
    outcome_.message += (outcome_.message.empty() ? "" : "\n") + shown;
    sink_.Message(shown.c_str(), MessageOwner::ProgressWindow);
  }
  bool CheckFields();
  SplitResult PlanAndWrite(ChunkCopy copy, const std::function<bool()>& mayCommit);
  PiecesOutcome& End(SplitResult result);

  const PiecesRequest& request_;
  ExactTime overlap_;
  ExactTime every_;
  uint64_t limit_ = 0;
  PiecesPlan plan_;
  bool analysed_ = false;
};

// The request's fields, in the job's order; false once the outcome is finished.
bool PiecesRun::CheckFields() {
  if (!ParseNumberField(request_.overlap.c_str(), &overlap_)) return Fail(SplitResult::OverlapInvalid), false;
  if (overlap_ > ExactTime(60)) return Fail(SplitResult::OverlapOutOfRange), false;
  std::string folder;
  if (!CheckOutputFolder(request_.writer.folder, &folder)) return Fail(SplitResult::CannotCreateFirst, folder), false;
  if (request_.by == PiecesBy::Every) {
    if (!ParseNumberField(request_.everySeconds.c_str(), &every_)) return Fail(SplitResult::SecondsInvalid), false;
    if (every_.IsZero()) return Fail(SplitResult::TimeZero), false;
    return true;
  }
  double megabytes = 0;
  if (!ParseNumberField(request_.sizeMegabytes.c_str(), &megabytes)) megabytes = 0;
  limit_ = SizeLimitBytes(megabytes);
  if (limit_ == 0) return Fail(SplitResult::SizeInvalid), false;
  return true;
}

SplitResult PiecesRun::PlanAndWrite(ChunkCopy copy, const std::function<bool()>& mayCommit) {
  const std::string& path = request_.path;
  const SplitSource source = SplitSourceOf(input_, analysis_, path);
  SplitResult result = request_.by == PiecesBy::Every ? PlanPiecesEvery(source, every_, overlap_, plan_)
                                                      : PlanPiecesBySize(source, limit_, overlap_, plan_);
  if (const char* what = SplitStructureDetail(result)) outcome_.detail = path + ": " + what;
  if (!plan_.where.empty()) outcome_.detail = path + ": " + plan_.where;
  if (result == SplitResult::SizeTooSmall && !plan_.where.empty())
    outcome_.detail += "; the limit is " + std::to_string(limit_) + " bytes";
  if (result != SplitResult::Completed) return result;
  WriterOptions writer = request_.writer;
  writer.firstOutputLimit = limit_;  // every piece of a split by size is a first output of its own
  return WritePieces(source, plan_, sink_, outcome_, copy, writer, mayCommit);
}

// Ends the job with the pieces' result (a cancel or the input's read fault
// before any other failure).
PiecesOutcome& PiecesRun::End(SplitResult result) {
  if (result == SplitResult::Completed) return Complete(Text(*SplitResultText(result)));
  // A cancelled run wrote nothing; the host reports the cancel itself.
  if (sink_.Cancelled()) return Fail(SplitResult::Cancelled);
  if (result == SplitResult::SizeTooSmall && !plan_.where.empty())
    return Fail(result, "", GroupText(sink_, plan_));
  return Fail(result);
}

PiecesOutcome& PiecesRun::Run() {
  if (!CheckFields() || !OpenAndAnalyseSplit(request_.path)) return outcome_;
  outcome_.engineStarted = analysed_ = true;
  // As the two-way split does: the work starts from a guessed analysis while
  // the whole walk runs beside it, and the pieces replace their names only
  // once the walk has confirmed the guess and that the chunks lie as they
  // are written; otherwise all is planned and written again from the walk.
  SplitResult result = SplitResult::Completed;
  const PiecesOutcome before = outcome_;
  RunOnConfirmedAnalysis(
      confirmation_, analysis_, sink_,
      [&](bool guessed, const std::function<bool()>& mayCommit) {
        result = PlanAndWrite(guessed ? ChunkCopy::IndexedRuns : ChunkCopy::ChunkByChunk, mayCommit);
      },
      [&] { outcome_ = before; });
  if (result != SplitResult::Completed) CheckInputSize();  // the walk beside may have read the change
  input_.Close();
  return End(result);
}

}  // namespace

PiecesOutcome SplitPiecesJob(const PiecesRequest& request, JobSink& sink) {
  PiecesOutcome outcome;
  PiecesRun(request, sink, outcome).Run();
  return outcome;
}
