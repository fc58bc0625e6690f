#include <cstdio>
#include <string>

#include "cli/clone_report.h"
#include "cli/json.h"
#include "io/writer_options.h"

std::string CloneLine(const CloneReport& r, const char* inputs) {
  if (!r.cloned)
    return std::string("copied: the file system cannot share blocks with ") + inputs + " here";
  const double share = r.bytes ? 100.0 * double(r.sharedBytes) / double(r.bytes) : 0.0;
  char percent[32];
  std::snprintf(percent, sizeof percent, "%.1f%%", share);
  return "cloned: " + std::to_string(r.sharedBytes) + " of " + std::to_string(r.bytes) + " bytes (" + percent +
         ") share blocks with " + inputs;
}

void AddCloneJson(JsonObject& out, const CloneReport& r) {
  out.Bool("cloned", r.cloned).Int("shared_bytes", r.sharedBytes);
}
