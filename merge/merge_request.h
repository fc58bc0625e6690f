// What a merge is asked to do: the Merge tab's two fields, or the command
// line's two file names, used as they stand.
#pragma once
#include <string>

struct MergeRequest {
  std::string first;   // its content comes first in the joined file
  std::string second;
  // The host writes the joined file itself (the command line): the job then
  // calls no plug-in, shows no summary, and hands the planned merge back
  // with its inputs open (MergeOutcome::planned, merge/merge_output.h).
  bool keepPlanned = false;
};
