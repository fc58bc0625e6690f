// Runs of black frames and of silent samples: a run counts once it lasts
// at least the shortest length asked for, from its first to its last
// member.
#pragma once
#include <cstdint>
#include <vector>

struct Run {
  uint64_t first = 0;  // its first frame or sample
  uint64_t count = 0;  // how many
};

class RunFinder {
 public:
  // Runs shorter than `shortest` members are dropped.
  explicit RunFinder(uint64_t shortest) : shortest_(shortest ? shortest : 1) {}
  // `count` members from `at` on, in or out of a run (in order, no gaps).
  void Add(uint64_t at, uint64_t count, bool in);
  // Closes the run that lasts to the end.
  void Finish();
  const std::vector<Run>& Runs() const { return runs_; }

 private:
  uint64_t shortest_;
  bool open_ = false;
  Run current_;
  std::vector<Run> runs_;
};
