// What the plug-in is called for, as the job that calls it knows it: the
// size split's request, or the planned merge with its inputs and the joined
// file's name. A host that does the plug-in's work itself (the command line)
// reads it; the window passes its parts on to the plug-in library.
#pragma once
#include <cstdint>
#include <string>

#include "io/writer_options.h"
#include "split/split_result.h"

struct MergePlan;
struct MergeSources;
struct SplitRequest;

struct PluginWork {
  const SplitRequest* sizeSplit = nullptr;  // a size split
  const MergeSources* merge = nullptr;      // a planned merge:
  const MergePlan* plan = nullptr;          //   its plan
  std::string joinedName;                   //   and the joined file's name
};

// What a host asks of the plug-in's work, and what came of it.
struct PluginWorkOptions {
  bool writeJoined = true;  // false: a merge's call is left unanswered (the summary follows)
  std::string output;       // where the joined file goes; empty: the joined name
  WriterOptions writer;     // the joined file's block sharing
};
struct PluginWorkDone {
  bool sizeSplitRan = false;
  int32_t sizeSplitNumber = 0;            // the number its result reports (0: written)
  std::string firstOutput, secondOutput;  // a size split's outputs written
  bool wroteFirst = false, wroteSecond = false;
  SplitFigures sizeSplitFigures;          // where it cut, the outputs' sizes
  bool cancelled = false;
  std::string written;                    // the joined file written
  uint64_t writtenBytes = 0;              // its size
  std::string detail;                     // why not, for the command line
  CloneReport clone;                      // the outputs' block sharing, when asked for
};

class JobSink;

// Does the plug-in's work through the core: the size split, or writing the
// joined file. False when there is nothing to do (no work, or a merge with
// writeJoined off); else *result is 0 when it succeeded.
bool DoPluginWork(const PluginWork& work, JobSink& sink, const PluginWorkOptions& options, PluginWorkDone* done,
                  int32_t* result);
