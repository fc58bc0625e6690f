// Times the writing of a joined file alone: the merge job checks, analyses
// and plans the merge of two files, keeping its plan, then the joined file is
// written to OUTPUT and the seconds the write took are printed. Built by
// tools/bench_merge_write.sh against the core library of a build tree.
#include <chrono>
#include <cstdio>

#include "job/native_sink.h"
#include "merge/merge_job.h"
#include "merge/merge_output.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench_merge_write_phase FILE1 FILE2 OUTPUT\n");
    return 2;
  }
  NativeSink sink;
  MergeRequest request;
  request.first = argv[1];
  request.second = argv[2];
  request.keepPlanned = true;
  MergeOutcome outcome = MergeJob(request, sink);
  if (!outcome.planned) return 1;
  const auto start = std::chrono::steady_clock::now();
  JoinedFileWritten written;
  const WriteResult result = WritePlannedMerge(outcome, argv[3], sink, WriterOptions(), &written);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (result != WriteResult::Written) return 1;
  std::printf("%.3f\n", seconds);
  return 0;
}
