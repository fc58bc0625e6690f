// tavrin batch: runs the jobs of a job file (batch/job_file.h) one after
// another, each by its command's own code as if typed alone, after checking
// every line with the options the commands take.
#include <cstdio>
#include <string>
#include <vector>

#include "batch/batch_run.h"
#include "cli/command_table.h"
#include "cli/interrupt.h"
#include "cli/json.h"
#include "cli/parsed_args.h"
#include "cli/usage.h"
#include "cli/work_folder.h"
#include "cli/working_sink.h"
#include "io/file_system.h"

namespace {

// The job's arguments after its command's name, as argv, --json added when
// the batch's lines are JSON (each job's fields go on its line).
struct JobArgs {
  std::vector<std::string> words;
  std::vector<char*> argv;

  JobArgs(const JobLine& job, bool json) : words(job.words.begin() + 1, job.words.end()) {
    bool hasJson = false;
    for (const std::string& word : words) hasJson = hasJson || word == "--json";
    if (json && !hasJson) words.push_back("--json");
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
  }
  int Count() const { return int(words.size()); }
};

// Why the line is no command the batch can run, or "".
std::string JobLineFault(const JobLine& job) {
  const std::string& name = job.words[0];
  const Command* command = FindCommand(name);
  if (!command) return "unknown command '" + name + "'";
  if (name == "batch") return "a job file cannot run another batch";
  JobArgs args(job, false);
  ParsedArgs parsed;
  const std::string problem = ScanArgs(*command, args.Count(), args.argv.data(), &parsed);
  if (!problem.empty()) return name + ": " + problem;
  if (parsed.operands.empty()) return name + ": no input file";
  return "";
}

// {"line": 3, "command": "split ...", "exit": 0, and the job's own fields}.
std::string JobJsonLine(const JobLine& job, int code, const std::string& members) {
  JsonObject lead;
  lead.Int("line", job.number).String("command", JobLineText(job.words)).Int("exit", code);
  std::string text = lead.Text();
  if (!members.empty()) text.insert(text.size() - 1, ", " + members);
  return text + "\n";
}

int RunOneJob(const JobLine& job, size_t index, size_t count, bool json) {
  const Command& command = *FindCommand(job.words[0]);
  JobArgs args(job, json);
  SetBatchBar(index, count);
  int code;
  std::vector<std::string> printed;
  if (json) {
    JsonCapture capture;
    code = command.run(command, args.Count(), args.argv.data());
    printed = capture.members;
  } else {
    std::printf("[%zu/%zu] line %d: %s\n", index + 1, count, job.number, JobLineText(job.words).c_str());
    std::fflush(stdout);
    code = command.run(command, args.Count(), args.argv.data());
  }
  SetBatchBar(0, 0);
  if (json) {
    if (printed.empty()) printed.push_back("");  // a fault before the job's own line
    for (const std::string& members : printed) std::fputs(JobJsonLine(job, code, members).c_str(), stdout);
  }
  std::fflush(stdout);
  std::fflush(stderr);
  return code;
}

void PrintSummary(const BatchSummary& summary, bool json) {
  if (json) {
    JsonObject out;
    out.Bool("summary", true).Int("result", summary.AllSucceeded() ? 0 : 1).Int("jobs", summary.jobs);
    JsonArray failed, notRun;
    for (int line : summary.failed) failed.Raw(std::to_string(line));
    for (int line : summary.notRun) notRun.Raw(std::to_string(line));
    out.Int("succeeded", summary.succeeded.size()).Array("failed", failed).Bool("cancelled", summary.cancelled);
    out.Array("not_run", notRun).Print(stdout);
    return;
  }
  std::string text = "batch: " + std::to_string(summary.jobs) + (summary.jobs == 1 ? " job" : " jobs");
  if (summary.AllSucceeded()) {
    text += summary.jobs == 1 ? ", succeeded" : ", all succeeded";
  } else {
    text += ", " + std::to_string(summary.succeeded.size()) + " succeeded";
    if (!summary.failed.empty()) text += ", failed: " + LinesText(summary.failed);
    if (summary.cancelled) text += "; cancelled";
    if (!summary.notRun.empty()) text += ", not run: " + LinesText(summary.notRun);
  }
  std::printf("%s\n", text.c_str());
}

}  // namespace

int RunBatch(const Command& self, int argc, char** argv) {
  ParsedArgs args;
  const std::string problem = ScanArgs(self, argc, argv, &args);
  if (!problem.empty()) return UsageError(self, problem);
  if (args.operands.empty()) return UsageError(self, "no job file");
  const std::string path = args.operands[0];
  const bool json = args.Has("--json");

  std::vector<JobLine> jobs;
  int faultLine = 0;
  std::string fault = ReadJobFile(path, &jobs, &faultLine);
  if (fault.empty()) {
    const JobFault bad = CheckJobs(jobs, JobLineFault);
    fault = bad.reason;
    faultLine = bad.line;
  }
  // A line that is no command stops the batch before any job runs.
  if (!fault.empty() && faultLine > 0) {
    std::fprintf(stderr, "tavrin batch: %s, line %d: %s\n", path.c_str(), faultLine, fault.c_str());
    return 2;
  }
  if (fault.empty() && !EnterFolder(filesys::FolderOf(path), &fault)) fault = filesys::FolderOf(path) + ": " + fault;
  if (!fault.empty()) {
    std::fprintf(stderr, "tavrin batch: %s: %s\n", path.c_str(), fault.c_str());
    return 1;
  }

  // Ctrl-C between jobs stops the batch too; during one, the job's own
  // InterruptAsCancel takes it as the job alone would.
  NativeSink between;
  InterruptAsCancel interrupt(between);
  BatchHost host;
  host.run = [json](const JobLine& job, size_t index, size_t count) {
    return RunOneJob(job, index, count, json) == 0;
  };
  host.cancelled = [] { return InterruptSeen(); };
  const BatchSummary summary = RunJobs(jobs, host);
  PrintSummary(summary, json);
  return summary.AllSucceeded() ? 0 : 1;
}
