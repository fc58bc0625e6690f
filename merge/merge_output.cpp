#include "merge/merge_output.h"

#include "job/file_probe.h"
#include "job/fault_end.h"
#include "job/job_sink.h"
#include "job/output_commit.h"
#include "avi/avi_source.h"
#include "io/output_file.h"
#include "merge/merge_result.h"
#include "job/status_bar.h"

JoinRequest JoinRequestFor(const MergeSources& in, const MergePlan& plan) {
  const AviAnalysis& a = in.first.analysis;
  const AviAnalysis& b = in.second.analysis;
  return JoinRequest{&a,
                     {&in.first.file, a.idx1Offset, a.idx1EntryTotal, a.chunkBase, in.chunksAsWritten[0], nullptr},
                     {&in.second.file, b.idx1Offset, b.idx1EntryTotal, b.chunkBase, in.chunksAsWritten[1], nullptr},
                     EntriesOfStream(b, a.firstVideoStream),
                     &plan};
}

WriteResult WriteJoinedFileFor(PlannedMerge& planned, std::string path, JobSink& sink, std::string* detail,
                                    uint64_t* writtenBytes, const WriterOptions& options, CloneReport* clone) {
  std::string ignored;
  if (!detail) detail = &ignored;
  if (path.empty()) path = planned.joinedName;
  auto fail = [&](WriteResult result, const TextPair& text, const std::string& why) {
    *detail = path + ": " + why;
    sink.Message(sink.Pick(text.english, text.japanese), MessageOwner::ProgressWindow);
    return result;
  };
  // Moving the finished file into place would put it over the input.
  for (const std::string* input : {&planned.firstPath, &planned.secondPath})
    if (SameFile(path.c_str(), input->c_str()))
      return fail(WriteResult::WriteFailed, kJoinedNameIsInput, "names the input " + *input);

  const MergeSources sources = planned.Sources();
  JoinRequest request = JoinRequestFor(sources, planned.plan);
  // OpenDML inputs give their chunks from their files.
  if (planned.first.IsOpenDml()) request.first.stored = &planned.first;
  if (planned.second.IsOpenDml()) request.second.stored = &planned.second;
  const std::string refusal = JoinedFileRefusal(request, MeasureJoinedFile(request));
  if (!refusal.empty()) return fail(WriteResult::TooLarge, kJoinedTooLarge, refusal);
  if (!MayWriteOver({path}, sink)) return WriteResult::Cancelled;  // No writes nothing
  OutputFile out;
  if (!out.Create(path)) return fail(WriteResult::WriteFailed, kJoinedCannotWrite, out.Reason());
  StatusBar bar(sink, kMergeWriting);  // 10 .. 100
  std::string problem;
  WriteResult result = WriteJoinedFile(request, out, &bar, OdmlLimits(), &problem, options);
  // A read error or a change of an input under the copy: not what it held.
  const auto changed = [&planned] {
    planned.first.File().CheckSize();
    planned.second.File().CheckSize();
    return planned.first.File().Fault() || planned.second.File().Fault();
  };
  result = CommitOutput(out, result, sink, changed, {}, WriteResult::InputShort);
  if (result == WriteResult::Written && writtenBytes) *writtenBytes = out.Position();
  if (result == WriteResult::Written && clone) {
    *clone = CloneReport{};
    clone->asked = options.clone;
    clone->Add(out.SharesBlocks(), out.SharedBytes(), out.Position());
  }
  if (result != WriteResult::Written) out.Abandon();
  if (result != WriteResult::Written && result != WriteResult::Cancelled)
    if (const ReadFault* fault = FirstReadFault({&planned.first.File().Fault(), &planned.second.File().Fault()})) {
      const auto end = EndOnFault(*fault, sink.EnglishUi(), MergeResult::ReadError, MergeResult::InputChanged);
      *detail = end.detail;
      const TextPair* text = MergeResultText(end.result);
      const std::string shown = std::string(sink.Pick(text->english, text->japanese)) + "\n\n" + end.why;
      sink.Message(shown.c_str(), MessageOwner::ProgressWindow);
      return end.result == MergeResult::ReadError ? WriteResult::ReadFailed : WriteResult::InputChanged;
    }
  switch (result) {
    case WriteResult::Written:
    case WriteResult::Cancelled: return result;
    case WriteResult::InputShort:
    case WriteResult::InputChanged:
    case WriteResult::ReadFailed:
      return fail(result, kJoinedInputDamaged, "an input ended before the chunks its index names");
    case WriteResult::TooLarge: return fail(WriteResult::TooLarge, kJoinedTooLarge, problem);
    case WriteResult::WriteFailed: break;
  }
  return fail(WriteResult::WriteFailed, kJoinedCannotWrite, out.Reason().empty() ? "write failed" : out.Reason());
}

WriteResult WritePlannedMerge(MergeOutcome& outcome, const std::string& path, JobSink& sink,
                                   const WriterOptions& options, JoinedFileWritten* written) {
  const std::shared_ptr<PlannedMerge> planned = std::move(outcome.planned);
  if (!planned) return WriteResult::WriteFailed;
  const WriteResult r =
      WriteJoinedFileFor(*planned, path, sink, &outcome.detail, &written->bytes, options, &written->clone);
  planned->first.Close();
  planned->second.Close();
  if (r == WriteResult::Written) {
    written->path = path.empty() ? planned->joinedName : path;
    // The summary counts a version-1 file; one written as OpenDML (from
    // 1 GiB on) is larger by its AVIX lists and indexes.
    outcome.figures.joinedBytes = written->bytes;
    outcome.message = sink.Pick(kMergeJoinedWritten.english, kMergeJoinedWritten.japanese);
    sink.Message(outcome.message.c_str(), MessageOwner::ProgressWindow);
  } else if (r == WriteResult::Cancelled || sink.Cancelled()) {
    outcome.result = MergeResult::Cancelled;
  }
  return r;
}

WriteResult WriteJoinedFileAnew(const std::string& first, const std::string& second, const std::string& joined,
                                     JobSink& sink) {
  PlannedMerge planned;
  planned.firstPath = first;
  planned.secondPath = second;
  planned.joinedName = joined;
  AviSource* sources[2] = {&planned.first, &planned.second};
  AviAnalysis* analyses[2] = {&planned.firstAnalysis, &planned.secondAnalysis};
  const std::string* paths[2] = {&first, &second};
  for (int i = 0; i < 2; ++i) {
    // Opened for shared reading only: the merge job that handed over the joined file
    // still holds both inputs open, so an exclusive first look would fail.
    // The bar stays (no cells); Cancel is still seen.
    const bool read = sources[i]->Open(paths[i]->c_str()) && sources[i]->Analyse(*analyses[i], &sink, 10, 0);
    if (sink.Cancelled()) return WriteResult::Cancelled;
    if (!read) {  // the files the merge job read cannot be read again as they were
      sink.Message(sink.Pick(kJoinedCannotWrite.english, kJoinedCannotWrite.japanese), MessageOwner::ProgressWindow);
      return WriteResult::InputChanged;
    }
  }
  if (CompareStructure(planned.firstAnalysis, planned.secondAnalysis, planned.first.Input(), planned.second.Input())
          .code != 0) {
    const TextPair* text = MergeResultText(MergeResult::StructureDiffers);
    sink.Message(sink.Pick(text->english, text->japanese), MessageOwner::ProgressWindow);
    return WriteResult::InputChanged;
  }
  if (PlanMerge(planned.Sources(), 60.0, sink, planned.plan) == PlanOutcome::Cancelled)
    return WriteResult::Cancelled;
  return WriteJoinedFileFor(planned, joined, sink);
}
