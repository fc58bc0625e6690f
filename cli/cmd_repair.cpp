// tavrin repair: runs the repair job on a file; Ctrl-C acts as the progress
// dialog's Cancel.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/clone_report.h"
#include "cli/interrupt.h"
#include "cli/json.h"
#include "cli/parsed_args.h"
#include "cli/path_limit.h"
#include "cli/usage.h"
#include "cli/working_sink.h"
#include "repair/repair_job.h"

int RunRepair(const Command& self, int argc, char** argv) {
  ParsedArgs args;
  const std::string problem = ScanArgs(self, argc, argv, &args);
  if (!problem.empty()) return UsageError(self, problem);
  if (args.operands.empty()) return UsageError(self, "no input file");
  RepairRequest request;
  request.path = args.operands[0];
  request.output = args.Value("--output");
  request.writer.clone = args.Has("--clone");
  const bool clone = request.writer.clone;
  const bool json = args.Has("--json");
  for (const std::string* path : {&request.path, &request.output})
    if (!path->empty() && !PathUsableWhole(path->c_str())) return UsageError(self, PathTooLong(path->c_str()));

  WorkingSink sink(args.EnglishUi());
  InterruptAsCancel interrupt(sink);
  const RepairOutcome outcome = RepairJob(request, sink);
  sink.EndBar();
  const bool cancelled = outcome.result == RepairResult::Cancelled;
  const bool succeeded = outcome.result == RepairResult::Repaired || outcome.result == RepairResult::NothingToRepair;
  if (cancelled) std::fputs("tavrin repair: cancelled\n", stderr);
  if (!outcome.detail.empty() && !succeeded) std::fprintf(stderr, "tavrin repair: %s\n", outcome.detail.c_str());
  const bool cloneSaid = clone && !outcome.written.empty();
  if (cloneSaid) std::fprintf(stderr, "tavrin repair: %s\n", CloneLine(outcome.clone, "the input").c_str());

  if (json) {
    JsonObject out;
    out.Int("result", outcome.Number());
    if (outcome.message.empty()) out.Null("message");
    else out.String("message", outcome.message);
    out.Array("outputs", outcome.written.empty() ? std::vector<std::string>{} : std::vector<std::string>{outcome.written});
    out.Bool("nothing_to_repair", outcome.nothingToRepair);
    if (succeeded) {
      out.Int("frames", outcome.frames).Fixed("seconds", outcome.seconds, 6);
      if (!outcome.written.empty()) out.Int("bytes", outcome.bytes);
      if (cloneSaid) AddCloneJson(out, outcome.clone);
    }
    if (!outcome.detail.empty()) out.String("detail", outcome.detail);
    out.Print(stdout);
  } else {
    if (!outcome.message.empty()) std::printf("%s\n", outcome.message.c_str());
    if (!outcome.written.empty()) {
      std::printf("%s: %llu bytes, %u frames, %.3f s\n", outcome.written.c_str(),
                  static_cast<unsigned long long>(outcome.bytes), unsigned(outcome.frames), outcome.seconds);
      std::printf("%s\n", outcome.detail.c_str());
    }
  }
  return succeeded && !cancelled ? 0 : 1;
}
