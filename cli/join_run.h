// Runs the join job for the command line (join, and the merge of three or
// more pieces: cmd_join.cpp) and prints its outcome; the exit status.
#pragma once

struct Command;
struct JoinJobRequest;
int RunJoinJob(const JoinJobRequest& request, int englishUi, bool json, const Command& self);
