#include "batch/batch_run.h"

JobFault CheckJobs(const std::vector<JobLine>& jobs, const std::function<std::string(const JobLine&)>& check) {
  for (const JobLine& job : jobs) {
    const std::string reason = check(job);
    if (!reason.empty()) return {job.number, reason};
  }
  return {};
}

BatchSummary RunJobs(const std::vector<JobLine>& jobs, const BatchHost& host) {
  BatchSummary summary;
  summary.jobs = jobs.size();
  for (size_t i = 0; i < jobs.size(); ++i) {
    if (summary.cancelled) {
      summary.notRun.push_back(jobs[i].number);
      continue;
    }
    const bool ok = host.run(jobs[i], i, jobs.size());
    (ok ? summary.succeeded : summary.failed).push_back(jobs[i].number);
    summary.cancelled = host.cancelled();
  }
  return summary;
}

std::string LinesText(const std::vector<int>& lines) {
  std::string text = lines.size() == 1 ? "line " : "lines ";
  for (size_t i = 0; i < lines.size(); ++i)
    text += (i == 0 ? "" : i + 1 == lines.size() ? " and " : ", ") + std::to_string(lines[i]);
  return text;
}
