// Writing the joined file of a planned merge: the writer's view of the two
// inputs, and the write itself under a temporary name, with the bar, cancel
// and the reason of a failure shown through the job's sink.
#pragma once
#include <string>

#include "avi/avi_source.h"
#include "avi/stored_chunks.h"
#include "merge/two_file_chain.h"
#include "merge/merge_plan.h"
#include "merge/merge_result.h"

class JobSink;

// A planned merge with its two inputs open: what the joined-file writer
// needs. The merge job fills it as it goes (MergeRequest::keepPlanned hands
// it to its host).
struct PlannedMerge {
  std::string firstPath, secondPath;
  AviSource first, second;
  AviAnalysis firstAnalysis{}, secondAnalysis{};
  StoredChunkWatch firstWatch, secondWatch;
  MergePlan plan{};
  std::string joinedName;  // the joined file's default name ("-m.avi")

  MergeSources Sources() {
    return MergeSources{{first.Input(), firstAnalysis},
                        {second.Input(), secondAnalysis},
                        firstPath,
                        secondPath,
                        {firstWatch.ChunksAsWritten(firstAnalysis), secondWatch.ChunksAsWritten(secondAnalysis)}};
  }
};

// The two inputs of a planned merge as the writer reads them.
JoinRequest JoinRequestFor(const MergeSources& in, const MergePlan& plan);

// Writes the joined file of a planned merge to path (its joined name when
// path is empty), moving the bar from 10 to 100 with "File Creating".
// The bytes go to a temporary file that replaces path only when complete, so
// a failure or cancel leaves whatever was there before; a path that names
// either input, also through a link, is refused (WriteFailed). Every result
// but Written and Cancelled shows its reason; *detail gets which file and why, and
// *writtenBytes the size of the file written (an OpenDML file is larger than
// the version-1 count the merge's summary gives). With options.clone the
// file shares the inputs' blocks where it can; *clone says what came of it.
WriteResult WriteJoinedFileFor(PlannedMerge& planned, std::string path, JobSink& sink,
                                    std::string* detail = nullptr, uint64_t* writtenBytes = nullptr,
                                    const WriterOptions& options = WriterOptions(), CloneReport* clone = nullptr);

// What came of writing a merge job's joined file.
struct JoinedFileWritten {
  std::string path;    // the file written; empty when none
  uint64_t bytes = 0;  // its size
  CloneReport clone;   // its block sharing, when asked for
};

// Writes the joined file of a merge job that kept its plan
// (MergeRequest::keepPlanned) to path (empty: the joined name), and ends the
// outcome as a hand-over of the joined file ends the window's merge: the message
// "Completed" when written (the figures' size then the file's own); a
// failure's reason alone (the detail says which file and why); a cancel. The
// planned merge's inputs are closed after.
WriteResult WritePlannedMerge(MergeOutcome& outcome, const std::string& path, JobSink& sink,
                                   const WriterOptions& options, JoinedFileWritten* written);

// The same from the two inputs' names alone, as a library that writes it has them:
// opens and analyses both, plans the merge as the merge job does (an overlap
// looked for in the first input's last 60 seconds) and writes the joined file.
// InputChanged: an input cannot be read again as the merge job read it.
WriteResult WriteJoinedFileAnew(const std::string& first, const std::string& second, const std::string& joined,
                                     JobSink& sink);
