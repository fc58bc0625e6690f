// Times the writing of a joined file alone: analyses and plans the merge of
// two files as the merge job does, then writes the joined file to OUTPUT and
// prints the seconds the write took. Built by tools/bench_merge_write.sh
// against the core library of a build tree.
#include <chrono>
#include <cstdio>

#include "job/file_probe.h"
#include "app/native_sink.h"
#include "app/plugin_work.h"
#include "avi/byte_input.h"
#include "merge/merge_output.h"
#include "merge/merge_plan.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench_merge_write_phase FILE1 FILE2 OUTPUT\n");
    return 2;
  }
  uint64_t size1 = 0, size2 = 0;
  if (ProbeInputFile(argv[1], &size1) != ProbeResult::Ok || ProbeInputFile(argv[2], &size2) != ProbeResult::Ok)
    return 1;
  NativeSink sink;
  ByteInput first, second;
  if (!first.Open(argv[1]) || !second.Open(argv[2])) return 1;
  AviAnalysis a{}, b{};
  AnalyseFile(b, second, size2, WalkProgress{});
  AnalyseFile(a, first, size1, WalkProgress{});
  if (CompareStructure(a, b, first, second).code != 0) return 1;
  const MergeSources in{{first, a}, {second, b}, argv[1], argv[2]};
  MergePlan plan;
  PlanMerge(in, 60.0, sink, plan);
  PluginWork work;
  work.merge = &in;
  work.plan = &plan;
  const auto start = std::chrono::steady_clock::now();
  const JoinedFileResult result = WriteJoinedFileFor(work, argv[3], sink);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (result != JoinedFileResult::Written) return 1;
  std::printf("%.3f\n", seconds);
  return 0;
}
