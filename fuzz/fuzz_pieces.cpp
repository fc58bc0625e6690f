// Fuzz target: planning a split into many pieces and writing every piece to
// memory. The input starts with the numbers (a piece's length in tenths of
// a second, or with the second byte's low bit its size in KB; the overlap),
// the rest is the AVI file, read as the jobs read it. A planned piece must be
// written with exactly its planned size, as a whole RIFF file.
#include <cstdlib>

#include "job/native_sink.h"
#include "avi/avi_analysis.h"
#include "avi/avi_source.h"
#include "fuzz/fuzz_input.h"
#include "io/output_stream.h"
#include "pieces/piece_plan.h"

namespace {
constexpr uint64_t kMaxFuzzOutput = 64u << 20;  // keep memory in bounds
constexpr size_t kMaxPieces = 200;              // and time

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint32_t value = in.U32() % 100000;
  const bool bySize = (in.Byte() & 1) != 0;
  const ExactTime overlap = in.Byte() % 64;
  size_t fileSize = 0;
  const uint8_t* file = in.Rest(&fileSize);

  AviSource input;
  input.OpenMemory(file, fileSize);
  AviAnalysis a{};
  if (!input.Analyse(a, nullptr, 0, 10)) return 0;  // broken OpenDML indexes: refused
  const SplitSource source{input.Input(), a, "fuzz.avi"};
  PiecesPlan plan;
  const SplitResult planned = bySize ? PlanPiecesBySize(source, uint64_t(value) * 1024, overlap, plan)
                                     : PlanPiecesEvery(source, ExactTime::Decimal(value, 1), overlap, plan);
  if (planned != SplitResult::Completed || plan.pieces.size() > kMaxPieces) return 0;
  uint64_t total = 0;
  for (const Piece& p : plan.pieces) total += p.plannedBytes;
  if (total > kMaxFuzzOutput) return 0;

  for (const Piece& p : plan.pieces) {
    if (p.endFrame <= p.startFrame) std::abort();  // every piece holds video
    MemoryOutput output;
    const ShareOutput share{&p.share, &output};
    ShareWriting how;
    how.stretch = p.stretch;
    how.copy = ChunkCopy::ChunkByChunk;
    NativeSink sink;
    if (!WriteShares(source, &share, 1, how, sink).Written()) continue;
    const std::vector<uint8_t>& b = output.bytes;
    if (b.size() != p.plannedBytes) std::abort();  // the planned size is the written size
    if (b.size() < 12 || U32At(b, 4) != b.size() - 8) std::abort();
  }
  return 0;
}
