// tavrin merge: runs the merge job on two files given as the Merge tab's fields.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/control_ids.h"
#include "app/host.h"
#include "app/native_host.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/terminal_progress.h"
#include "merge/merge_job.h"
#include "merge/merge_output.h"

namespace {

constexpr const char* kUsage =
    "usage: tavrin merge FILE1 FILE2 [--write [--output PATH]] [--lang en|ja] [--json]\n";

JobState* g_runningJob = nullptr;

extern "C" void OnMergeInterrupt(int) {
  if (g_runningJob) g_runningJob->cancelRequested.store(-2);
}

int UsageError(const char* why, const char* what) {
  std::fprintf(stderr, "tavrin merge: %s '%s'\n%s", why, what, kUsage);
  return 2;
}

// A dialog field holds at most 259 bytes.
std::string AsField(const char* text) { return std::string(text).substr(0, kPathBytes - 1); }

}  // namespace

int RunMerge(int argc, char** argv) {
  const char* files[2] = {nullptr, nullptr};
  int fileCount = 0;
  bool json = false;
  bool write = false;
  const char* output = nullptr;
  int englishUi = 1;
  bool optionsEnded = false;
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    if (!optionsEnded && std::strncmp(arg, "--", 2) == 0) {
      if (std::strcmp(arg, "--") == 0) {
        optionsEnded = true;
      } else if (std::strcmp(arg, "--json") == 0) {
        json = true;
      } else if (std::strcmp(arg, "--write") == 0) {
        write = true;
      } else if (std::strcmp(arg, "--output") == 0 || std::strncmp(arg, "--output=", 9) == 0) {
        output = arg[8] == '=' ? arg + 9 : (i + 1 < argc ? argv[++i] : nullptr);
        if (!output || !*output) return UsageError("missing value for", "--output");
      } else if (std::strcmp(arg, "--lang") == 0 || std::strncmp(arg, "--lang=", 7) == 0) {
        const char* value = arg[6] == '=' ? arg + 7 : (i + 1 < argc ? argv[++i] : nullptr);
        if (!value) return UsageError("missing value for", "--lang");
        if (std::strcmp(value, "en") == 0)
          englishUi = 1;
        else if (std::strcmp(value, "ja") == 0)
          englishUi = 0;
        else
          return UsageError("unknown language", value);
      } else {
        return UsageError("unknown option", arg);
      }
    } else if (fileCount < 2) {
      files[fileCount++] = arg;
    } else {
      return UsageError("unexpected argument", arg);
    }
  }
  if (fileCount != 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (output && !write) return UsageError("--output needs", "--write");

  auto state = std::make_unique<JobState>();
  NativeHost host;
  AttachNativeHost(*state, host);
  state->englishUi = englishUi;
  state->analysis = AviAnalysis{};
  ResetAnalysis(state->analysis);
  host.fields[IDC_MERGE_FILE1] = AsField(files[0]);
  host.fields[IDC_MERGE_FILE2] = AsField(files[1]);

  // With --write the joined file is written where the plug-in would write it.
  std::string written;
  if (write) {
    host.plugin = [&](int32_t, int32_t, int32_t* result) {
      *result = WritePlannedMerge(*state, output);
      if (*result == 0) written = output ? output : state->inputPath;
      return true;
    };
  }
  ShowProgressOnTerminal(host);

  g_runningJob = state.get();
  struct sigaction action = {}, previous = {};
  action.sa_handler = OnMergeInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previous);
  int32_t result = MergeJob(*state);
  sigaction(SIGINT, &previous, nullptr);
  g_runningJob = nullptr;
  EndProgressLine(host);
  const bool cancelled = state->cancelRequested.load() != 0;
  if (cancelled) std::fputs("tavrin merge: cancelled\n", stderr);

  // Every message the job showed, the reason of a failed write first.
  std::string message;
  for (size_t i = 0; i < host.messages.size(); ++i) message += (i ? "\n" : "") + host.messages[i];
  const bool shown = !host.messages.empty();
  if (json) {
    std::printf("{\"result\": %d, \"message\": %s, \"outputs\": [%s]}\n", int(result),
                shown ? JsonString(message).c_str() : "null", written.empty() ? "" : JsonString(written).c_str());
  } else if (shown) {
    std::printf("%s\n", message.c_str());
  }
  const bool failed = result != 0 || cancelled || (write && written.empty());
  return failed ? 1 : 0;
}
