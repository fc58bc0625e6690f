#include "cli/stream_outcome.h"

#include <cstdio>

#include "cli/clone_report.h"
#include "cli/json.h"

void PrintStreamsNotes(const char* name, const StreamsOutcome& outcome, bool clone) {
  if (outcome.result == StreamsResult::Cancelled) std::fprintf(stderr, "tavrin %s: cancelled\n", name);
  if (outcome.result == StreamsResult::Completed && clone)
    std::fprintf(stderr, "tavrin %s: %s\n", name, CloneLine(outcome.clone, "the input").c_str());
  if (!outcome.detail.empty()) std::fprintf(stderr, "tavrin %s: %s\n", name, outcome.detail.c_str());
}

void AddStreamsJson(JsonObject& out, const StreamsOutcome& outcome, bool clone) {
  out.Int("result", outcome.Number());
  if (outcome.message.empty()) out.Null("message");
  else out.String("message", outcome.message);
  out.Array("outputs", outcome.outputs);
  if (outcome.result == StreamsResult::Completed) {
    out.Int("bytes", outcome.bytes);
    if (clone) AddCloneJson(out, outcome.clone);
  }
}

int StreamsExitStatus(const StreamsOutcome& outcome) {
  if (outcome.result == StreamsResult::Completed) return 0;
  return IsStreamsUsageRefusal(outcome.result) ? 2 : 1;
}
