// The split into many pieces as a job: field checks, input, analysis (bar 0
// to 10), planning, then the pieces one after the other (bar 10 to 99), each
// written by the split's writer from its share of the input.
#include "pieces/pieces_job.h"

#include <cstdio>
#include <functional>
#include <memory>

#include "job/fault_end.h"
#include "job/forwarding_sink.h"
#include "avi/avi_source.h"
#include "io/file_system.h"
#include "io/output_file.h"
#include "pieces/piece_plan.h"
#include "share/number_field.h"
#include "share/share_input.h"
#include "share/share_math.h"
#include "texts/pieces_texts.h"

namespace {

// Passes everything on to the host's sink and keeps the messages shown.
class RecordingSink : public ForwardingSink {
 public:
  explicit RecordingSink(JobSink& host) : ForwardingSink(host) {}
  void Message(const char* text, MessageOwner owner) override {
    message += (message.empty() ? "" : "\n") + std::string(text);
    host_.Message(text, owner);
  }

  std::string message;
};

const char* Text(const JobSink& sink, const TextPair& pair) { return sink.Pick(pair.english, pair.japanese); }

// Ends the job with result and its message; extra (already in the user's
// language) follows the table's text on a line of its own.
PiecesOutcome& Finish(PiecesOutcome& outcome, SplitResult result, RecordingSink& sink, const std::string& extra = "") {
  outcome.result = result;
  if (const TextPair* text = SplitResultText(result)) {
    std::string shown = std::string(Text(sink, *text)) + (extra.empty() ? "" : "\n\n" + extra);
    if (result != SplitResult::Completed) shown = sink.WithDetail(shown, outcome.detail);
    sink.Message(shown.c_str(), MessageOwner::ProgressWindow);
  }
  outcome.message = sink.message;
  return outcome;
}

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

}  // namespace

PiecesOutcome SplitPiecesJob(const PiecesRequest& request, JobSink& host) {
  RecordingSink sink(host);
  PiecesOutcome outcome;
  ExactTime overlap;
  if (!ParseNumberField(request.overlap.c_str(), &overlap)) return Finish(outcome, SplitResult::OverlapInvalid, sink);
  if (overlap > ExactTime(60)) return Finish(outcome, SplitResult::OverlapOutOfRange, sink);
  if (!CheckOutputFolder(request.writer.folder, &outcome.detail))
    return Finish(outcome, SplitResult::CannotCreateFirst, sink);

  ExactTime every;
  uint64_t limit = 0;
  if (request.by == PiecesBy::Every) {
    if (!ParseNumberField(request.everySeconds.c_str(), &every))
      return Finish(outcome, SplitResult::SecondsInvalid, sink);
    if (every.IsZero()) return Finish(outcome, SplitResult::TimeZero, sink);
  } else {
    double megabytes = 0;
    if (!ParseNumberField(request.sizeMegabytes.c_str(), &megabytes)) megabytes = 0;
    limit = SizeLimitBytes(megabytes);
    if (limit == 0) return Finish(outcome, SplitResult::SizeInvalid, sink);
  }

  const std::string& path = request.path;
  AviSource input;
  SplitOutcome opened;
  if (!OpenSplitInput(path, input, opened)) {
    outcome.detail = opened.detail;
    return Finish(outcome, opened.result, sink);
  }
  AviAnalysis analysis{};
  SplitOutcome analysed;
  SplitConfirmation confirmation(analysis);
  if (!AnalyseSplitInput(path, input, analysis, analysed, sink, &confirmation.walk)) {
    outcome.engineStarted = analysed.engineStarted;
    outcome.detail = analysed.detail;
    outcome.result = analysed.result;
    outcome.message = sink.message;
    return outcome;
  }
  outcome.engineStarted = true;

  PiecesPlan plan;
  WriterOptions writer = request.writer;
  writer.firstOutputLimit = limit;  // every piece of a split by size is a first output of its own
  auto planAndWrite = [&](ChunkCopy copy, const std::function<bool()>& mayCommit) {
    const SplitSource source = SplitSourceOf(input, analysis, path);
    SplitResult result = request.by == PiecesBy::Every ? PlanPiecesEvery(source, every, overlap, plan)
                                                       : PlanPiecesBySize(source, limit, overlap, plan);
    if (const char* what = SplitStructureDetail(result)) outcome.detail = path + ": " + what;
    if (!plan.where.empty()) outcome.detail = path + ": " + plan.where;
    if (result == SplitResult::SizeTooSmall && !plan.where.empty())
      outcome.detail += "; the limit is " + std::to_string(limit) + " bytes";
    if (result == SplitResult::Completed) result = WritePieces(source, plan, sink, outcome, copy, writer, mayCommit);
    return result;
  };
  // As the two-way split does: the work starts from a guessed analysis while
  // the whole walk runs beside it, and the pieces replace their names only
  // once the walk has confirmed the guess and that the chunks lie as they
  // are written; otherwise all is planned and written again from the walk.
  SplitResult result = SplitResult::Completed;
  const PiecesOutcome before = outcome;
  RunOnConfirmedAnalysis(
      confirmation, analysis, sink,
      [&](bool guessed, const std::function<bool()>& mayCommit) {
        result = planAndWrite(guessed ? ChunkCopy::IndexedRuns : ChunkCopy::ChunkByChunk, mayCommit);
      },
      [&] { outcome = before; });
  if (result != SplitResult::Completed) input.File().CheckSize();  // the walk beside may have read the change
  input.Close();
  // A cancelled run wrote nothing; the host reports the cancel itself.
  if (result != SplitResult::Completed && sink.Cancelled()) result = SplitResult::Cancelled;
  const ReadFault& fault = input.File().Fault();
  if (result != SplitResult::Completed && result != SplitResult::Cancelled && fault) {
    const auto end = EndOnFault(fault, sink.EnglishUi(), SplitResult::ReadError, SplitResult::InputChanged);
    outcome.detail = end.detail;
    return Finish(outcome, end.result, sink, end.why);
  }
  if (result == SplitResult::SizeTooSmall && !plan.where.empty())
    return Finish(outcome, result, sink, GroupText(sink, plan));
  return Finish(outcome, result, sink);
}
