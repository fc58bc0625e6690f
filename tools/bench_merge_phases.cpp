// Times the phases of one merge job run on two files: the second input's
// analysis, the first input's, the structure comparison and the merge engine
// (with its planning half alone), to show where a merge spends its time.
// Built by tools/bench_merge.sh against the core library of a build tree.
#include <chrono>
#include <cstdio>
#include <memory>

#include "app/file_probe.h"
#include "app/host.h"
#include "app/native_sink.h"
#include "merge/merge_engine.h"
#include "merge/merge_plan.h"

namespace {

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Walk(JobState& state, ByteInput& file, uint32_t size) {
  AviAnalysis& a = state.analysis;
  ResetAnalysis(a);
  a.progressBase = 0;
  a.progressSpan = 5;
  a.progressTotal = size;
  a.progressLast = 0;
  WalkChunks(state, file, 0, size, 0);
  a.chunkBase = DetectChunkBase(a, file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_merge_phases FILE1 FILE2\n");
    return 2;
  }
  uint32_t size1 = 0, size2 = 0;
  if (ProbeInputFile(argv[1], &size1) != ProbeResult::Ok || ProbeInputFile(argv[2], &size2) != ProbeResult::Ok)
    return 1;
  auto state = std::make_unique<JobState>();
  NativeHost host;
  AttachNativeHost(*state, host);
  state->englishUi = 1;
  state->analysis = AviAnalysis{};
  std::snprintf(state->inputPath, sizeof state->inputPath, "%s", argv[1]);
  if (!state->inputFile.Open(argv[1]) || !state->secondInputFile.Open(argv[2])) return 1;

  auto t = std::chrono::steady_clock::now();
  Walk(*state, state->secondInputFile, size2);
  SaveSecondInput(state->analysis);
  const double walk2 = Since(t);
  t = std::chrono::steady_clock::now();
  Walk(*state, state->inputFile, size1);
  const double walk1 = Since(t);
  t = std::chrono::steady_clock::now();
  uint32_t structure = CompareStructure(state->analysis, state->inputFile, state->secondInputFile);
  const double compare = Since(t);
  if (structure != 0) {
    std::fprintf(stderr, "structure differs: %u\n", structure);
    return 1;
  }
  t = std::chrono::steady_clock::now();
  MergePlan plan;
  PlanMerge(*state, 60.0, plan);
  const double planning = Since(t);
  t = std::chrono::steady_clock::now();
  int32_t result = MergeEngine(*state, 60.0, 1);
  const double engine = Since(t);
  std::printf("walk2 %.3f walk1 %.3f compare %.3f plan %.3f engine %.3f result %d kept %u\n", walk2, walk1,
              compare, planning, engine, int(result), plan.keepCount[state->analysis.firstVideoStream]);
  return 0;
}
