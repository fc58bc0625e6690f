// Whether an analysed input can be joined at all: a recording that ended
// badly (cut short, no index, an index naming data the file does not hold)
// is damaged; one without a main header or video stream is not supported.
#pragma once
#include <cstdint>
#include <string>

#include "avi/avi_analysis.h"

class ByteInput;

struct InputProblem {
  enum Kind { None, Damaged, Unsupported } kind = None;
  std::string english;  // why, in words ("cut short: ...")
  std::string japanese;
};

// file: the file as stored (its first RIFF header); input: what was analysed
// (the file, or an OpenDML file's flattened view).
InputProblem CheckJoinInput(const AviAnalysis& analysis, ByteInput& file, ByteInput& input);
