// tavrin split: runs the split job on a request made from the command line,
// or with --every / --all the job that splits into many pieces; Ctrl-C acts
// as the progress dialog's Cancel.
#include <cstdio>
#include <string>
#include <vector>

#include "job/native_sink.h"
#include "cli/clone_report.h"
#include "cli/interrupt.h"
#include "cli/json.h"
#include "cli/parsed_args.h"
#include "cli/path_limit.h"
#include "cli/usage.h"
#include "cli/working_sink.h"
#include "pieces/pieces_job.h"
#include "cli/cut_run.h"
#include "cut/exact_split.h"
#include "io/file_system.h"
#include "share/number_field.h"
#include "split/split_job.h"

namespace {

struct SplitArgs {
  std::string file;
  std::string hours, minutes, seconds, overlap, sizeMb, every;
  bool bySize = false;
  bool all = false;      // --all: as many pieces of --size-mb as it takes
  bool hasEvery = false;  // --every: a piece every T seconds
  bool hasCreate = false;
  std::string create = "both";
  int englishUi = 1;
  bool json = false;
  bool clone = false;
  bool exact = false;     // --exact: a cut into a file per range (cli/cut_run.h)
  std::string outputDir;  // empty: beside the input
};

// The JSON "message" of a split that completed: the job's "Completed" with
// the window's advice below it, as the JSON has always carried it.
std::string JsonMessage(const std::string& message, bool completed, int englishUi) {
  if (!completed) return message;
  return message + "\n\n" + Pick(kSplitPlayerAdvice, englishUi);
}

// The split the arguments ask for: "" or what is wrong with them.
std::string ParseArgs(const Command& self, int argc, char** argv, SplitArgs& args) {
  ParsedArgs given;
  const std::string problem = ScanArgs(self, argc, argv, &given);
  if (!problem.empty()) return problem;
  if (given.operands.empty()) return "no input file";
  args.file = given.operands[0];
  args.hours = given.Value("--hours");
  args.minutes = given.Value("--minutes");
  args.seconds = given.Value("--seconds");
  args.overlap = given.Value("--overlap");
  args.sizeMb = given.Value("--size-mb");
  args.every = given.Value("--every");
  args.bySize = given.Has("--size-mb");
  args.hasEvery = given.Has("--every");
  args.hasCreate = given.Has("--create");
  if (args.hasCreate) args.create = given.Value("--create");
  args.englishUi = given.EnglishUi();
  args.all = given.Has("--all");
  args.json = given.Has("--json");
  args.clone = given.Has("--clone");
  args.outputDir = given.Value("--output-dir");
  args.exact = given.Has("--exact");
  const bool timeFields = !(args.hours.empty() && args.minutes.empty() && args.seconds.empty());
  if (args.hasEvery && (args.bySize || args.all)) return "--every splits by time: no --size-mb or --all with it";
  if (args.all && !args.bySize) return "--all needs --size-mb N";
  if ((args.hasEvery || args.all) && (timeFields || args.hasCreate))
    return "pieces (--every, --all): no --hours, --minutes, --seconds or --create with them";
  if (args.bySize && timeFields) return "--size-mb splits by size: no --hours, --minutes or --seconds with it";
  return "";
}

// Where the split cut and what it wrote, as JSON members (none before the
// engine found the cut).
void AddFiguresJson(JsonObject& out, const SplitFigures& f, const std::vector<std::string>& outputs,
                    const std::vector<uint64_t>& sizes) {
  if (!f.planned) return;
  out.Object("cut", JsonObject().Int("frame", f.cutFrame).Fixed("seconds", f.cutSeconds, 6));
  out.Object("second_start", JsonObject().Int("frame", f.secondStartFrame).Fixed("seconds", f.secondStartSeconds, 6));
  JsonArray files;
  for (size_t i = 0; i < outputs.size(); ++i) files.Add(JsonObject().String("name", outputs[i]).Int("bytes", sizes[i]));
  out.Array("files", files);
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
  request.writer.folder = args.outputDir;

  WorkingSink sink(args.englishUi);
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
    JsonObject out;
    out.Int("result", result);
    if (outcome.message.empty()) out.Null("message");
    else out.String("message", JsonMessage(outcome.message, succeeded, args.englishUi));
    if (succeeded && args.clone) AddCloneJson(out, outcome.clone);
    JsonArray names, files;
    for (const PieceFigures& p : outcome.pieces) {
      names.String(p.name);
      files.Add(JsonObject()
                    .String("name", p.name)
                    .Int("bytes", p.bytes)
                    .Int("first_frame", p.firstFrame)
                    .Int("frames", p.frames)
                    .Fixed("start_seconds", p.startSeconds, 6)
                    .Fixed("seconds", p.seconds, 6));
    }
    out.Array("outputs", names).Array("files", files);
    if (!outcome.detail.empty()) out.String("detail", outcome.detail);
    out.Print(stdout);
  } else if (succeeded) {
    std::printf("%s\n", outcome.message.c_str());
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



// tavrin split --exact: the split's files as a cut of a file per range at
// the frames asked for (cut/exact_split.h, as the window's Split tab makes it).
// "" when it ran (*code its exit status), else what is wrong with the arguments.
std::string RunExactSplit(const SplitArgs& args, int* code) {
  if (args.bySize || args.all) return "--exact splits by time: no --size-mb or --all with it";
  ExactSplitFields fields;
  fields.path = args.file;
  fields.hours = args.hours;
  fields.minutes = args.minutes;
  fields.seconds = args.seconds;
  fields.overlap = args.overlap;
  fields.first = args.create != "second";
  fields.second = args.create != "first";
  fields.byEvery = args.hasEvery;
  fields.every = args.every;
  CutRequest request;
  const std::string problem = MakeExactSplitRequest(fields, &request);
  if (!problem.empty()) return problem;
  request.writer.clone = args.clone;
  if (!args.outputDir.empty()) request.output = filesys::PathInFolder(args.outputDir, args.file);
  *code = RunCutRequest(request, args.json, args.englishUi, "split");
  return "";
}

}  // namespace

int RunSplit(const Command& self, int argc, char** argv) {
  SplitArgs args;
  std::string problem = ParseArgs(self, argc, argv, args);
  if (!problem.empty()) return UsageError(self, problem);
  if (!PathUsableWhole(args.file.c_str())) return UsageError(self, PathTooLong(args.file.c_str()));
  if (args.exact) {
    int code = 0;
    problem = RunExactSplit(args, &code);
    return problem.empty() ? code : UsageError(self, problem);
  }
  if (args.hasEvery || args.all) return RunPieces(args);

  SplitRequest request;
  request.path = args.file;
  request.hours = args.hours;
  request.minutes = args.minutes;
  request.seconds = args.seconds;
  request.overlap = args.overlap;
  request.by = args.bySize ? SplitBy::Size : SplitBy::Time;
  request.clone = args.clone;
  request.outputFolder = args.outputDir;
  request.sizeMegabytes = args.sizeMb;
  request.create = args.create == "first"    ? CreateMode::First
                   : args.create == "second" ? CreateMode::Second
                                             : CreateMode::Both;

  WorkingSink sink(args.englishUi);
  InterruptAsCancel interrupt(sink);
  const SplitOutcome outcome = SplitJob(request, sink);
  sink.EndBar();
  // A size split that wrote its files ends as SizeSplitCompleted (-3).
  const bool bySize = request.by == SplitBy::Size;
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
    JsonObject out;
    out.Int("result", result);
    if (shown) out.String("message", JsonMessage(message, outcome.result == SplitResult::Completed, args.englishUi));
    else out.Null("message");
    out.Array("outputs", outputs);
    if (succeeded) AddFiguresJson(out, outcome.figures, outputs, sizes);
    if (succeeded && args.clone) AddCloneJson(out, outcome.clone);
    if (!outcome.detail.empty()) out.String("detail", outcome.detail);
    out.Print(stdout);
  } else if (succeeded && outcome.figures.planned) {
    std::printf("%s\n", message.c_str());
    PrintFigures(outcome.figures, outputs, sizes);
  } else if (shown) {
    std::fputs(message.c_str(), stdout);
    std::fputc('\n', stdout);
  }
  // A cancelled run is no success, even when the job stopped before its engine.
  return succeeded && !cancelled ? 0 : 1;
}
