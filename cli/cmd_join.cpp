// tavrin join: joins files of one format one after the other; also the merge
// of three or more pieces (tavrin merge P1 P2 P3 ...). Ctrl-C acts as the
// progress dialog's Cancel.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/clone_report.h"
#include "cli/interrupt.h"
#include "cli/join_run.h"
#include "cli/json.h"
#include "cli/parsed_args.h"
#include "cli/path_limit.h"
#include "cli/usage.h"
#include "cli/working_sink.h"
#include "merge/merge_many.h"

int RunJoinJob(const JoinJobRequest& request, int englishUi, bool json, const Command& self) {
  for (const std::string& file : request.inputs)
    if (!PathUsableWhole(file.c_str())) return UsageError(self, PathTooLong(file.c_str()));
  if (!request.output.empty() && !PathUsableWhole(request.output.c_str()))
    return UsageError(self, PathTooLong(request.output.c_str()));
  const char* command = self.name;
  WorkingSink sink(englishUi);
  InterruptAsCancel interrupt(sink);
  const JoinOutcome outcome = JoinOrMergeJob(request, sink);
  sink.EndBar();
  const int32_t result = outcome.Number();
  const bool cancelled = outcome.result == JoinJobResult::Cancelled;
  if (cancelled) std::fprintf(stderr, "tavrin %s: cancelled\n", command);
  const bool cloneSaid = request.writer.clone && !outcome.written.empty();
  if (cloneSaid) std::fprintf(stderr, "tavrin %s: %s\n", command, CloneLine(outcome.clone, "the inputs").c_str());
  if (!outcome.detail.empty()) std::fprintf(stderr, "tavrin %s: %s\n", command, outcome.detail.c_str());

  if (json) {
    JsonObject out;
    out.Int("result", result);
    if (outcome.message.empty()) out.Null("message");
    else out.String("message", outcome.message);
    out.Array("outputs", outcome.written.empty() ? std::vector<std::string>{} : std::vector<std::string>{outcome.written});
    out.Int("inputs", request.inputs.size());
    if (cloneSaid) AddCloneJson(out, outcome.clone);
    if (result == 0) {
      out.Object("joined", JsonObject()
                               .String("name", outcome.output)
                               .Int("bytes", outcome.bytes)
                               .Int("frames", outcome.frames)
                               .Fixed("seconds", outcome.seconds, 6));
      if (request.dropOverlaps) {
        JsonArray seams;
        for (size_t i = 0; i < outcome.seamOverlapFrames.size(); ++i)
          seams.Add(JsonObject().Object("overlap", JsonObject()
                                                       .Int("frames", outcome.seamOverlapFrames[i])
                                                       .Fixed("seconds", outcome.seamOverlapSeconds[i], 6)));
        out.Array("seams", seams);
      }
    }
    // A merge's warnings, as the two-file merge gives them: always there, empty when none.
    if (request.dropOverlaps) out.Array("warnings", result == 0 ? outcome.warnings : std::vector<std::string>{});
    if (!outcome.detail.empty()) out.String("detail", outcome.detail);
    out.Print(stdout);
  } else if (!outcome.message.empty()) {
    std::printf("%s\n", outcome.message.c_str());
    if (result == 0) {
      for (size_t i = 0; i < outcome.seamOverlapFrames.size(); ++i)
        std::printf("seam %zu: overlap %u frames, %.3f s\n", i + 1, unsigned(outcome.seamOverlapFrames[i]),
                    outcome.seamOverlapSeconds[i]);
      std::printf("%s: %llu bytes, %.3f s (%u frames)%s\n", outcome.output.c_str(),
                  static_cast<unsigned long long>(outcome.bytes), outcome.seconds, unsigned(outcome.frames),
                  outcome.written.empty() ? " (not written)" : "");
      for (const std::string& warning : outcome.warnings) std::printf("%s\n", warning.c_str());
    }
  }
  return result == 0 ? 0 : 1;
}

int RunJoin(const Command& self, int argc, char** argv) {
  ParsedArgs args;
  const std::string problem = ScanArgs(self, argc, argv, &args);
  if (!problem.empty()) return UsageError(self, problem);
  if (args.operands.size() < 2) {
    PrintUsage(self, stderr);
    return 2;
  }
  JoinJobRequest request;
  request.inputs = args.operands;
  request.output = args.Value("--output");
  request.writer.clone = args.Has("--clone");
  return RunJoinJob(request, args.EnglishUi(), args.Has("--json"), self);
}
