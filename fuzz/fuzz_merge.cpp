// Fuzz target: merge planning with the overlap search over two files made
// from one input. The string search, the fixed-memory search and the direct
// reading of the rule must agree; the engine must plan and count any pair
// whose structure compares equal. Inputs are read as the jobs read them (an
// OpenDML file through its flattened view).
#include <cstdlib>

#include "job/native_sink.h"
#include "avi/avi_analysis.h"
#include "avi/avi_source.h"
#include "fuzz/fuzz_input.h"
#include "merge/merge_engine.h"
#include "merge/overlap_search.h"

namespace {
constexpr uint32_t kMaxDirectEntries = 4000;  // the direct search is quadratic

bool Walk(const uint8_t* data, size_t size, AviSource& source, AviAnalysis& a) {
  source.OpenMemory(data, size);
  return source.Analyse(a, nullptr, 0, 5);
}

uint32_t Keep(const OverlapResult& r) { return r.outcome == OverlapOutcome::Found ? r.frame : 0xFFFFFFFFu; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t remembered = in.Byte();
  TwoFiles files = SplitInTwo(in);
  AviSource firstSource, secondSource;
  AviAnalysis a{}, b{};
  if (!Walk(files.first, files.firstSize, firstSource, a) || !Walk(files.second, files.secondSize, secondSource, b))
    return 0;  // broken OpenDML indexes: refused
  ByteInput& first = firstSource.Input();
  ByteInput& second = secondSource.Input();
  if (CompareStructure(a, b, first, second).code != 0) return 0;

  NativeSink sink;
  if (a.idx1EntryTotal <= kMaxDirectEntries && b.idx1EntryTotal <= kMaxDirectEntries) {
    OverlapSource one{&first, a.idx1Offset, a.idx1EntryTotal, a.chunkBase};
    OverlapSource two{&second, b.idx1Offset, b.idx1EntryTotal, b.chunkBase};
    OverlapSearch search{a.firstVideoStream, 0, 0};
    search.maxRememberedFrames = 1 + remembered % 64;
    const uint32_t direct = Keep(FindOverlapDirect(sink, one, two, search));
    if (Keep(FindOverlap(sink, one, two, search)) != direct) std::abort();
    if (Keep(FindOverlapHashed(sink, one, two, search)) != direct) std::abort();
  }
  const MergeSources sources{{first, a}, {second, b}, "fuzz-1.avi"};
  MergeEngineOutput out;
  if (MergeEngine(sources, 60.0, 1, sink, out) != MergeResult::Completed) std::abort();
  if (out.mergedName != "fuzz-m.avi" || out.text.empty()) std::abort();
  return 0;
}
