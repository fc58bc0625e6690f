// tavrin merge: runs the merge job on the two files named; Ctrl-C acts as the
// progress dialog's Cancel.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "job/native_sink.h"
#include "cli/arg_scan.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/json.h"
#include "cli/working_sink.h"
#include "join/join_job.h"
#include "merge/merge_job.h"
#include "merge/merge_output.h"

namespace {

constexpr const char* kUsage =
    "usage: tavrin merge FILE1 FILE2 [FILE...] [--write [--output PATH] [--clone]] [--lang en|ja] [--json]\n";

int UsageError(const char* why, const char* what) {
  std::fprintf(stderr, "tavrin merge: %s '%s'\n%s", why, what, kUsage);
  return 2;
}

// What the structure comparison found, as a JSON object.
std::string DifferenceJson(const StructureDifference& d) {
  return "{\"code\": " + std::to_string(d.code) + ", \"field\": " + JsonString(d.field) +
         ", \"stream\": " + std::to_string(d.stream) + ", \"offset\": " + std::to_string(d.offset) +
         ", \"first\": " + std::to_string(d.firstValue) + ", \"second\": " + std::to_string(d.secondValue) + "}";
}

// The joined file's numbers as JSON members (none before the engine counted them).
std::string FiguresJson(const MergeFigures& f) {
  if (!f.counted) return "";
  return ", \"overlap\": {\"frames\": " + std::to_string(f.overlapFrames) +
         ", \"seconds\": " + JsonFixed(f.overlapSeconds, 6) + "}, \"joined\": {\"bytes\": " +
         std::to_string(f.joinedBytes) + ", \"frames\": " + std::to_string(f.frames) +
         ", \"seconds\": " + JsonFixed(f.seconds, 6) + "}";
}

}  // namespace

int RunMerge(int argc, char** argv) {
  std::vector<const char*> files;
  bool json = false;
  bool write = false;
  bool clone = false;
  const char* output = nullptr;
  int englishUi = 1;
  ArgScan args(argc, argv);
  const char* value = nullptr;
  while (args.Next()) {
    if (args.Operand()) {
      files.push_back(args.Arg());
    } else if (args.Is("--json")) {
      json = true;
    } else if (args.Is("--write")) {
      write = true;
    } else if (args.Is("--clone")) {
      clone = true;
    } else if (args.Takes("--output", &output)) {
      if (!output || !*output) return UsageError("missing value for", "--output");
    } else if (args.Takes("--lang", &value)) {
      if (!value) return UsageError("missing value for", "--lang");
      if (!ParseLanguage(value, &englishUi)) return UsageError("unknown language", value);
    } else {
      return UsageError("unknown option", args.Arg());
    }
  }
  if (files.size() < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  if (output && !write) return UsageError("--output needs", "--write");
  if (clone && !write) return UsageError("--clone needs", "--write");
  if (files.size() > 2) {
    // The pieces of one recording: the overlap dropped at every seam.
    JoinJobRequest request;
    request.inputs.assign(files.begin(), files.end());
    if (output) request.output = output;
    request.dropOverlaps = true;
    request.write = write;
    request.writer.clone = clone;
    return RunJoinJob(request, englishUi, json, "merge");
  }
  for (const char* file : files)
    if (!PathUsableWhole(file)) return UsageError("cannot use", PathTooLong(file).c_str());

  // With --write the joined file is written here, where the window hands it
  // to the plug-in, once the job has checked and planned the merge.
  WorkingSink sink(englishUi);
  InterruptAsCancel interrupt(sink);
  MergeRequest request{files[0], files[1]};
  request.keepPlanned = write;
  MergeOutcome outcome = MergeJob(request, sink);
  JoinedFileWritten joined;
  if (outcome.planned) {
    WriterOptions writer;
    writer.clone = clone;
    WritePlannedMerge(outcome, output ? output : "", sink, writer, &joined);
  }
  sink.EndBar();
  const bool cancelled = outcome.result == MergeResult::Cancelled;
  const bool wrote = !joined.path.empty();
  // A joined file asked for and not written is a failure in the result too:
  // the plug-in's own result for it (1), as the window's plug-in returns.
  const bool notWritten = write && outcome.Number() == 0 && !cancelled && !wrote;
  const int32_t result = notWritten ? 1 : outcome.Number();
  if (cancelled) std::fputs("tavrin merge: cancelled\n", stderr);
  if (wrote && clone) std::fprintf(stderr, "tavrin merge: %s\n", CloneLine(joined.clone, "the inputs").c_str());
  if (!outcome.detail.empty()) std::fprintf(stderr, "tavrin merge: %s\n", outcome.detail.c_str());

  // Every message the job showed, the reason of a failed write first.
  const bool shown = !sink.messages.empty();
  std::string message;
  for (size_t i = 0; i < sink.messages.size(); ++i) message += (i ? "\n" : "") + sink.messages[i];
  if (json) {
    std::string out = "{\"result\": " + std::to_string(result) + ", \"message\": ";
    out += shown ? JsonString(message) : "null";
    out += ", \"outputs\": [" + (wrote ? JsonString(joined.path) : std::string()) + "]";
    if (result == 0) out += FiguresJson(outcome.figures);
    if (wrote && clone) out += ", " + CloneJson(joined.clone);
    if (!outcome.detail.empty()) out += ", \"detail\": " + JsonString(outcome.detail);
    if (outcome.structure.code != 0) out += ", \"difference\": " + DifferenceJson(outcome.structure);
    out += "}\n";
    std::fputs(out.c_str(), stdout);
  } else if (shown) {
    std::printf("%s\n", message.c_str());
    const MergeFigures& f = outcome.figures;
    if (wrote && f.counted)
      std::printf("%s: %llu bytes, %.3f s (%u frames; overlap %u frames, %.3f s)\n", joined.path.c_str(), static_cast<unsigned long long>(f.joinedBytes), f.seconds,
                  unsigned(f.frames), unsigned(f.overlapFrames), f.overlapSeconds);
  }
  return result == 0 && !cancelled && (!write || wrote) ? 0 : 1;
}
