// tavrin split: runs the split job on a request made from the command line,
// or with --every / --all the job that splits into many pieces; Ctrl-C acts
// as the progress dialog's Cancel.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "job/native_sink.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/json.h"
#include "cli/working_sink.h"
#include "pieces/pieces_job.h"
#include "split/size_split.h"
#include "split/split_job.h"

namespace {

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "tavrin split: %s\n", problem);
  std::fputs(
      "usage: tavrin split FILE [--hours T] [--minutes T] [--seconds T] | [--size-mb N]\n"
      "                   [--overlap T] [--create both|first|second] [--clone] [--lang en|ja] [--json]\n"
      "       tavrin split FILE --every T | --size-mb N --all [--overlap T] [--clone] [--lang en|ja] [--json]\n",
      stderr);
  return 2;
}

struct SplitArgs {
  const char* file = nullptr;
  std::string hours, minutes, seconds, overlap, sizeMb, every;
  bool bySize = false;
  bool all = false;      // --all: as many pieces of --size-mb as it takes
  bool hasEvery = false;  // --every: a piece every T seconds
  bool hasCreate = false;
  std::string create = "both";
  std::string lang = "en";
  bool json = false;
  bool clone = false;
};

// Returns an empty string on success, else what is wrong.
std::string ParseArgs(int argc, char** argv, SplitArgs& args) {
  struct Option {
    const char* name;
    std::string* value;
  } options[] = {{"--hours", &args.hours},     {"--minutes", &args.minutes},
                 {"--seconds", &args.seconds}, {"--overlap", &args.overlap},
                 {"--create", &args.create},   {"--lang", &args.lang},
                 {"--size-mb", &args.sizeMb},  {"--every", &args.every}};
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--json") == 0) {
      args.json = true;
      continue;
    }
    if (std::strcmp(arg, "--all") == 0) {
      args.all = true;
      continue;
    }
    if (std::strcmp(arg, "--clone") == 0) {
      args.clone = true;
      continue;
    }
    if (std::strncmp(arg, "--", 2) != 0) {
      if (args.file) return std::string("unexpected argument '") + arg + "'";
      args.file = arg;
      continue;
    }
    bool known = false;
    for (const Option& o : options) {
      size_t n = std::strlen(o.name);
      if (std::strncmp(arg, o.name, n) != 0) continue;
      if (arg[n] == '=') {
        *o.value = arg + n + 1;
      } else if (arg[n] == 0) {
        // The value is the next argument, whatever it looks like ("-1" too).
        if (i + 1 >= argc) return std::string("missing value for ") + o.name;
        *o.value = argv[++i];
      } else {
        continue;
      }
      known = true;
      if (o.value == &args.sizeMb) args.bySize = true;
      if (o.value == &args.every) args.hasEvery = true;
      if (o.value == &args.create) args.hasCreate = true;
      break;
    }
    if (!known) return std::string("unknown option '") + arg + "'";
  }
  if (!args.file) return "no input file";
  const bool timeFields = !(args.hours.empty() && args.minutes.empty() && args.seconds.empty());
  if (args.hasEvery && (args.bySize || args.all)) return "--every splits by time: no --size-mb or --all with it";
  if (args.all && !args.bySize) return "--all needs --size-mb N";
  if ((args.hasEvery || args.all) && (timeFields || args.hasCreate))
    return "pieces (--every, --all): no --hours, --minutes, --seconds or --create with them";
  if (args.bySize && !(args.hours.empty() && args.minutes.empty() && args.seconds.empty()))
    return "--size-mb splits by size: no --hours, --minutes or --seconds with it";
  if (args.create != "both" && args.create != "first" && args.create != "second")
    return "--create takes both, first or second";
  if (args.lang != "en" && args.lang != "ja") return "--lang takes en or ja";
  return "";
}

// Where the split cut and what it wrote, as JSON members (none before the
// engine found the cut).
std::string FiguresJson(const SplitFigures& f, const std::vector<std::string>& outputs,
                        const std::vector<uint64_t>& sizes) {
  if (!f.planned) return "";
  std::string out = ",\"cut\":{\"frame\":" + std::to_string(f.cutFrame) +
                    ",\"seconds\":" + JsonFixed(f.cutSeconds, 6) + "}";
  out += ",\"second_start\":{\"frame\":" + std::to_string(f.secondStartFrame) +
         ",\"seconds\":" + JsonFixed(f.secondStartSeconds, 6) + "}";
  out += ",\"files\":[";
  for (size_t i = 0; i < outputs.size(); ++i)
    out += std::string(i ? "," : "") + "{\"name\":" + JsonString(outputs[i]) +
           ",\"bytes\":" + std::to_string(sizes[i]) + "}";
  return out + "]";
}

