// Helpers of the repair tests: damaging a recording the ways recordings end
// badly, running the repair job, and reading a file's chunks in index order.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "job/native_sink.h"
#include "avi/fourcc.h"
#include "repair/repair_job.h"
#include "tests/native/test_split_support.h"

namespace repairtest {

using avitest::Bytes;
using avitest::GetU32;
using avitest::SetU32;

// One indexed chunk of a file: its code, key flag and data.
struct IndexedChunk {
  uint32_t ckid;
  bool key;
  Bytes data;
};

// Where a version-1 file's first movi list and its idx1 lie.
struct TopLevel {
  size_t moviList = 0;
  size_t idx1 = 0;
};
inline TopLevel FindTopLevel(const Bytes& b) {
  TopLevel t;
  size_t at = 12;
  while (at + 12 <= b.size()) {
    const uint32_t code = GetU32(b, at), size = GetU32(b, at + 4);
    if (code == kList && GetU32(b, at + 8) == kMovi && !t.moviList) t.moviList = at;
    if (code == kIdx1) t.idx1 = at;
    at += 8 + size + (size & 1);
  }
  return t;
}

// The chunks idx1 names, in its order ("rec " entries left out); offsets
// from the movi list type, or from the file start where the first one is
// past the movi list (GStreamer).
inline std::vector<IndexedChunk> IndexedChunks(const Bytes& b) {
  std::vector<IndexedChunk> out;
  const TopLevel t = FindTopLevel(b);
  if (!t.idx1) return out;
  const uint32_t entries = GetU32(b, t.idx1 + 4) / 16;
  const size_t first = t.idx1 + 8;
  const size_t base = entries && GetU32(b, first + 8) > t.moviList ? 0 : t.moviList + 8;
  for (uint32_t i = 0; i < entries; ++i) {
    const size_t e = first + 16 * size_t(i);
    const uint32_t ckid = GetU32(b, e);
    if (ckid == kRec) continue;
    const size_t at = base + GetU32(b, e + 8) + 8;
    const uint32_t size = GetU32(b, e + 12);
    out.push_back({ckid, (GetU32(b, e + 4) & kKeyFrameFlag) != 0, Bytes(b.begin() + at, b.begin() + at + size)});
  }
  return out;
}

// The ways a recording ends badly.
enum class Damage { CutAt35, CutAt70, CutInIndex, IndexRemoved, IndexShifted };
inline const char* Name(Damage d) {
  switch (d) {
    case Damage::CutAt35: return "cut at 35% of its data";
    case Damage::CutAt70: return "cut at 70% of its data";
    case Damage::CutInIndex: return "cut inside idx1";
    case Damage::IndexRemoved: return "idx1 taken away";
    case Damage::IndexShifted: return "idx1 offsets shifted";
  }
  return "";
}
inline Bytes Damaged(const Bytes& good, Damage d) {
  const TopLevel t = FindTopLevel(good);
  Bytes b = good;
  const size_t entries = GetU32(b, t.idx1 + 4) / 16;
  switch (d) {
    case Damage::CutAt35: b.resize(t.moviList + (t.idx1 - t.moviList) * 35 / 100); break;
    case Damage::CutAt70: b.resize(t.moviList + (t.idx1 - t.moviList) * 70 / 100); break;
    case Damage::CutInIndex: b.resize(t.idx1 + 8 + 16 * (entries / 2) + 7); break;
    case Damage::IndexRemoved: b.resize(t.idx1); break;
    case Damage::IndexShifted:
      for (size_t e = 0; e < entries; ++e) SetU32(b, t.idx1 + 16 + 16 * e, GetU32(b, t.idx1 + 16 + 16 * e) + 1000);
      break;
  }
  return b;
}

struct RepairRun {
  NativeSink host;
  RepairOutcome outcome;
};
inline std::unique_ptr<RepairRun> Repair(const std::string& path, const std::string& output = "", bool english = true,
                                         const OdmlLimits& limits = OdmlLimits()) {
  auto run = std::make_unique<RepairRun>();
  run->host.englishUi = english ? 1 : 0;
  RepairRequest request;
  request.path = path;
  request.output = output;
  run->outcome = RepairJobWithLimits(request, run->host, limits);
  return run;
}

}  // namespace repairtest
