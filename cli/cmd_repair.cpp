// tavrin repair: runs the repair job on a file; Ctrl-C acts as the progress
// dialog's Cancel.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/arg_scan.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/json.h"
#include "cli/working_sink.h"
#include "repair/repair_job.h"

namespace {

const char kUsage[] = "usage: tavrin repair FILE [--output PATH] [--clone] [--lang en|ja] [--json]\n";

int UsageError(const std::string& problem) {
  std::fprintf(stderr, "tavrin repair: %s\n", problem.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int RunRepair(int argc, char** argv) {
  const char* file = nullptr;
  const char* output = nullptr;
  bool json = false;
  bool clone = false;
  int englishUi = 1;
  ArgScan args(argc, argv);
  const char* value = nullptr;
  while (args.Next()) {
    if (args.Operand()) {
      if (file) return UsageError(std::string("unexpected argument '") + args.Arg() + "'");
      file = args.Arg();
    } else if (args.Is("--json")) {
      json = true;
    } else if (args.Is("--clone")) {
      clone = true;
    } else if (args.Takes("--output", &output)) {
      if (!output || !*output) return UsageError("missing value for --output");
    } else if (args.Takes("--lang", &value)) {
      if (!value) return UsageError("missing value for --lang");
      if (!ParseLanguage(value, &englishUi)) return UsageError("--lang takes en or ja");
    } else {
      return UsageError(std::string("unknown option '") + args.Arg() + "'");
    }
  }
  if (!file) return UsageError("no input file");
  if (!PathUsableWhole(file)) return UsageError(PathTooLong(file));
  if (output && !PathUsableWhole(output)) return UsageError(PathTooLong(output));

  WorkingSink sink(englishUi);
  InterruptAsCancel interrupt(sink);
  RepairRequest request;
  request.path = file;
  if (output) request.output = output;
  request.writer.clone = clone;
  const RepairOutcome outcome = RepairJob(request, sink);
  sink.EndBar();
  const bool cancelled = outcome.result == RepairResult::Cancelled;
  const bool succeeded = outcome.result == RepairResult::Repaired || outcome.result == RepairResult::NothingToRepair;
  if (cancelled) std::fputs("tavrin repair: cancelled\n", stderr);
  if (!outcome.detail.empty() && !succeeded) std::fprintf(stderr, "tavrin repair: %s\n", outcome.detail.c_str());
  const bool cloneSaid = clone && !outcome.written.empty();
  if (cloneSaid) std::fprintf(stderr, "tavrin repair: %s\n", CloneLine(outcome.clone, "the input").c_str());

  if (json) {
    std::string out = "{\"result\":" + std::to_string(outcome.Number()) + ",\"message\":";
    out += outcome.message.empty() ? "null" : JsonString(outcome.message);
    out += ",\"outputs\":[" + (outcome.written.empty() ? std::string() : JsonString(outcome.written)) + "]";
    out += ",\"nothing_to_repair\":" + std::string(outcome.nothingToRepair ? "true" : "false");
    if (succeeded) {
      out += ",\"frames\":" + std::to_string(outcome.frames) + ",\"seconds\":" + JsonFixed(outcome.seconds, 6);
      if (!outcome.written.empty()) out += ",\"bytes\":" + std::to_string(outcome.bytes);
      if (cloneSaid) out += "," + CloneJson(outcome.clone);
    }
    if (!outcome.detail.empty()) out += ",\"detail\":" + JsonString(outcome.detail);
    out += "}\n";
    std::fputs(out.c_str(), stdout);
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
