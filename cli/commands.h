// The subcommands of the tavrin command-line tool. Each returns the exit
// status: 0 success, 1 failure, 2 usage error.
#pragma once

int RunInfo(int argc, char** argv);
int RunSplit(int argc, char** argv);
int RunMerge(int argc, char** argv);