// The same for a person: where it cut and each file written.
void PrintFigures(const SplitFigures& f, const std::vector<std::string>& outputs,
                  const std::vector<uint64_t>& sizes) {
  std::printf("cut at frame %u (%.3f s)", unsigned(f.cutFrame), f.cutSeconds);
  if (f.secondStartFrame != f.cutFrame)
    std::printf("; the second file starts at frame %u (%.3f s)", unsigned(f.secondStartFrame),
                f.secondStartSeconds);
  std::printf("\n");
  for (size_t i = 0; i < outputs.size(); ++i)
    std::printf("%s: %llu bytes\n", outputs[i].c_str(), static_cast<unsigned long long>(sizes[i]));
}

// tavrin split FILE --every T | --size-mb N --all: every piece written.
int RunPieces(const SplitArgs& args) {
  PiecesRequest request;
  request.path = args.file;
  request.by = args.hasEvery ? PiecesBy::Every : PiecesBy::Size;
  request.everySeconds = args.every;
  request.sizeMegabytes = args.sizeMb;
  request.overlap = args.overlap;
  request.writer.clone = args.clone;

  WorkingSink sink(args.lang == "en" ? 1 : 0);
  InterruptAsCancel interrupt(sink);
  const PiecesOutcome outcome = SplitPiecesJob(request, sink);
  sink.EndBar();
  const int32_t result = outcome.Number();
  const bool cancelled = outcome.result == SplitResult::Cancelled;
  const bool succeeded = outcome.result == SplitResult::Completed;
  if (cancelled) std::fputs("tavrin split: cancelled\n", stderr);
  if (succeeded && args.clone) std::fprintf(stderr, "tavrin split: %s\n", CloneLine(outcome.clone, "the input").c_str());
  if (!outcome.detail.empty()) std::fprintf(stderr, "tavrin split: %s\n", outcome.detail.c_str());

  if (args.json) {
    std::string out = "{\"result\":" + std::to_string(result) + ",\"message\":";
    out += outcome.message.empty() ? "null" : JsonString(outcome.message);
    if (succeeded && args.clone) out += "," + CloneJson(outcome.clone);
    out += ",\"outputs\":[";
    for (size_t i = 0; i < outcome.pieces.size(); ++i) out += (i ? "," : "") + JsonString(outcome.pieces[i].name);
    out += "],\"files\":[";
    for (size_t i = 0; i < outcome.pieces.size(); ++i) {
      const PieceFigures& p = outcome.pieces[i];
      out += std::string(i ? "," : "") + "{\"name\":" + JsonString(p.name) + ",\"bytes\":" + std::to_string(p.bytes) +
             ",\"first_frame\":" + std::to_string(p.firstFrame) + ",\"frames\":" + std::to_string(p.frames) +
             ",\"start_seconds\":" + JsonFixed(p.startSeconds, 6) + ",\"seconds\":" + JsonFixed(p.seconds, 6) + "}";
    }
    out += "]";
    if (!outcome.detail.empty()) out += ",\"detail\":" + JsonString(outcome.detail);
    out += "}\n";
    std::fputs(out.c_str(), stdout);
  } else if (succeeded) {
    // The window's advice after "Completed" fits the Windows program only.
    std::printf("%s\n", outcome.message.substr(0, outcome.message.find('\n')).c_str());
    for (const PieceFigures& p : outcome.pieces)
      std::printf("%s: %llu bytes, frames %u to %u (%.3f s, %.3f s long)\n", p.name.c_str(),
                  static_cast<unsigned long long>(p.bytes), unsigned(p.firstFrame),
                  unsigned(p.firstFrame + p.frames - 1), p.startSeconds, p.seconds);
  } else if (!outcome.message.empty()) {
    std::fputs(outcome.message.c_str(), stdout);
    std::fputc('\n', stdout);
  }
  return succeeded ? 0 : 1;
}

