// tavrin split: runs the split job with the command line's texts in place of
// the Split tab's fields; Ctrl-C acts as the progress dialog's Cancel.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "app/control_ids.h"
#include "app/host.h"
#include "app/native_host.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/terminal_progress.h"
#include "split/number_field.h"
#include "split/size_split.h"
#include "split/split_job.h"

namespace {

JobState* g_runningJob = nullptr;

extern "C" void OnInterrupt(int) {
  if (g_runningJob) g_runningJob->cancelRequested.store(-2);
}

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "tavrin split: %s\n", problem);
  std::fputs(
      "usage: tavrin split FILE [--hours T] [--minutes T] [--seconds T] | [--size-mb N]\n"
      "                   [--overlap T] [--create both|first|second] [--lang en|ja] [--json]\n",
      stderr);
  return 2;
}

// A dialog field holds at most 259 bytes.
std::string FieldText(const char* text) {
  std::string s = text;
  if (s.size() > size_t(kPathBytes - 1)) s.resize(kPathBytes - 1);
  return s;
}

bool FileExists(const char* path) {
  struct stat info;
  return path[0] != 0 && stat(path, &info) == 0;
}

struct SplitArgs {
  const char* file = nullptr;
  std::string hours, minutes, seconds, overlap, sizeMb;
  bool bySize = false;
  std::string create = "both";
  std::string lang = "en";
  bool json = false;
};

// Returns an empty string on success, else what is wrong.
std::string ParseArgs(int argc, char** argv, SplitArgs& args) {
  struct Option {
    const char* name;
    std::string* value;
  } options[] = {{"--hours", &args.hours},     {"--minutes", &args.minutes},
                 {"--seconds", &args.seconds}, {"--overlap", &args.overlap},
                 {"--create", &args.create},   {"--lang", &args.lang},
                 {"--size-mb", &args.sizeMb}};
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--json") == 0) {
      args.json = true;
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
      break;
    }
    if (!known) return std::string("unknown option '") + arg + "'";
  }
  if (!args.file) return "no input file";
  if (args.bySize && !(args.hours.empty() && args.minutes.empty() && args.seconds.empty()))
    return "--size-mb splits by size: no --hours, --minutes or --seconds with it";
  if (args.create != "both" && args.create != "first" && args.create != "second")
    return "--create takes both, first or second";
  if (args.lang != "en" && args.lang != "ja") return "--lang takes en or ja";
  return "";
}

}  // namespace

int RunSplit(int argc, char** argv) {
  SplitArgs args;
  std::string problem = ParseArgs(argc, argv, args);
  if (!problem.empty()) return Usage(problem.c_str());

  NativeHost host;
  host.fields[IDC_SRC_FILE] = FieldText(args.file);
  host.fields[IDC_HOURS] = FieldText(args.hours.c_str());
  host.fields[IDC_MINUTES] = FieldText(args.minutes.c_str());
  host.fields[IDC_SECONDS] = FieldText(args.seconds.c_str());
  host.fields[IDC_OVERLAP] = FieldText(args.overlap.c_str());
  host.fields[IDC_SIZE_MB] = FieldText(args.sizeMb.c_str());
  host.checked.insert(args.bySize ? IDC_BY_SIZE : IDC_BY_TIME);
  const int createRadio = args.create == "first"    ? IDC_CREATE_FIRST
                          : args.create == "second" ? IDC_CREATE_SECOND
                                                    : IDC_CREATE_BOTH;
  host.checked.insert(createRadio);

  auto state = std::make_unique<JobState>();
  AttachNativeHost(*state, host);
  state->englishUi = args.lang == "en" ? 1 : 0;
  state->firstOutputPath[0] = 0;
  state->secondOutputPath[0] = 0;

  // "File size" is the plug-in's work; here the size split itself stands in.
  int32_t sizeResult = -1;
  host.plugin = [&](int32_t createMode, int32_t, int32_t* result) {
    double megabytes = 0, overlap = 0;
    if (!ParseNumberField(host.fields[IDC_SIZE_MB].c_str(), &megabytes)) megabytes = 0;
    ParseNumberField(host.fields[IDC_OVERLAP].c_str(), &overlap);  // checked by the job already
    *result = sizeResult = RunSizeSplit(*state, SizeSplitRequest{args.file, megabytes, overlap, createMode});
    return true;
  };
  ShowProgressOnTerminal(host);

  g_runningJob = state.get();
  struct sigaction action = {}, previous = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previous);
  const int32_t result = SplitJob(*state);
  sigaction(SIGINT, &previous, nullptr);
  g_runningJob = nullptr;
  EndProgressLine(host);
  const bool succeeded = args.bySize ? result == -3 && sizeResult == 0 : result == 0;

  const bool wantFirst = createRadio != IDC_CREATE_SECOND;
  const bool wantSecond = createRadio != IDC_CREATE_FIRST;
  const bool cancelled = state->cancelRequested.load() != 0;
  if (cancelled) {
    // As the main window does: only a run whose engine started has outputs to drop.
    if (state->splitEngineStarted) {
      if (wantFirst && state->firstOutputPath[0]) std::remove(state->firstOutputPath);
      if (wantSecond && state->secondOutputPath[0]) std::remove(state->secondOutputPath);
    }
    std::fputs("tavrin split: cancelled\n", stderr);
  }

  std::vector<std::string> outputs;
  if (succeeded && !cancelled && (args.bySize || state->splitEngineStarted)) {
    if (wantFirst && FileExists(state->firstOutputPath)) outputs.push_back(state->firstOutputPath);
    if (wantSecond && FileExists(state->secondOutputPath)) outputs.push_back(state->secondOutputPath);
  }

  // Every message the job showed (a size split's reason comes before its "Error").
  std::string message;
  for (size_t i = 0; i < host.messages.size(); ++i) message += (i ? "\n" : "") + host.messages[i];
  if (args.json) {
    std::string out = "{\"result\":" + std::to_string(result) + ",\"message\":";
    out += host.messages.empty() ? "null" : JsonString(message);
    out += ",\"outputs\":[";
    for (size_t i = 0; i < outputs.size(); ++i) out += (i ? "," : "") + JsonString(outputs[i]);
    out += "]}\n";
    std::fputs(out.c_str(), stdout);
  } else if (!host.messages.empty()) {
    std::fputs(message.c_str(), stdout);
    std::fputc('\n', stdout);
  }
  // A cancelled run is no success, even when the job stopped before its engine.
  return succeeded && !cancelled ? 0 : 1;
}
