// The index half of the repair's pass: which surviving idx1 and ix## entries
// land on kept chunks, and the key flag of every chunk (rules in
// scan/repair_scan.h).
#include <algorithm>
#include <vector>

#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/walk_sink.h"
#include "scan/scan_detail.h"

namespace {

constexpr uint32_t kNotKeySize = 0x80000000u;  // ix## entry size: bit 31 set = not a key frame


int StreamOfData(uint32_t ckid, uint32_t streamCount) {
  const int s = StreamOfCkid(ckid);
  return s >= 0 && uint32_t(s) < streamCount ? s : -1;
}

// Lets the first entry that lands on a chunk set its flags. True when it landed.
bool Land(RepairScan& scan, uint64_t position, uint32_t ckid, uint32_t size, bool key, size_t* hint) {
  const long long i = scan.chunks.Find(position, *hint);
  if (i < 0) return false;
  KeptChunk& c = scan.chunks[size_t(i)];
  if (StreamOfCkid(c.ckid) != StreamOfCkid(ckid) || c.size != size) return false;
  *hint = size_t(i) + 1;
  if (!c.Has(KeptChunk::kIndexed)) {
    c.word |= KeptChunk::kIndexed | (key ? KeptChunk::kKey : 0);
    RepairStream& s = scan.streams[StreamOfCkid(c.ckid)];
    (key ? s.indexedKey : s.indexedNotKey)++;
  }
  return true;
}

void MatchIdx1(ByteInput& in, RepairScan& scan) {
  if (!scan.idx1) return;
  const uint64_t moviType = scan.moviList + 8;
  size_t hint = 0;
  in.Seek(scan.idx1 + 8);
  for (uint64_t e = 0; e < scan.idx1Whole; ++e) {
    const uint32_t ckid = in.ReadU32(), flags = in.ReadU32(), offset = in.ReadU32(), size = in.ReadU32();
    if (StreamOfData(ckid, scan.streamCount) < 0) continue;  // "rec " and other entries name no chunk kept
    const bool key = (flags & kKeyFrameFlag) != 0;
    const size_t before = hint;
    // Offsets count from the movi list type, or (GStreamer) from the file start.
    bool landed = Land(scan, moviType + offset, ckid, size, key, &hint) || Land(scan, offset, ckid, size, key, &hint);
    if (!landed) {
      hint = before;
      scan.entriesMissing++;
      if (scan.firstMissingIdx1 < 0) scan.firstMissingIdx1 = int64_t(e);
    }
    in.Seek(scan.idx1 + 8 + 16 * (e + 1));
  }
}

void MatchStandardIndex(ByteInput& in, RepairScan& scan, uint64_t at) {
  const uint32_t size = in.U32At(at + 4);
  uint8_t head[24];
  in.Seek(at + 8);
  if (in.Read(head, sizeof head) != sizeof head) return;
  const uint32_t longsPerEntry = uint32_t(head[0] | head[1] << 8);
  const uint8_t indexType = head[3];
  if (longsPerEntry != 2 || indexType != 1 || size < 24) return;  // only indexes of chunks
  auto u32 = [&](int i) { return uint32_t(head[i] | head[i + 1] << 8 | head[i + 2] << 16 | uint32_t(head[i + 3]) << 24); };
  const uint32_t inUse = u32(4), chunkId = u32(8);
  const uint64_t base = uint64_t(u32(12)) | uint64_t(u32(16)) << 32;
  const uint64_t room = (uint64_t(size) - 24) / 8;
  const uint64_t inFile = (scan.fileBytes - std::min(scan.fileBytes, at + 32)) / 8;
  const uint64_t entries = std::min<uint64_t>({inUse, room, inFile});
  if (StreamOfData(chunkId, scan.streamCount) < 0) return;
  size_t hint = 0;
  in.Seek(at + 32);
  for (uint64_t e = 0; e < entries; ++e) {
    const uint32_t offset = in.ReadU32(), entrySize = in.ReadU32();
    scan.standardEntries++;
    const uint64_t data = base + offset;
    const bool landed = data >= 8 && Land(scan, data - 8, chunkId, entrySize & ~kNotKeySize,
                                          (entrySize & kNotKeySize) == 0, &hint);
    if (!landed) {
      scan.entriesMissing++;
      if (scan.firstMissingStandard < 0) scan.firstMissingStandard = int64_t(scan.standardEntries - 1);
    }
  }
}

}  // namespace

void MatchIndexes(ByteInput& in, RepairScan& scan) {
  MatchIdx1(in, scan);
  for (uint64_t at : scan.standardIndexes) MatchStandardIndex(in, scan, at);
}

bool TellKeyFrames(RepairScan& scan, WalkSink* sink) {
  for (size_t i = 0; i < scan.chunks.Size(); ++i) {
    if ((i & 0xFFF) == 0xFFF && sink && sink->Cancelled()) {
      scan.refusal = RepairRefusal::Cancelled;
      return false;
    }
    KeptChunk& c = scan.chunks[i];
    RepairStream& s = scan.streams[StreamOfCkid(c.ckid)];
    s.chunks++;
    s.bytes += c.size;
    s.largest = std::max(s.largest, c.size);
    if (c.Has(KeptChunk::kIndexed)) continue;
    scan.unindexed++;
    bool key = true;
    if (s.fccType == kVids) {
      int told = 0;
      if (s.rule == KeyRule::EveryFrame) told = IsKeyFrame(s.rule, nullptr, 0, c.size);
      else if (s.rule != KeyRule::Unknown) told = c.Has(KeptChunk::kCodecKey) ? 1 : 0;
      key = told > 0;
      if (s.rule != KeyRule::Unknown) s.toldByCodec++;
    } else if (c.size == 0 || (s.indexedNotKey > 0 && s.indexedKey == 0)) {
      key = false;  // an empty chunk (ffmpeg marks it so), or a writer that marks this stream's chunks not key
    }
    if (key) c.word |= KeptChunk::kKey;
  }
  return true;
}

void ScanForRepair(ByteInput& input, RepairScan& scan, WalkSink* sink, int base, int span) {
  scan.fileBytes = input.Size();
  ReadRepairHeader(input, scan);
  if (scan.refusal != RepairRefusal::None) return;
  if (!CollectChunks(input, scan, sink, base, span)) return;
  MatchIndexes(input, scan);
  if (!TellKeyFrames(scan, sink)) return;
  if (scan.chunks.Size() == 0) scan.refusal = RepairRefusal::NoWholeChunk;
}

double RepairScan::Seconds() const {
  if (videoStream < 0) return 0;
  const RepairStream& v = streams[videoStream];
  if (v.rate && v.scale) return double(v.chunks) * double(v.scale) / double(v.rate);
  return double(v.chunks) * double(microSecPerFrame) * 1e-6;
}

bool RepairScan::KeyFramesUntold() const {
  for (uint32_t s = 0; s < streamCount; ++s)
    if (streams[s].fccType == kVids && streams[s].rule == KeyRule::Unknown && streams[s].chunks > streams[s].indexedKey + streams[s].indexedNotKey)
      return true;
  return false;
}
