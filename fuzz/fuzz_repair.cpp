// Fuzz target: the repair's pass and its writing to memory. The first byte
// picks the OpenDML threshold (odd: 4 KiB, so that small inputs are written
// as OpenDML too), the rest is the file. What is written must be exactly the
// file measured, a whole RIFF list, and never larger than its input but for
// the index it rebuilds (16 bytes a chunk and the idx1 header) and a pad
// byte for each odd chunk the input stored without one.
#include <cstdlib>

#include "avi/byte_input.h"
#include "fuzz/fuzz_input.h"
#include "io/output_stream.h"
#include "scan/repair_scan.h"
#include "repair/repair_writer.h"

namespace {
uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  OdmlLimits limits;
  if (in.Byte() & 1) limits.riffThreshold = 4096;
  size_t fileSize = 0;
  const uint8_t* file = in.Rest(&fileSize);

  ByteInput input;
  input.OpenMemory(file, fileSize);
  RepairScan scan;
  ScanForRepair(input, scan);
  if (scan.refusal != RepairRefusal::None || scan.Intact()) return 0;
  RepairedFigures figures;
  std::string problem;
  if (!MeasureRepairedFile(input, scan, limits, &figures, &problem)) return 0;

  MemoryOutput out;
  if (WriteRepairedFile(input, scan, out, nullptr, 0, 100, limits) != WriteResult::Written) std::abort();
  const std::vector<uint8_t>& b = out.bytes;
  if (b.size() != figures.fileBytes) std::abort();
  if (b.size() < 12 || U32At(b, 0) != U32At(std::vector<uint8_t>{'R', 'I', 'F', 'F'}, 0)) std::abort();
  const uint64_t chunks = scan.chunks.Size();
  if (!figures.openDml && (U32At(b, 4) != b.size() - 8 || b.size() > fileSize + 8 + 17 * chunks)) std::abort();
  return 0;
}
