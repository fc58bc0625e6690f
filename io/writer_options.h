// What every writer of AVI files may be asked beyond what its output holds,
// and what it reports back about it.
#pragma once
#include <cstdint>
#include <string>

struct WriterOptions {
  // Share the blocks of unchanged data with the inputs where the output's
  // file system can (avi/clone_layout.h): the runs of unchanged chunks get
  // JUNK chunks in front so that they line up with the inputs' blocks.
  // Where it cannot, the output is the same, byte for byte, as without.
  bool clone = false;
  // A split by size: the most bytes its first output may hold. Padding that
  // would take the output past it is left out, and that output is copied.
  uint64_t firstOutputLimit = 0;  // 0: none
  // A split's and its pieces' folder for the outputs (named as beside the
  // input, in this folder); empty: beside the input.
  std::string folder;
};

// What came of WriterOptions::clone for the outputs of one run.
struct CloneReport {
  bool asked = false;
  bool cloned = false;       // an output's file system shares the inputs' blocks
  uint64_t sharedBytes = 0;  // bytes of the outputs that share blocks with an input
  uint64_t bytes = 0;        // bytes of the outputs

  void Add(bool shares, uint64_t shared, uint64_t all) {
    cloned = cloned || shares;
    sharedBytes += shared;
    bytes += all;
  }
};
