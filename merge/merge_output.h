// Writing the joined file of a planned merge: the writer's view of the two
// inputs, and the write itself under a temporary name, with the bar, cancel
// and the reason of a failure shown through the job's sink.
#pragma once
#include <string>

#include "merge/joined_writer.h"
#include "merge/merge_plan.h"

class JobSink;
struct PluginWork;

// The two inputs of a planned merge as the writer reads them.
JoinRequest JoinRequestFor(const MergeSources& in, const MergePlan& plan);

enum class JoinedFileResult { Written, Cancelled, NameIsInput, InputDamaged, TooLarge, CannotWrite };

// Writes the joined file of work's planned merge to path (work's joined name
// when path is empty), moving the bar from 10 to 100 with "File Creating".
// The bytes go to a temporary file that replaces path only when complete, so
// a failure or cancel leaves whatever was there before; a path that names
// either input, also through a link, is refused. Every result but Written
// and Cancelled shows its reason; *detail gets which file and why, and
// *writtenBytes the size of the file written (an OpenDML file is larger than
// the version-1 count the merge's summary gives). With options.clone the
// file shares the inputs' blocks where it can; *clone says what came of it.
JoinedFileResult WriteJoinedFileFor(const PluginWork& work, std::string path, JobSink& sink,
                                    std::string* detail = nullptr, uint64_t* writtenBytes = nullptr,
                                    const WriterOptions& options = WriterOptions(), CloneReport* clone = nullptr);

// The same from the two inputs' names alone, as the plug-in library has them:
// opens and analyses both, plans the merge as the merge job does (an overlap
// looked for in the first input's last 60 seconds) and writes the joined file.
JoinedFileResult WriteJoinedFileAnew(const std::string& first, const std::string& second, const std::string& joined,
                                     JobSink& sink);
