// tavrin cut: keeps or drops many ranges of a recording in one go, into one
// file or a file per kept range (cut/cut_job.h). Ctrl-C acts as the progress
// dialog's Cancel.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/arg_scan.h"
#include "cli/clone_report.h"
#include "cli/interrupt.h"
#include "cli/json.h"
#include "cli/path_limit.h"
#include "cli/usage.h"
#include "cli/working_sink.h"
#include "cut/cut_job.h"

namespace {

// Returns "" when the arguments make a request, else what is wrong.
std::string ParseArgs(int argc, char** argv, CutRequest& request, int* englishUi, bool* json) {
  ArgScan args(argc, argv);
  const char* value = nullptr;
  std::vector<std::string> files;
  while (args.Next()) {
    if (args.Operand()) {
      files.push_back(args.Arg());
    } else if (args.Is("--json")) {
      *json = true;
    } else if (args.Is("--clone")) {
      request.writer.clone = true;
    } else if (args.Is("--separate")) {
      request.separate = true;
    } else if (args.Takes("--keep", &value)) {
      if (!value) return "missing value for --keep";
      request.keep.push_back(value);
    } else if (args.Takes("--drop", &value)) {
      if (!value) return "missing value for --drop";
      request.drop.push_back(value);
    } else if (args.Takes("--list", &value)) {
      if (!value || !*value) return "missing value for --list";
      request.list = value;
    } else if (args.Takes("--output", &value)) {
      if (!value || !*value) return "missing value for --output";
      request.output = value;
    } else if (args.Takes("--lang", &value)) {
      if (!value) return "missing value for --lang";
      if (!ParseLanguage(value, englishUi)) return std::string("unknown language '") + value + "'";
    } else {
      return std::string("unknown option '") + args.Arg() + "'";
    }
  }
  if (files.empty()) return "no input file";
  if (files.size() > 1) return "unexpected argument '" + files[1] + "'";
  request.path = files[0];
  return "";
}

JsonObject RangeJson(const CutRangeFigures& r) {
  JsonArray asked;
  for (const std::string& a : r.asked) asked.String(a);
  return JsonObject()
      .Int("first_frame", r.firstFrame)
      .Int("frames", r.frames)
      .Fixed("start_seconds", r.startSeconds, 6)
      .Fixed("seconds", r.seconds, 6)
      .Array("asked", asked);
}

}  // namespace

int RunCut(const Command& self, int argc, char** argv) {
  CutRequest request;
  int englishUi = 1;
  bool json = false;
  const std::string problem = ParseArgs(argc, argv, request, &englishUi, &json);
  if (!problem.empty()) return UsageError(self, problem);
  for (const std::string* path : {&request.path, &request.output, &request.list})
    if (!path->empty() && !PathUsableWhole(path->c_str())) return UsageError(self, PathTooLong(path->c_str()));

  WorkingSink sink(englishUi);
  InterruptAsCancel interrupt(sink);
  const CutOutcome outcome = CutJob(request, sink);
  sink.EndBar();
  const int32_t result = outcome.Number();
  const bool succeeded = outcome.result == CutResult::Completed;
  if (outcome.result == CutResult::Cancelled) std::fputs("tavrin cut: cancelled\n", stderr);
  if (succeeded && request.writer.clone)
    std::fprintf(stderr, "tavrin cut: %s\n", CloneLine(outcome.clone, "the input").c_str());
  if (!outcome.detail.empty()) std::fprintf(stderr, "tavrin cut: %s\n", outcome.detail.c_str());

  if (json) {
    JsonObject out;
    out.Int("result", result);
    if (outcome.message.empty()) out.Null("message");
    else out.String("message", outcome.message);
    out.Array("outputs", outcome.outputs);
    if (!outcome.listFormat.empty()) out.String("list_format", outcome.listFormat);
    if (succeeded) {
      JsonArray ranges, files, drops;
      for (const CutRangeFigures& r : outcome.ranges) ranges.Add(RangeJson(r));
      for (size_t i = 0; i < outcome.outputs.size(); ++i)
        files.Add(JsonObject().String("name", outcome.outputs[i]).Int("bytes", outcome.bytes[i]));
      for (const CutDropFigures& d : outcome.drops) drops.Add(JsonObject().String("asked", d.asked).Int("frames", d.frames));
      out.Array("ranges", ranges).Int("frames", outcome.videoFrames).Int("dropped_frames", outcome.droppedFrames);
      if (!request.drop.empty() || !outcome.drops.empty()) out.Array("dropped", drops);
      out.Array("files", files);
      if (request.writer.clone) AddCloneJson(out, outcome.clone);
    }
    if (!outcome.detail.empty()) out.String("detail", outcome.detail);
    out.Print(stdout);
  } else if (succeeded) {
    std::printf("%s\n", outcome.message.c_str());
    if (!outcome.listFormat.empty()) std::printf("cut list read as %s\n", outcome.listFormat.c_str());
    for (size_t i = 0; i < outcome.ranges.size(); ++i) {
      const CutRangeFigures& r = outcome.ranges[i];
      std::string asked;
      for (const std::string& a : r.asked) asked += (asked.empty() ? "" : ", ") + a;
      std::printf("range %zu: frames %u to %u (%.3f s, %.3f s long), asked %s\n", i + 1, unsigned(r.firstFrame),
                  unsigned(r.firstFrame + r.frames - 1), r.startSeconds, r.seconds, asked.c_str());
    }
    for (size_t i = 0; i < outcome.outputs.size(); ++i)
      std::printf("%s: %llu bytes\n", outcome.outputs[i].c_str(), static_cast<unsigned long long>(outcome.bytes[i]));
  } else if (!outcome.message.empty()) {
    std::printf("%s\n", outcome.message.c_str());
  }
  if (succeeded) return 0;
  return IsUsageRefusal(outcome.result) ? 2 : 1;
}
