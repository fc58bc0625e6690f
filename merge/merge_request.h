// What a merge is asked to do: the Merge tab's two fields, or the command
// line's two file names, used as they stand.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

class JobSink;

// The joined file of a planned merge, for a host that writes it during the
// job: the two inputs, the name formed for it, and the two numbers a
// writer's call takes (mode 1, whole seconds of the search window).
struct JoinedFileWork {
  int32_t mode = 1;
  int32_t windowSeconds = 60;
  std::string firstInput;
  std::string secondInput;
  std::string joinedPath;
};

// Writes the joined file: true when it was written (the job then reports
// "Completed"), false when not (the job reports the planned merge's summary).
using JoinedFileStep = std::function<bool(const JoinedFileWork& work, JobSink& sink)>;

struct MergeRequest {
  std::string first;   // its content comes first in the joined file
  std::string second;
  // The host writes the joined file itself (the command line): the job then
  // hands over no joined file, shows no summary, and hands the planned merge back
  // with its inputs open (MergeOutcome::planned, merge/merge_output.h).
  bool keepPlanned = false;
  // Without keepPlanned: who writes the joined file once the merge is
  // planned (the window's library). Empty: nobody; the job reports the
  // "Merge O.K." summary of the file that would be written.
  JoinedFileStep writeJoined;
  // The host shows MergeOutcome::warnings itself (the command line): the
  // message shown stays the result's alone. Otherwise (the window) they
  // follow it in the same box.
  bool warningsApart = false;
};
