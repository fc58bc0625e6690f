#include "app/plugin_work.h"

#include "job/job_sink.h"
#include "merge/merge_output.h"
#include "split/size_split.h"

bool DoPluginWork(const PluginWork& work, JobSink& sink, const PluginWorkOptions& options, PluginWorkDone* done,
                  int32_t* result) {
  if (work.sizeSplit) {
    const SplitOutcome outcome = RunSizeSplit(*work.sizeSplit, sink);
    done->sizeSplitRan = true;
    done->sizeSplitNumber = outcome.Number();
    done->firstOutput = outcome.firstOutput;
    done->secondOutput = outcome.secondOutput;
    done->wroteFirst = outcome.wroteFirst;
    done->wroteSecond = outcome.wroteSecond;
    done->sizeSplitFigures = outcome.figures;
    done->cancelled = outcome.result == SplitResult::Cancelled;
    done->detail = outcome.detail;
    done->clone = outcome.clone;
    *result = outcome.result == SplitResult::Completed ? 0 : 1;
    return true;
  }
  if (work.merge && options.writeJoined) {
    const JoinedFileResult r = WriteJoinedFileFor(work, options.output, sink, &done->detail, &done->writtenBytes,
                                                  options.writer, &done->clone);
    if (r == JoinedFileResult::Written) done->written = options.output.empty() ? work.joinedName : options.output;
    done->cancelled = r == JoinedFileResult::Cancelled;
    *result = r == JoinedFileResult::Written ? 0 : 1;
    return true;
  }
  return false;
}
