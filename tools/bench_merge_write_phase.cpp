// Times the writing of a joined file alone: analyses and plans the merge of
// two files as the merge job does, then writes the joined file to OUTPUT and
// prints the seconds the write took. Built by tools/bench_merge_write.sh
// against the core library of a build tree.
#include <chrono>
#include <cstdio>
#include <memory>

#include "app/file_probe.h"
#include "app/host.h"
#include "app/native_host.h"
#include "merge/merge_output.h"
#include "merge/merge_plan.h"

namespace {

void Walk(JobState& state, ByteInput& file, uint32_t size) {
  AviAnalysis& a = state.analysis;
  ResetAnalysis(a);
  a.progressTotal = size;
  WalkChunks(state, file, 0, size, 0);
  a.chunkBase = DetectChunkBase(a, file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench_merge_write_phase FILE1 FILE2 OUTPUT\n");
    return 2;
  }
  uint32_t size1 = 0, size2 = 0;
  if (ProbeInputFile(argv[1], &size1) != ProbeResult::Ok || ProbeInputFile(argv[2], &size2) != ProbeResult::Ok)
    return 1;
  auto state = std::make_unique<JobState>();
  NativeHost host;
  AttachNativeHost(*state, host);
  state->analysis = AviAnalysis{};
  if (!state->inputFile.Open(argv[1]) || !state->secondInputFile.Open(argv[2])) return 1;
  Walk(*state, state->secondInputFile, size2);
  SaveSecondInput(state->analysis);
  Walk(*state, state->inputFile, size1);
  if (CompareStructure(state->analysis, state->inputFile, state->secondInputFile) != 0) return 1;
  MergePlan plan;
  PlanMerge(*state, 60.0, plan);
  const auto start = std::chrono::steady_clock::now();
  const JoinResult result = WriteMergedFile(*state, plan, argv[3], "File Creating", 10);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (result != JoinResult::Written) return 1;
  std::printf("%.3f\n", seconds);
  return 0;
}
