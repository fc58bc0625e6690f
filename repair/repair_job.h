// The repair: a copy of a recording cut short or without a usable index,
// holding every whole chunk, its counts made true and its index rebuilt.
#pragma once
#include <cstdint>
#include <string>

class JobSink;

struct RepairRequest {
  std::string path;
  std::string output;
};

struct RepairOutcome {
  int result;
  int32_t Number() const;
  std::string message;
  std::string detail;
  std::string written;
  uint32_t frames;
  double seconds;
  uint64_t bytes;
  bool nothingToRepair;
};

RepairOutcome RepairJob(const RepairRequest& request, JobSink& sink);
