// tavrin merge: runs the merge job on two files given as the Merge tab's fields.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/control_ids.h"
#include "app/host.h"
#include "app/native_host.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "merge/merge_job.h"

namespace {

constexpr const char* kUsage = "usage: tavrin merge FILE1 FILE2 [--lang en|ja] [--json]\n";

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
  int englishUi = 1;
  bool optionsEnded = false;
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    if (!optionsEnded && std::strncmp(arg, "--", 2) == 0) {
      if (std::strcmp(arg, "--") == 0) {
        optionsEnded = true;
      } else if (std::strcmp(arg, "--json") == 0) {
        json = true;
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

  auto state = std::make_unique<JobState>();
  NativeHost host;
  AttachNativeHost(*state, host);
  state->englishUi = englishUi;
  state->analysis = AviAnalysis{};
  ResetAnalysis(state->analysis);
  host.fields[IDC_MERGE_FILE1] = AsField(files[0]);
  host.fields[IDC_MERGE_FILE2] = AsField(files[1]);

  int32_t result = MergeJob(*state);

  const bool shown = !host.messages.empty();
  const std::string message = shown ? host.messages.back() : std::string();
  if (json) {
    std::printf("{\"result\": %d, \"message\": %s, \"outputs\": []}\n", int(result),
                shown ? JsonString(message).c_str() : "null");
  } else if (shown) {
    std::printf("%s\n", message.c_str());
  }
  return result == 0 ? 0 : 1;
}
