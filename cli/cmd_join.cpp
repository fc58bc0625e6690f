// tavrin join: joins files of one format one after the other; also the merge
// of three or more pieces (tavrin merge P1 P2 P3 ...). Ctrl-C acts as the
// progress dialog's Cancel.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/arg_scan.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/json.h"
#include "cli/working_sink.h"
#include "join/join_job.h"
#include "merge/merge_many.h"

namespace {

constexpr const char* kUsage = "usage: tavrin join FILE1 FILE2 [FILE...] [--output PATH] [--clone] [--lang en|ja] [--json]\n";

int UsageError(const char* why, const char* what) {
  std::fprintf(stderr, "tavrin join: %s '%s'\n%s", why, what, kUsage);
  return 2;
}

}  // namespace

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
  const JoinOutcome outcome = request.dropOverlaps ? MergeManyJob(request, sink) : JoinJob(request, sink);
  sink.EndBar();
  const int32_t result = outcome.Number();
  const bool cancelled = outcome.result == JoinJobResult::Cancelled;
  if (cancelled) std::fprintf(stderr, "tavrin %s: cancelled\n", command);
  const bool cloneSaid = request.writer.clone && !outcome.written.empty();
  if (cloneSaid) std::fprintf(stderr, "tavrin %s: %s\n", command, CloneLine(outcome.clone, "the inputs").c_str());
  if (!outcome.detail.empty()) std::fprintf(stderr, "tavrin %s: %s\n", command, outcome.detail.c_str());

  if (json) {
    std::string out = "{\"result\": " + std::to_string(result) + ", \"message\": ";
    out += outcome.message.empty() ? "null" : JsonString(outcome.message);
    out += ", \"outputs\": [" + (outcome.written.empty() ? std::string() : JsonString(outcome.written)) + "]";
    out += ", \"inputs\": " + std::to_string(request.inputs.size());
    if (cloneSaid) out += ", " + CloneJson(outcome.clone);
    if (result == 0) {
      out += ", \"joined\": {\"name\": " + JsonString(outcome.output) + ", \"bytes\": " + std::to_string(outcome.bytes) +
             ", \"frames\": " + std::to_string(outcome.frames) + ", \"seconds\": " + JsonFixed(outcome.seconds, 6) + "}";
      if (request.dropOverlaps) {
        out += ", \"seams\": [";
        for (size_t i = 0; i < outcome.seamOverlapFrames.size(); ++i)
          out += std::string(i ? ", " : "") + "{\"overlap\": {\"frames\": " +
                 std::to_string(outcome.seamOverlapFrames[i]) +
                 ", \"seconds\": " + JsonFixed(outcome.seamOverlapSeconds[i], 6) + "}}";
        out += "]";
      }
    }
    if (!outcome.detail.empty()) out += ", \"detail\": " + JsonString(outcome.detail);
    out += "}\n";
    std::fputs(out.c_str(), stdout);
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

int RunJoin(int argc, char** argv) {
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
      if (!value || !*value) return UsageError("missing value for", "--output");
      request.output = value;
    } else if (args.Takes("--lang", &value)) {
      if (!value) return UsageError("missing value for", "--lang");
      if (!ParseLanguage(value, &englishUi)) return UsageError("unknown language", value);
    } else {
      return UsageError("unknown option", args.Arg());
    }
  }
  if (request.inputs.size() < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return RunJoinJob(request, englishUi, json, "join");
}
