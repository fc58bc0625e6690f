// Times the phases of one merge job run on two files: the second input's
// analysis, the first input's, the structure comparison and the merge engine
// (with its planning half alone), to show where a merge spends its time.
// Built by tools/bench_merge.sh against the core library of a build tree.
#include <chrono>
#include <cstdio>
#include <memory>

#include "job/file_probe.h"
#include "job/native_sink.h"
#include "avi/byte_input.h"
#include "merge/merge_engine.h"
#include "merge/merge_plan.h"

namespace {

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Walk(AviAnalysis& a, ByteInput& file, uint64_t size) {
  WalkProgress progress;
  progress.span = 5;
  progress.total = size;
  AnalyseFile(a, file, size, progress);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_merge_phases FILE1 FILE2\n");
    return 2;
  }
  uint64_t size1 = 0, size2 = 0;
  if (ProbeInputFile(argv[1], &size1) != ProbeResult::Ok || ProbeInputFile(argv[2], &size2) != ProbeResult::Ok)
    return 1;
  NativeSink sink;
  ByteInput first, second;
  AviAnalysis a{}, b{};
  if (!first.Open(argv[1]) || !second.Open(argv[2])) return 1;

  auto t = std::chrono::steady_clock::now();
  Walk(b, second, size2);
  const double walk2 = Since(t);
  t = std::chrono::steady_clock::now();
  Walk(a, first, size1);
  const double walk1 = Since(t);
  t = std::chrono::steady_clock::now();
  uint32_t structure = CompareStructure(a, b, first, second).code;
  const double compare = Since(t);
  if (structure != 0) {
    std::fprintf(stderr, "structure differs: %u\n", structure);
    return 1;
  }
  const MergeSources sources{{first, a}, {second, b}, argv[1], argv[2]};
  t = std::chrono::steady_clock::now();
  MergePlan plan;
  PlanMerge(sources, 60.0, sink, plan);
  const double planning = Since(t);
  t = std::chrono::steady_clock::now();
  MergeEngineOutput out;
  MergeResult result = MergeEngine(sources, 60.0, 1, sink, out);
  const double engine = Since(t);
  std::printf("walk2 %.3f walk1 %.3f compare %.3f plan %.3f engine %.3f result %d kept %u\n", walk2, walk1,
              compare, planning, engine, int(result), plan.keepCount[a.firstVideoStream]);
  return 0;
}
