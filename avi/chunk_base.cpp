// Decides whether an idx1 index counts chunk offsets from the "movi" list
// type (the usual way) or from the start of the file.
#include "avi/avi_analysis.h"
#include "avi/byte_input.h"
#include "avi/fourcc.h"

// GStreamer's avimux writes absolute file positions into idx1; taking them as
// relative would copy the wrong bytes, so the first stream entry is checked
// against the chunk it names in both readings.
uint64_t DetectChunkBase(const AviAnalysis& a, ByteInput& file) {
  if (a.idx1Offset == 0) return a.moviOffset;
  for (uint32_t i = 0; i < a.idx1EntryTotal; ++i) {
    uint64_t entry = uint64_t(a.idx1Offset) + 8 + 16ull * i;
    uint32_t ckid = file.U32At(entry);
    if (StreamOfCkid(ckid) < 0) continue;
    uint32_t offset = file.U32At(entry + 8);
    if (file.U32At(uint64_t(a.moviOffset) + offset) == ckid) return a.moviOffset;
    if (file.U32At(offset) == ckid) return 0;
    return a.moviOffset;
  }
  return a.moviOffset;
}
