// The split into many pieces: FILE-1.avi .. FILE-k.avi, a piece every so many
// seconds or each piece at most so many MB, each later piece starting the
// overlap earlier.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class JobSink;

enum class PiecesBy { Every, Size };

struct PiecesRequest {
  std::string path;
  PiecesBy by = PiecesBy::Every;
  std::string everySeconds;
  std::string sizeMegabytes;
  std::string overlap;
};

struct PieceFigures {
  std::string name;
  uint64_t bytes;
  uint32_t firstFrame;
  uint32_t frames;
  double startSeconds;
  double seconds;
};

struct PiecesOutcome {
  int result;
  int32_t Number() const;
  std::string message;
  std::string detail;
  std::vector<PieceFigures> pieces;
};

PiecesOutcome SplitPiecesJob(const PiecesRequest& request, JobSink& sink);