// "File size": in the window the plug-in's work; here, once the job has
// checked the fields, the size split itself. It ends as the job ends a
// hand-over to the plug-in: "Completed" or "Error" after the split's own
// messages.
SplitOutcome SplitBySize(const SplitRequest& request, JobSink& sink) {
  const SplitOutcome done = RunSizeSplit(request, sink);
  SplitOutcome outcome;
  outcome.detail = done.detail;
  outcome.firstOutput = done.firstOutput;
  outcome.secondOutput = done.secondOutput;
  outcome.wroteFirst = done.wroteFirst;
  outcome.wroteSecond = done.wroteSecond;
  outcome.figures = done.figures;
  outcome.clone = done.clone;
  if (sink.Cancelled()) return FinishSplit(outcome, SplitResult::Cancelled, sink);
  return FinishSplit(outcome,
                     done.result == SplitResult::Completed ? SplitResult::SizeSplitCompleted
                                                           : SplitResult::SizeSplitFailed,
                     sink);
}

}  // namespace

int RunSplit(int argc, char** argv) {
  SplitArgs args;
  std::string problem = ParseArgs(argc, argv, args);
  if (!problem.empty()) return Usage(problem.c_str());
  if (!PathUsableWhole(args.file)) return Usage(PathTooLong(args.file).c_str());
  if (args.hasEvery || args.all) return RunPieces(args);

  SplitRequest request;
  request.path = args.file;
  request.hours = args.hours;
  request.minutes = args.minutes;
  request.seconds = args.seconds;
  request.overlap = args.overlap;
  request.by = args.bySize ? SplitBy::Size : SplitBy::Time;
  request.clone = args.clone;
  request.sizeMegabytes = args.sizeMb;
  request.create = args.create == "first"    ? CreateMode::First
                   : args.create == "second" ? CreateMode::Second
                                             : CreateMode::Both;

  WorkingSink sink(args.lang == "en" ? 1 : 0);
  InterruptAsCancel interrupt(sink);
  SplitOutcome outcome = SplitJob(request, sink);
  const bool bySize = outcome.result == SplitResult::SizeSplitNoPlugin;
  if (bySize) outcome = SplitBySize(request, sink);
  sink.EndBar();
  const int32_t result = outcome.Number();
  const bool succeeded = bySize ? outcome.result == SplitResult::SizeSplitCompleted : result == 0;
  const bool cancelled = outcome.result == SplitResult::Cancelled;
  if (cancelled) std::fputs("tavrin split: cancelled\n", stderr);
  if (!outcome.detail.empty()) std::fprintf(stderr, "tavrin split: %s\n", outcome.detail.c_str());

  if (succeeded && args.clone) std::fprintf(stderr, "tavrin split: %s\n", CloneLine(outcome.clone, "the input").c_str());

  std::vector<std::string> outputs;
  std::vector<uint64_t> sizes;
  if (outcome.wroteFirst) outputs.push_back(outcome.firstOutput), sizes.push_back(outcome.figures.firstBytes);
  if (outcome.wroteSecond) outputs.push_back(outcome.secondOutput), sizes.push_back(outcome.figures.secondBytes);

  // Every message the job showed (a size split's reason comes before its "Error").
  const bool shown = !sink.messages.empty();
  std::string message;
  for (size_t i = 0; i < sink.messages.size(); ++i) message += (i ? "\n" : "") + sink.messages[i];
  if (args.json) {
    std::string out = "{\"result\":" + std::to_string(result) + ",\"message\":";
    out += shown ? JsonString(message) : "null";
    out += ",\"outputs\":[";
    for (size_t i = 0; i < outputs.size(); ++i) out += (i ? "," : "") + JsonString(outputs[i]);
    out += "]";
    if (succeeded) out += FiguresJson(outcome.figures, outputs, sizes);
    if (succeeded && args.clone) out += "," + CloneJson(outcome.clone);
    if (!outcome.detail.empty()) out += ",\"detail\":" + JsonString(outcome.detail);
    out += "}\n";
    std::fputs(out.c_str(), stdout);
  } else if (succeeded && outcome.figures.planned) {
    // The window's advice after "Completed" (which player to use, the help
    // file) fits the Windows program only.
    std::printf("%s\n", message.substr(0, message.find('\n')).c_str());
    PrintFigures(outcome.figures, outputs, sizes);
  } else if (shown) {
    std::fputs(message.c_str(), stdout);
    std::fputc('\n', stdout);
  }
  // A cancelled run is no success, even when the job stopped before its engine.
  return succeeded && !cancelled ? 0 : 1;
}
