// tavrin dub and tavrin shift: put other sound into a file, or move a sound
// stream against the picture (dub/dub_job.h, dub/shift_job.h). Ctrl-C acts
// as the progress dialog's Cancel.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/interrupt.h"
#include "cli/json.h"
#include "cli/parsed_args.h"
#include "cli/path_limit.h"
#include "cli/stream_numbers.h"
#include "cli/usage.h"
#include "cli/working_sink.h"
#include "dub/shift_job.h"

namespace {

// The request of tavrin dub or tavrin shift: "" or what is wrong with the arguments.
std::string ParseArgs(const Command& self, int argc, char** argv, bool shift, DubRequest& r, ParsedArgs& args) {
  r.shift = shift;
  std::string problem = ScanArgs(self, argc, argv, &args);
  const char* streamOption = shift ? "--stream" : "--replace";
  if (problem.empty()) problem = ReadStreamNumber(args, streamOption, shift ? &r.shiftStream : &r.replace);
  if (!problem.empty()) return problem;
  const std::vector<std::string>& files = args.operands;
  r.offset = args.Value("--offset");
  r.output = args.Value("--output");
  if (shift) {
    if (files.empty()) return "no input file";
    if (r.shiftStream < 0) return "no stream: give --stream N";
    if (r.offset.empty()) return "no offset: give --offset T";
  } else {
    if (files.size() < 2) return files.empty() ? "no input file" : "no sound file (AUDIO)";
    r.add = args.Has("--add");
    r.audio = files[1];
  }
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
  ParsedArgs args;
  const std::string problem = ParseArgs(self, argc, argv, shift, request, args);
  if (!problem.empty()) return UsageError(self, problem);
  const int englishUi = args.EnglishUi();
  const bool json = args.Has("--json");
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
