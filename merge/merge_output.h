// Writing the joined file of a merge run: the writer's view of the run's two
// inputs, and the write itself under a temporary name with progress and cancel.
#pragma once
#include "merge/joined_writer.h"

struct JobState;

// The two inputs of a merge run as the writer reads them.
JoinRequest JoinRequestFor(JobState& state, const MergePlan& plan);

// Writes the joined file to path, moving the bar from fromCells to 100 with
// statusText; nothing is left at path (nor changed there) unless Written.
// Refuses (WriteFailed) when the temporary file cannot be created or moved.
JoinResult WriteMergedFile(JobState& state, const MergePlan& plan, const char* path, const char* statusText,
                           int fromCells);

// What the plug-in does for a planned merge (state.mergePlan set): writes the
// joined file to path (the engine's joined name when null), refusing a path
// that names either input. 0 when written; otherwise the reason was shown
// in a message box (none after a cancel) and the result is not 0.
int32_t WritePlannedMerge(JobState& state, const char* path);
