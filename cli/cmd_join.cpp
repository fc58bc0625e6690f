// tavrin join: joins files of one format one after the other; also the merge
// of three or more pieces (tavrin merge P1 P2 P3 ...). Ctrl-C acts as the
// progress dialog's Cancel.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/arg_scan.h"
#include "cli/clone_report.h"
#include "cli/interrupt.h"
#include "cli/join_run.h"
#include "cli/json.h"
#include "cli/path_limit.h"
#include "cli/usage.h"
#include "cli/working_sink.h"
#include "merge/merge_many.h"

int RunJoinJob(const JoinJobRequest& request, int englishUi, bool json, const char* command) {
  for (const std::string& file : request.inputs)
    if (!PathUsableWhole(file.c_str())) {
      std::fprintf(stderr, "tavrin %s: cannot use %s\n", command, PathTooLong(file.c_str()).c_str());
      return 2;
    }
  if (!request.output.empty() && !PathUsableWhole(request.output.c_str())) {
    std::fprintf(stderr, "tavrin %s: cannot use %s\n", command, PathTooLong(request.output.c_str()).c_str());
    return 2;
  }
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
    }
  }
  return result == 0 ? 0 : 1;
}

int RunJoin(const Command& self, int argc, char** argv) {
  JoinJobRequest request;
  bool json = false;
  int englishUi = 1;
  ArgScan args(argc, argv);
  const char* value = nullptr;
  while (args.Next()) {
    if (args.Operand()) {
      request.inputs.push_back(args.Arg());
    } else if (args.Is("--json")) {
      json = true;
    } else if (args.Is("--clone")) {
      request.writer.clone = true;
    } else if (args.Takes("--output", &value)) {
      if (!value || !*value) return UsageError(self, "missing value for", "--output");
      request.output = value;
    } else if (args.Takes("--lang", &value)) {
      if (!value) return UsageError(self, "missing value for", "--lang");
      if (!ParseLanguage(value, &englishUi)) return UsageError(self, "unknown language", value);
    } else {
      return UsageError(self, "unknown option", args.Arg());
    }
  }
  if (request.inputs.size() < 2) {
    PrintUsage(self, stderr);
    return 2;
  }
  return RunJoinJob(request, englishUi, json, "join");
}
