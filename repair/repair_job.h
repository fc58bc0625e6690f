// The repair job: reads a recording that ended badly (cut short, without an
// index or with a broken one) in one pass and writes a repaired copy beside
// it; the input is never written. Both hosts (the window's progress dialog,
// `tavrin repair`) build a request and run this with their sink: the bar
// moves 0..10 while the chunks are read ("Reading chunks") and 10..100 while
// the copy is written ("File Creating"); Cancel is polled throughout; the
// outcome's message is shown through the sink.
//
// The repaired file is written under a temporary name and moved into place
// when complete, so a failure or Cancel leaves nothing behind and whatever
// had the name before stays. An intact file gets "nothing to repair" and no
// file.
#pragma once
#include <cstdint>
#include <string>

#include "avi/odml_output.h"
#include "io/writer_options.h"
#include "repair/repair_result.h"

class JobSink;

struct RepairRequest {
  std::string path;
  // Empty: RepairedName(path). Never the input itself.
  std::string output;
  WriterOptions writer;  // the repaired file's block sharing
};

struct RepairOutcome {
  RepairResult result = RepairResult::Repaired;
  int32_t Number() const { return RepairResultNumber(result); }
  std::string message;   // the text shown (empty when none)
  std::string detail;    // which file and why, what was kept, for the command line
  std::string written;   // the repaired file's name, once written
  uint32_t frames = 0;   // video frames of the repaired file (of the file, when nothing to repair)
  double seconds = 0;    // their playing time
  uint64_t bytes = 0;    // the repaired file's size
  bool nothingToRepair = false;
  CloneReport clone;  // what came of a request to share the input's blocks
};

// The default name of the repaired file: the input's name with a final
// ".avi" (any case) replaced by "-r.avi", or "-r.avi" added.
std::string RepairedName(const std::string& path);

RepairOutcome RepairJob(const RepairRequest& request, JobSink& sink);

// The same with OpenDML limits of the caller's (tests: small thresholds).
RepairOutcome RepairJobWithLimits(const RepairRequest& request, JobSink& sink, const OdmlLimits& limits);
