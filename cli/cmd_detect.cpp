// tavrin detect: the breaks of a recording (black stretches, silences,
// scene changes) found in one read of the file (detect/break_finder.h),
// printed for a person or as JSON, and the black and silent ranges written
// as a cut list. Ctrl-C acts as the progress dialog's Cancel.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "avi/avi_source.h"
#include "cli/analysed_input.h"
#include "cli/command.h"
#include "cli/interrupt.h"
#include "cli/parsed_args.h"
#include "cli/usage.h"
#include "cli/working_sink.h"
#include "scan/damage_report.h"
#ifndef TAVRIN_NO_CODEC
#include "cli/detect_report.h"
#include "detect/break_finder.h"
#else
#include "cli/json.h"
#endif

namespace {

struct DetectArgs {
  std::string path;
  std::string output;
  bool black = false, silence = false, scenes = false;
  double minSeconds = 0.5;
  bool json = false;
};

std::string ReadDetectArgs(const Command& self, int argc, char** argv, DetectArgs* request) {
  ParsedArgs args;
  const std::string problem = ScanArgs(self, argc, argv, &args);
  if (!problem.empty()) return problem;
  if (args.operands.empty()) return "no input file";
  request->path = args.operands[0];
  request->output = args.Value("--output");
  request->json = args.Has("--json");
  request->black = args.Has("--black");
  request->silence = args.Has("--silence");
  request->scenes = args.Has("--scenes");
  if (!request->black && !request->silence && !request->scenes) request->black = request->silence = request->scenes = true;
  if (args.Has("--min-seconds")) {
    const std::string text = args.Value("--min-seconds");
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(seconds > 0 && seconds <= 3600))
      return "--min-seconds takes seconds above 0 (at most 3600), not '" + text + "'";
    request->minSeconds = seconds;
  }
  if (!request->output.empty() && !request->black && !request->silence)
    return "--output writes the black and silent ranges: ask for --black or --silence too";
  return "";
}

int Failure(const DetectArgs& request, const std::string& why) {
  std::fprintf(stderr, "tavrin detect: '%s': %s\n", request.path.c_str(), why.c_str());
  if (request.json) JsonObject().Int("result", 1).String("message", why).Print(stdout);
  return 1;
}

#ifdef TAVRIN_NO_CODEC
int RunDetectRequest(const DetectArgs& request) { return Failure(request, "this build of tavrin has no decoders"); }
#else
// For a recording that ended badly, what is wrong with it and the repair hint; else why.
std::string DamageOr(const DetectArgs& request, const std::string& why) {
  const DamageReport damage = InspectDamage(request.path);
  return damage.damaged ? damage.english : why;
}

int RunDetectRequest(const DetectArgs& request, WorkingSink& sink) {
  AviSource input;
  AviAnalysis analysis;
  const InputRefusal refusal = OpenAnalysed(request.path.c_str(), &input, &analysis, &sink);
  if (!refusal.why.empty()) return Failure(request, refusal.why);
  std::string reason;
  BreakRequest asked;
  asked.black = request.black;
  asked.silence = request.silence;
  asked.scenes = request.scenes;
  asked.minSeconds = request.minSeconds;
  Breaks breaks;
  const BreakStatus status = FindBreaks(input, analysis, asked, &sink, &breaks, &reason);
  sink.EndBar();
  if (status == BreakStatus::Cancelled) {
    std::fputs("tavrin detect: cancelled\n", stderr);
    return Failure(request, "cancelled");
  }
  if (status != BreakStatus::Ok) return Failure(request, DamageOr(request, reason));
  if (!request.output.empty() && !WriteBreakList(breaks, request.output, &reason)) return Failure(request, reason);
  if (request.silence && !breaks.hasSound) std::fputs("tavrin detect: the file has no sound: no silence to find\n", stderr);
  if (request.json)
    PrintBreaksJson(breaks, asked, request.output);
  else
    PrintBreaks(breaks, asked, request.output);
  return 0;
}
#endif

}  // namespace

int RunDetect(const Command& self, int argc, char** argv) {
  DetectArgs request;
  const std::string problem = ReadDetectArgs(self, argc, argv, &request);
  if (!problem.empty()) return UsageError(self, problem);
  const std::string naming = InputOutputProblem(request.path, request.output);
  if (!naming.empty()) return UsageError(self, naming);
#ifdef TAVRIN_NO_CODEC
  return RunDetectRequest(request);
#else
  WorkingSink sink(1);
  InterruptAsCancel interrupt(sink);
  const int status = RunDetectRequest(request, sink);
  sink.EndBar();
  return status;
#endif
}
