// The subcommands of the tavrin command-line tool. Each returns the exit
// status: 0 success, 1 failure, 2 usage error.
#pragma once
#include <string>

int RunInfo(int argc, char** argv);
int RunSplit(int argc, char** argv);
int RunMerge(int argc, char** argv);
int RunJoin(int argc, char** argv);
int RunRepair(int argc, char** argv);
int RunKeyframes(int argc, char** argv);

// Runs the join job for the command line (join, and the merge of three or
// more pieces) and prints its outcome; the exit status.
struct JoinJobRequest;
int RunJoinJob(const JoinJobRequest& request, int englishUi, bool json, const char* command);

// The program's paths hold at most 259 bytes (a path buffer of 260 with its
// zero); the command line refuses a longer one rather than cut it.
bool PathUsableWhole(const char* path);
std::string PathTooLong(const char* path);

// What --clone came to: for the error stream, "cloned: ..." when the outputs
// share blocks with inputs (what of), else "copied: ..." with the reason;
// as JSON members, "cloned" and "shared_bytes".
struct CloneReport;
std::string CloneLine(const CloneReport& report, const char* inputs);
std::string CloneJson(const CloneReport& report);
