// A split at a time made as an exact cut: the window's Split tab with its
// Exact cut box and `tavrin split --exact` build the same cut request here
// and run the cut job on it, a file per range. The first file ends before
// frame ceil(T R), the second starts at ceil((T - O) R); with every, a piece
// every T seconds, each starting O before the one before ends.
#pragma once
#include <string>

#include "cut/cut_job.h"

struct ExactSplitFields {
  std::string path;
  std::string hours, minutes, seconds;  // the split point's fields as typed
  std::string overlap;                  // "" none
  bool first = true, second = true;     // the files made: both, or either alone
  bool byEvery = false;                 // pieces every `every` seconds instead
  std::string every;
};

// "" with *request made (separate, exact, its ranges; the host adds the
// coder, the output and the writer's options), else what is wrong with the
// fields, in English.
std::string MakeExactSplitRequest(const ExactSplitFields& fields, CutRequest* request);
