// Fuzz target: the chunk walk over any bytes, the chunk base and the structure
// comparison of two walked files (and of a file with itself, which must agree).
#include <cstdlib>

#include "job/native_sink.h"
#include "avi/avi_analysis.h"
#include "avi/byte_input.h"
#include "fuzz/fuzz_input.h"

namespace {
void Walk(const uint8_t* data, size_t size, ByteInput& input, AviAnalysis& a, NativeSink& sink) {
  input.OpenMemory(data, size);
  WalkProgress progress;
  progress.sink = &sink;
  progress.span = 10;
  progress.total = size;
  AnalyseFile(a, input, uint32_t(size > 0x7FFFFFFF ? 0x7FFFFFFF : size), progress);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  TwoFiles files = SplitInTwo(in);
  NativeSink sink;
  ByteInput first, second;
  AviAnalysis a{}, b{};
  Walk(files.first, files.firstSize, first, a, sink);
  Walk(files.second, files.secondSize, second, b, sink);
  if (a.streamCount > uint32_t(kMaxStreams)) std::abort();
  for (int cells : sink.progressCells)
    if (cells < 0 || cells > 10) std::abort();
  StructureDifference d = CompareStructure(a, b, first, second);
  if (d.code > 12) std::abort();
  d.Describe();
  ByteInput again;
  again.OpenMemory(files.first, files.firstSize);
  StructureDifference self = CompareStructure(a, a, first, again);
  // A file compared with itself can only lack pieces, never differ.
  if (self.code >= 8 && self.code <= 12) std::abort();
  return 0;
}
