// The join: any number of AVI files of one format, one after the other, into
// one file (dropOverlaps: pieces of a split, their repeated overlap dropped).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class JobSink;

struct JoinJobRequest {
  std::vector<std::string> inputs;
  std::string output;         // empty: default name
  bool dropOverlaps = false;  // true: merge many pieces
};

struct JoinOutcome {
  int result;
  int32_t Number() const;
  std::string message;
  std::string detail;
  std::string written;
  uint64_t bytes;
  uint32_t frames;
  double seconds;
  std::vector<uint32_t> seamOverlapFrames;
};

JoinOutcome JoinJob(const JoinJobRequest& request, JobSink& sink);
std::string DefaultJoinedName(const std::vector<std::string>& inputs);
