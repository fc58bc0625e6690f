// The commands of the tavrin command-line tool, each in its cmd_NAME.cpp and
// run from its row of the table (cli/command.h).
#pragma once

struct Command;
int RunInfo(const Command& self, int argc, char** argv);
int RunSplit(const Command& self, int argc, char** argv);
int RunMerge(const Command& self, int argc, char** argv);
int RunJoin(const Command& self, int argc, char** argv);
int RunRepair(const Command& self, int argc, char** argv);

// Runs the join job for the command line (join, and the merge of three or
// more pieces) and prints its outcome; the exit status.
struct JoinJobRequest;
int RunJoinJob(const JoinJobRequest& request, int englishUi, bool json, const char* command);
