// The split job: validates the Split tab's fields, checks and analyses the
// input, runs the split engine and shows the outcome.
#pragma once
#include <cstdint>

struct JobState;

// Returns the job result: 0 success (or cancelled before the engine ran),
// -1 cancelled while the engine ran, other values failures.
int32_t SplitJob(JobState& state);
