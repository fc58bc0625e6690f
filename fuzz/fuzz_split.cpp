// Fuzz target: split planning and writing to memory. The input starts with
// the split's numbers (time in tenths of a second, overlap, which outputs),
// the rest is the AVI file, read as the jobs read it (an OpenDML file through
// its flattened view). A completed split's outputs must be whole RIFF files
// whose size fields agree with their length.
#include <cstdlib>

#include "job/native_sink.h"
#include "avi/avi_analysis.h"
#include "avi/avi_source.h"
#include "fuzz/fuzz_input.h"
#include "io/output_stream.h"
#include "split/split_engine.h"

namespace {
constexpr uint64_t kMaxFuzzOutput = 64u << 20;  // keep memory in bounds

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  TimeSplit time;
  time.seconds = ExactTime::Decimal(in.U32() % 100000, 1);
  time.overlap = in.Byte() % 64;
  time.create = CreateMode(1 + in.Byte() % 3);
  if (time.create == CreateMode::First) time.overlap = 0;
  size_t fileSize = 0;
  const uint8_t* file = in.Rest(&fileSize);

  AviSource input;
  input.OpenMemory(file, fileSize);
  AviAnalysis a{};
  if (!input.Analyse(a, nullptr, 0, 10)) return 0;  // broken OpenDML indexes: refused
  const SplitSource source{input.Input(), a, "fuzz.avi"};
  SplitPlan plan;
  if (PlanSplit(source, time, plan) != SplitResult::Completed) return 0;
  uint64_t sizes[2];
  PlannedOutputSizes(source, plan, sizes);
  if (sizes[0] > kMaxFuzzOutput || sizes[1] > kMaxFuzzOutput) return 0;

  MemoryOutput outputs[2];
  OutputStream* streams[2] = {time.create != CreateMode::Second ? &outputs[0] : nullptr,
                              time.create != CreateMode::First ? &outputs[1] : nullptr};
  NativeSink sink;
  int failed = -1;
  SplitResult r = WriteSplitStreams(source, plan, streams, sink, &failed);
  if (r != SplitResult::Completed) return 0;
  for (int x = 0; x < 2; ++x) {
    if (!streams[x]) continue;
    const std::vector<uint8_t>& b = outputs[x].bytes;
    if (b.size() != sizes[x]) std::abort();  // the planned size is the written size
    if (b.size() < 12 || U32At(b, 4) != b.size() - 8) std::abort();
  }
  return 0;
}
