// tavrin merge: runs the merge job on the two files named; Ctrl-C acts as the
// progress dialog's Cancel.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "job/native_sink.h"
#include "cli/clone_report.h"
#include "cli/interrupt.h"
#include "cli/join_run.h"
#include "cli/json.h"
#include "cli/parsed_args.h"
#include "cli/path_limit.h"
#include "cli/usage.h"
#include "cli/working_sink.h"
#include "chain/chain_job.h"
#include "merge/merge_job.h"
#include "merge/merge_output.h"

namespace {

// What the structure comparison found, as a JSON object.
JsonObject DifferenceJson(const StructureDifference& d) {
  return JsonObject()
      .Int("code", d.code)
      .String("field", d.field)
      .Int("stream", d.stream)
      .Int("offset", d.offset)
      .Int("first", d.firstValue)
      .Int("second", d.secondValue);
}

// The joined file's numbers as JSON members (none before the engine counted them).
void AddFiguresJson(JsonObject& out, const MergeFigures& f) {
  if (!f.counted) return;
  out.Object("overlap", JsonObject().Int("frames", f.overlapFrames).Fixed("seconds", f.overlapSeconds, 6));
  out.Object("joined",
             JsonObject().Int("bytes", f.joinedBytes).Int("frames", f.frames).Fixed("seconds", f.seconds, 6));
}

}  // namespace

int RunMerge(const Command& self, int argc, char** argv) {
  ParsedArgs args;
  const std::string problem = ScanArgs(self, argc, argv, &args);
  if (!problem.empty()) return UsageError(self, problem);
  const std::vector<std::string>& files = args.operands;
  if (files.size() < 2) {
    PrintUsage(self, stderr);
    return 2;
  }
  const bool json = args.Has("--json");
  const bool write = args.Has("--write");
  const bool clone = args.Has("--clone");
  const std::string output = args.Value("--output");
  const int englishUi = args.EnglishUi();
  if (!output.empty() && !write) return UsageError(self, "--output needs --write");
  if (clone && !write) return UsageError(self, "--clone needs --write");
  if (files.size() > 2) {
    // The pieces of one recording: the overlap dropped at every seam.
    JoinJobRequest request;
    request.inputs = files;
    request.output = output;
    request.dropOverlaps = true;
    request.write = write;
    request.writer.clone = clone;
    return RunJoinJob(request, englishUi, json, self);
  }
  for (const std::string& file : files)
    if (!PathUsableWhole(file.c_str())) return UsageError(self, PathTooLong(file.c_str()));

  // With --write the joined file is written here, where the window hands it
  // to the plug-in, once the job has checked and planned the merge.
  WorkingSink sink(englishUi);
  InterruptAsCancel interrupt(sink);
  MergeRequest request;
  request.first = files[0];
  request.second = files[1];
  request.keepPlanned = write;
  request.warningsApart = true;
  MergeOutcome outcome = MergeJob(request, sink);
  JoinedFileWritten joined;
  if (outcome.planned) {
    WriterOptions writer;
    writer.clone = clone;
    WritePlannedMerge(outcome, output, sink, writer, &joined);
  }
  sink.EndBar();
  const bool cancelled = outcome.result == MergeResult::Cancelled;
  const bool wrote = !joined.path.empty();
  // A joined file asked for and not written is a failure in the result too:
  // the plug-in's own result for it (1), as the window's plug-in returns.
  const bool notWritten = write && outcome.Number() == 0 && !cancelled && !wrote;
  // A cancel reports -1 whenever it came (the window's 0 before the engine
  // ran is its own convention).
  const int32_t result = cancelled ? -1 : notWritten ? 1 : outcome.Number();
  if (cancelled) std::fputs("tavrin merge: cancelled\n", stderr);
  if (wrote && clone) std::fprintf(stderr, "tavrin merge: %s\n", CloneLine(joined.clone, "the inputs").c_str());
  if (!outcome.detail.empty()) std::fprintf(stderr, "tavrin merge: %s\n", outcome.detail.c_str());

  // Every message the job showed, the reason of a failed write first.
  const bool shown = !sink.messages.empty();
  std::string message;
  for (size_t i = 0; i < sink.messages.size(); ++i) message += (i ? "\n" : "") + sink.messages[i];
  if (json) {
    JsonObject out;
    out.Int("result", result);
    if (shown) out.String("message", message);
    else out.Null("message");
    out.Array("outputs", wrote ? std::vector<std::string>{joined.path} : std::vector<std::string>{});
    if (result == 0) AddFiguresJson(out, outcome.figures);
    out.Array("warnings", result == 0 ? outcome.warnings : std::vector<std::string>{});
    if (wrote && clone) AddCloneJson(out, joined.clone);
    if (!outcome.detail.empty()) out.String("detail", outcome.detail);
    if (outcome.structure.code != 0) out.Object("difference", DifferenceJson(outcome.structure));
    out.Print(stdout);
  } else if (shown) {
    std::printf("%s\n", message.c_str());
    const MergeFigures& f = outcome.figures;
    if (wrote && f.counted)
      std::printf("%s: %llu bytes, %.3f s (%u frames; overlap %u frames, %.3f s)\n", joined.path.c_str(), static_cast<unsigned long long>(f.joinedBytes), f.seconds,
                  unsigned(f.frames), unsigned(f.overlapFrames), f.overlapSeconds);
    if (result == 0)
      for (const std::string& warning : outcome.warnings) std::printf("%s\n", warning.c_str());
  }
  return result == 0 && !cancelled && (!write || wrote) ? 0 : 1;
}
