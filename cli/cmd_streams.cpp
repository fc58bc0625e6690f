// tavrin streams: writes a file with only some of its streams, kept or
// dropped by number (streams/stream_select_job.h). Ctrl-C acts as the
// progress dialog's Cancel.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/arg_scan.h"
#include "cli/interrupt.h"
#include "cli/json.h"
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

// Returns "" when the arguments make a request, else what is wrong.
std::string ParseArgs(int argc, char** argv, StreamSelectRequest& request, int* englishUi, bool* json) {
  ArgScan args(argc, argv);
  const char* value = nullptr;
  std::vector<std::string> files;
  std::string wrong;
  // --keep or --drop's value added to numbers; false (with wrong) when it is none.
  auto numbers = [&](const char* option, std::vector<int>* to) {
    if (!value) wrong = std::string("missing value for ") + option;
    else if (!ParseStreamNumbers(value, to))
      wrong = std::string(option) + " takes stream numbers N[,N...], not '" + value + "'";
    return wrong.empty();
  };
  while (args.Next()) {
    if (args.Operand()) {
      files.push_back(args.Arg());
    } else if (args.Is("--json")) {
      *json = true;
    } else if (args.Is("--clone")) {
      request.writer.clone = true;
    } else if (args.Takes("--keep", &value)) {
      if (!numbers("--keep", &request.keep)) return wrong;
    } else if (args.Takes("--drop", &value)) {
      if (!numbers("--drop", &request.drop)) return wrong;
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

}  // namespace

int RunStreams(const Command& self, int argc, char** argv) {
  StreamSelectRequest request;
  int englishUi = 1;
  bool json = false;
  const std::string problem = ParseArgs(argc, argv, request, &englishUi, &json);
  if (!problem.empty()) return UsageError(self, problem);
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
