// tavrin extract: saves one stream of a file as a file of its own (a .wav,
// .mp3, .mp2, .ac3, .dts, .aac or a one-stream .avi: streams/extract_job.h).
// Ctrl-C acts as the progress dialog's Cancel.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/interrupt.h"
#include "cli/json.h"
#include "cli/parsed_args.h"
#include "cli/path_limit.h"
#include "cli/stream_numbers.h"
#include "cli/stream_outcome.h"
#include "cli/usage.h"
#include "cli/working_sink.h"
#include "streams/extract_job.h"

namespace {

// The request the arguments make: "" or what is wrong with them.
std::string ParseArgs(const Command& self, int argc, char** argv, ExtractRequest& request, ParsedArgs& args) {
  std::string problem = ScanArgs(self, argc, argv, &args);
  if (problem.empty()) problem = ReadStreamNumber(args, "--stream", &request.stream);
  if (!problem.empty()) return problem;
  if (args.Values("--stream").size() > 1) return "--stream given twice: extract saves one stream";
  if (args.operands.empty()) return "no input file";
  if (request.stream < 0) return "missing --stream N (the stream numbers tavrin info shows)";
  request.path = args.operands[0];
  request.output = args.Value("--output");
  return "";
}

}  // namespace

int RunExtract(const Command& self, int argc, char** argv) {
  ExtractRequest request;
  ParsedArgs args;
  const std::string problem = ParseArgs(self, argc, argv, request, args);
  if (!problem.empty()) return UsageError(self, problem);
  const int englishUi = args.EnglishUi();
  const bool json = args.Has("--json");
  for (const std::string* path : {&request.path, &request.output})
    if (!path->empty() && !PathUsableWhole(path->c_str())) return UsageError(self, PathTooLong(path->c_str()));

  WorkingSink sink(englishUi);
  InterruptAsCancel interrupt(sink);
  const StreamsOutcome outcome = ExtractJob(request, sink);
  sink.EndBar();
  const bool succeeded = outcome.result == StreamsResult::Completed;
  const bool avi = outcome.format == "avi";
  PrintStreamsNotes("extract", outcome, false);

  if (json) {
    JsonObject out;
    AddStreamsJson(out, outcome, false);
    if (succeeded) {
      out.Int("stream", outcome.stream)
          .String("format", outcome.format)
          .Int("chunks", outcome.chunks)
          .Int("empty_chunks", outcome.emptyChunks)
          .Int("data_bytes", outcome.dataBytes);
      if (outcome.format == "wav") out.Bool("rf64", outcome.rf64);
      if (avi) out.Bool("opendml", outcome.openDml);
    }
    if (!outcome.detail.empty()) out.String("detail", outcome.detail);
    out.Print(stdout);
  } else if (succeeded) {
    std::printf("%s\n", outcome.message.c_str());
    std::printf("%s: %llu bytes\n", outcome.outputs[0].c_str(), static_cast<unsigned long long>(outcome.bytes));
  } else if (!outcome.message.empty()) {
    std::printf("%s\n", outcome.message.c_str());
  }
  return StreamsExitStatus(outcome);
}
