// tavrin extract: saves one stream of a file as a file of its own (a .wav,
// .mp3, .mp2, .ac3, .dts, .aac or a one-stream .avi: streams/extract_job.h).
// Ctrl-C acts as the progress dialog's Cancel.
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
#include "streams/extract_job.h"

namespace {

// Returns "" when the arguments make a request, else what is wrong.
std::string ParseArgs(int argc, char** argv, ExtractRequest& request, int* englishUi, bool* json) {
  ArgScan args(argc, argv);
  const char* value = nullptr;
  std::vector<std::string> files;
  while (args.Next()) {
    if (args.Operand()) {
      files.push_back(args.Arg());
    } else if (args.Is("--json")) {
      *json = true;
    } else if (args.Takes("--stream", &value)) {
      std::vector<int> numbers;
      if (!value) return "missing value for --stream";
      if (!ParseStreamNumbers(value, &numbers) || numbers.size() != 1)
        return std::string("--stream takes one stream number, not '") + value + "'";
      if (request.stream >= 0) return "--stream given twice: extract saves one stream";
      request.stream = numbers[0];
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
  if (request.stream < 0) return "missing --stream N (the stream numbers tavrin info shows)";
  request.path = files[0];
  return "";
}

}  // namespace

int RunExtract(const Command& self, int argc, char** argv) {
  ExtractRequest request;
  int englishUi = 1;
  bool json = false;
  const std::string problem = ParseArgs(argc, argv, request, &englishUi, &json);
  if (!problem.empty()) return UsageError(self, problem);
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
