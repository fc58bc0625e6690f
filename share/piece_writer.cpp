// Writing planned pieces of one input (share/piece_writer.h).
#include "share/piece_writer.h"

#include <memory>

#include "io/file_system.h"
#include "io/output_file.h"
#include "job/job_sink.h"
#include "job/output_commit.h"
#include "share/share_math.h"

namespace {

const char* PieceText(const JobSink& sink, const TextPair& pair) { return sink.Pick(pair.english, pair.japanese); }

// Writes one piece into file, which is created for name and finished (not
// yet moved into place). Completed, or why not with *detail.
SplitResult WritePiece(const SplitSource& source, const Piece& piece, const std::string& name, const BarSpan& bar,
                       ChunkCopy copy, const WriterOptions& writer, JobSink& sink, OutputFile& file,
                       std::string* detail) {
  if (!file.Create(name)) {
    *detail = name + ": " + file.Reason();
    return SplitResult::CannotCreateFirst;
  }
  const ShareOutput output{&piece.share, &file};
  ShareWriting how;
  how.stretch = piece.stretch;
  how.copy = copy;
  how.bar = bar;
  how.options = writer;
  int failed = -1;
  std::string problem;
  const SplitResult result = SplitResultOf(WriteShares(source, &output, 1, how, sink), &failed, &problem);
  if (result == SplitResult::OutputTooLarge) *detail = name + ": " + problem;
  if (result == SplitResult::WriteFailed)
    *detail = failed < 0 ? source.path + ": the input ended before the chunks its index names"
                         : name + ": " + file.Reason();
  if (result != SplitResult::Completed) return result;
  if (!file.Finish()) {
    *detail = name + ": " + file.Reason();
    return SplitResult::WriteFailed;
  }
  return SplitResult::Completed;
}

PieceFigures FiguresOf(const PiecesPlan& plan, const Piece& piece, const std::string& name, uint64_t bytes) {
  PieceFigures figures;
  figures.name = name;
  figures.bytes = bytes;
  figures.firstFrame = piece.startFrame;
  figures.frames = piece.endFrame - piece.startFrame;
  figures.startSeconds = FramesToSeconds(plan.frameMicros, piece.startFrame);
  figures.seconds = FramesToSeconds(plan.frameMicros, figures.frames);
  return figures;
}

// False (and why, in *detail) when a piece cannot be written.
bool CheckPieces(const SplitSource& source, const PiecesPlan& plan, const std::vector<std::string>& names,
                 SplitResult* refusal, std::string* detail) {
  for (size_t j = 0; j < plan.pieces.size(); ++j) {
    const std::string why = ShareRefusal(source, plan.pieces[j].share);
    if (!why.empty()) {
      *detail = names[j] + ": " + why;
      *refusal = SplitResult::OutputTooLarge;
      return false;
    }
  }
  return true;
}

}  // namespace

SplitResult WritePiecesNamed(const SplitSource& source, const PiecesPlan& plan, const std::vector<std::string>& names,
                             JobSink& sink, PiecesOutcome& outcome, ChunkCopy copy, const WriterOptions& writer,
                             const std::function<bool()>& mayCommit, const PieceCheck& check) {
  SplitResult refusal = SplitResult::Completed;
  if (!CheckPieces(source, plan, names, &refusal, &outcome.detail)) return refusal;
  uint64_t total = 0;
  for (const Piece& p : plan.pieces) total += p.plannedBytes;
  sink.Status(PieceText(sink, kSplitFileCreating), 10);
  if (sink.Cancelled() || !MayWriteOver(names, sink)) return SplitResult::Cancelled;  // No writes nothing

  // Finished pieces wait, closed, under their temporary names.
  std::vector<std::unique_ptr<OutputFile>> files;
  uint64_t before = 0;
  for (size_t j = 0; j < plan.pieces.size(); ++j) {
    BarSpan bar;
    bar.chunkFrom = 10 + int(88 * before / (total ? total : 1));
    before += plan.pieces[j].plannedBytes;
    bar.indexFrom = 10 + int(88 * before / (total ? total : 1));
    bar.chunkSpan = bar.indexFrom - bar.chunkFrom;
    bar.indexSpan = 0;
    files.emplace_back(new OutputFile);
    const SplitResult result = WritePiece(source, plan.pieces[j], names[j], bar, copy, writer, sink, *files.back(),
                                           &outcome.detail);
    if (result != SplitResult::Completed) return result;
  }
  outcome.clone = CloneReport{};
  outcome.clone.asked = writer.clone;
  for (const auto& file : files) outcome.clone.Add(file->SharesBlocks(), file->SharedBytes(), file->Position());
  if (check)
    for (size_t j = 0; j < files.size(); ++j)
      if (!check(j, files[j]->TemporaryPath())) return SplitResult::Cancelled;  // the files go
  std::vector<OutputFile*> made;
  for (const auto& file : files) made.push_back(file.get());
  // A read error or a change of the input under the copy (an index cut
  // away reads as no entries): the pieces are not what it held.
  const auto changed = [&source] { return source.input.CheckSize(), bool(source.input.Fault()); };
  // A cancel, or a guess not confirmed: the files go, nothing was replaced.
  const CommitEnd end = CommitOutputs(made, sink, changed, mayCommit);
  switch (end.step) {
    case CommitEnd::Committed: break;
    case CommitEnd::NotWritten:
      outcome.detail = names[end.failed] + ": " + files[end.failed]->Reason();
      return SplitResult::WriteFailed;
    case CommitEnd::InputFault: return SplitResult::WriteFailed;  // the job reports the fault
    case CommitEnd::Cancelled: return SplitResult::Cancelled;
    case CommitEnd::NotMoved:
      outcome.detail = names[end.failed] + ": " + files[end.failed]->Reason();
      return SplitResult::CannotCreateFirst;
  }
  for (size_t j = 0; j < files.size(); ++j)  // in place
    outcome.pieces.push_back(FiguresOf(plan, plan.pieces[j], names[j], files[j]->Position()));
  sink.Status(PieceText(sink, kSplitFileCreating), 99);
  return SplitResult::Completed;
}

bool MakePieceName(const std::string& input, uint32_t number, std::string* name) {
  const size_t folder = filesys::FolderOf(input).size();
  const size_t keep = input.size() - folder >= 4 ? input.size() - 4 : input.size();
  *name = input.substr(0, keep) + "-" + std::to_string(number) + ".avi";
  return name->size() <= 259;
}

