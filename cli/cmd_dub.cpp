// tavrin dub and tavrin shift: put other sound into a file, or move a sound
// stream against the picture (dub/dub_job.h, dub/shift_job.h). Ctrl-C acts
// as the progress dialog's Cancel.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/arg_scan.h"
#include "cli/interrupt.h"
#include "cli/json.h"
#include "cli/path_limit.h"
#include "cli/usage.h"
#include "cli/working_sink.h"
#include "dub/shift_job.h"

namespace {

// A stream number: digits only.
bool StreamNumber(const char* text, int* n) {
  if (!text || !*text) return false;
  long v = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9' || v > 1000) return false;
    v = v * 10 + (*p - '0');
  }
  *n = int(v);
  return true;
}

// The options both commands take; "" or what is wrong.
std::string Common(ArgScan& args, DubRequest& r, int* englishUi, bool* json, bool* taken) {
  const char* value = nullptr;
  *taken = true;
  if (args.Is("--json")) {
    *json = true;
  } else if (args.Takes("--offset", &value)) {
    if (!value || !*value) return "missing value for --offset";
    r.offset = value;
  } else if (args.Takes("--output", &value)) {
    if (!value || !*value) return "missing value for --output";
    r.output = value;
  } else if (args.Takes("--lang", &value)) {
    if (!value) return "missing value for --lang";
    if (!ParseLanguage(value, englishUi)) return std::string("unknown language '") + value + "'";
  } else {
    *taken = false;
  }
  return "";
}

std::string ParseDub(int argc, char** argv, DubRequest& r, int* englishUi, bool* json) {
  ArgScan args(argc, argv);
  const char* value = nullptr;
  std::vector<std::string> files;
  while (args.Next()) {
    bool taken = false;
    const std::string problem = Common(args, r, englishUi, json, &taken);
    if (!problem.empty()) return problem;
    if (taken) continue;
    if (args.Operand()) {
      files.push_back(args.Arg());
    } else if (args.Is("--add")) {
      r.add = true;
    } else if (args.Takes("--replace", &value)) {
      if (!StreamNumber(value, &r.replace)) return "--replace takes a stream number (as tavrin info prints it)";
    } else {
      return std::string("unknown option '") + args.Arg() + "'";
    }
  }
  if (files.size() < 2) return files.empty() ? "no input file" : "no sound file (AUDIO)";
  if (files.size() > 2) return "unexpected argument '" + files[2] + "'";
  r.path = files[0];
  r.audio = files[1];
  return "";
}

std::string ParseShift(int argc, char** argv, DubRequest& r, int* englishUi, bool* json) {
  ArgScan args(argc, argv);
  const char* value = nullptr;
  std::vector<std::string> files;
  r.shift = true;
  while (args.Next()) {
    bool taken = false;
    const std::string problem = Common(args, r, englishUi, json, &taken);
    if (!problem.empty()) return problem;
    if (taken) continue;
    if (args.Operand()) {
      files.push_back(args.Arg());
    } else if (args.Takes("--stream", &value)) {
      if (!StreamNumber(value, &r.shiftStream)) return "--stream takes a stream number (as tavrin info prints it)";
    } else {
      return std::string("unknown option '") + args.Arg() + "'";
    }
  }
  if (files.empty()) return "no input file";
  if (files.size() > 1) return "unexpected argument '" + files[1] + "'";
  if (r.shiftStream < 0) return "no stream: give --stream N";
  if (r.offset.empty()) return "no offset: give --offset T";
  r.path = files[0];
  return "";
}

int Report(const char* name, const DubRequest& request, const DubOutcome& outcome, bool json) {
  const bool succeeded = outcome.result == DubResult::Completed;
  if (outcome.result == DubResult::Cancelled) std::fprintf(stderr, "tavrin %s: cancelled\n", name);
  if (!outcome.detail.empty()) std::fprintf(stderr, "tavrin %s: %s\n", name, outcome.detail.c_str());
  if (json) {
    JsonObject out;
    out.Int("result", outcome.Number());
    if (outcome.message.empty()) out.Null("message");
    else out.String("message", outcome.message);
    out.Array("outputs", outcome.outputs);
    if (succeeded) {
      out.Int("stream", outcome.stream).Bool("replaced", outcome.replaced && !request.shift);
      out.String("sound", outcome.soundKind).Fixed("sound_seconds", outcome.soundSeconds, 6);
      out.Fixed("video_seconds", outcome.videoSeconds, 6).Int("sound_chunks", outcome.soundChunks);
      out.Int("bytes", outcome.bytes.empty() ? 0 : outcome.bytes[0]);
      if (outcome.hasOffset) {
        const OffsetPlan& o = outcome.offset;
        JsonObject offset;
        offset.Fixed("asked", outcome.offsetAsked, 9).Fixed("reached", o.reached, 9);
        offset.String("method", o.method == OffsetMethod::None ? "none" : o.MethodName());
        offset.Int(o.CountName(), o.count);
        out.Object("offset", offset);
      }
    }
    if (!outcome.detail.empty()) out.String("detail", outcome.detail);
    out.Print(stdout);
  } else if (!outcome.message.empty()) {
    std::printf("%s\n", outcome.message.c_str());
    for (size_t i = 0; i < outcome.outputs.size(); ++i)
      std::printf("%s: %llu bytes\n", outcome.outputs[i].c_str(), static_cast<unsigned long long>(outcome.bytes[i]));
  }
  if (succeeded) return 0;
  return IsDubUsageRefusal(outcome.result) ? 2 : 1;
}

int Run(const Command& self, int argc, char** argv, bool shift) {
  DubRequest request;
  int englishUi = 1;
  bool json = false;
  const std::string problem = shift ? ParseShift(argc, argv, request, &englishUi, &json)
                                    : ParseDub(argc, argv, request, &englishUi, &json);
  if (!problem.empty()) return UsageError(self, problem);
  for (const std::string* path : {&request.path, &request.audio, &request.output})
    if (!path->empty() && !PathUsableWhole(path->c_str())) return UsageError(self, PathTooLong(path->c_str()));
  WorkingSink sink(englishUi);
  InterruptAsCancel interrupt(sink);
  const DubOutcome outcome = DubJob(request, sink);
  sink.EndBar();
  return Report(shift ? "shift" : "dub", request, outcome, json);
}

}  // namespace

int RunDub(const Command& self, int argc, char** argv) { return Run(self, argc, argv, false); }
int RunShift(const Command& self, int argc, char** argv) { return Run(self, argc, argv, true); }
