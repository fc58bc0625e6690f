// Running the jobs of a job file (batch/job_file.h) one after another, as
// the command line's `tavrin batch` and the window's batch both do: every
// job is checked before any runs, a job that fails does not stop the rest,
// and a cancel stops the running job (which cleans up after itself, as it
// would alone) and runs no more. How one job is checked and run is the
// host's: it runs the command line's commands.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "batch/job_file.h"

// The first job that is no valid command: its line and why, as `check`
// (the host's reading of a command's options) says; number 0 when all are.
struct JobFault {
  int line = 0;
  std::string reason;
};
JobFault CheckJobs(const std::vector<JobLine>& jobs, const std::function<std::string(const JobLine&)>& check);

struct BatchSummary {
  size_t jobs = 0;
  std::vector<int> succeeded;  // the lines of the jobs that succeeded
  std::vector<int> failed;     // ... that failed (the cancelled one too)
  std::vector<int> notRun;     // ... left after a cancel
  bool cancelled = false;
  bool AllSucceeded() const { return succeeded.size() == jobs; }
};

struct BatchHost {
  // Runs jobs[index]: true when it succeeded.
  std::function<bool(const JobLine& job, size_t index, size_t count)> run;
  // True once the batch is to stop (Ctrl-C, Cancel): asked after each job.
  std::function<bool()> cancelled;
};
BatchSummary RunJobs(const std::vector<JobLine>& jobs, const BatchHost& host);

// "lines 3, 7 and 9" / "line 3": for the summary.
std::string LinesText(const std::vector<int>& lines);
