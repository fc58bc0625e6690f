// tavrin streams: writes a file with only some of its streams, kept or
// dropped by number (streams/stream_select_job.h). Ctrl-C acts as the
// progress dialog's Cancel.
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
#include "streams/stream_select_job.h"

namespace {

JsonArray NumbersJson(const std::vector<int>& numbers) {
  JsonArray array;
  for (int n : numbers) array.Raw(std::to_string(n));
  return array;
}

// The request the arguments make: "" or what is wrong with them.
std::string ParseArgs(const Command& self, int argc, char** argv, StreamSelectRequest& request, ParsedArgs& args) {
  std::string problem = ScanArgs(self, argc, argv, &args);
  if (problem.empty()) problem = ReadStreamNumbers(args, "--keep", &request.keep);
  if (problem.empty()) problem = ReadStreamNumbers(args, "--drop", &request.drop);
  if (!problem.empty()) return problem;
  if (args.operands.empty()) return "no input file";
  request.path = args.operands[0];
  request.output = args.Value("--output");
  request.writer.clone = args.Has("--clone");
  return "";
}

}  // namespace

int RunStreams(const Command& self, int argc, char** argv) {
  StreamSelectRequest request;
  ParsedArgs args;
  const std::string problem = ParseArgs(self, argc, argv, request, args);
  if (!problem.empty()) return UsageError(self, problem);
  const int englishUi = args.EnglishUi();
  const bool json = args.Has("--json");
  for (const std::string* path : {&request.path, &request.output})
    if (!path->empty() && !PathUsableWhole(path->c_str())) return UsageError(self, PathTooLong(path->c_str()));

  WorkingSink sink(englishUi);
  InterruptAsCancel interrupt(sink);
  const StreamsOutcome outcome = StreamSelectJob(request, sink);
  sink.EndBar();
  const bool succeeded = outcome.result == StreamsResult::Completed;
  PrintStreamsNotes("streams", outcome, request.writer.clone);

  if (json) {
    JsonObject out;
    AddStreamsJson(out, outcome, request.writer.clone);
    if (succeeded)
      out.Array("kept", NumbersJson(outcome.kept))
          .Array("dropped", NumbersJson(outcome.dropped))
          .Int("chunks", outcome.chunks)
          .Bool("opendml", outcome.openDml);
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
