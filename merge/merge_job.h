// The merge job: checks and analyses both inputs, compares their structure,
// runs the merge engine and shows the outcome.
#pragma once
#include <cstdint>

struct JobState;

// Returns the job result: 0 success (or cancelled before the engine ran),
// -1 cancelled while the engine ran, other values failures.
int32_t MergeJob(JobState& state);
