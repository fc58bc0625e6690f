// The data half of the repair's pass (what it keeps and how it resyncs is
// described in scan/repair_scan.h).
#include <algorithm>
#include <vector>

#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/walk_sink.h"
#include "scan/scan_detail.h"

namespace {

constexpr int kMaxDepth = 4;

bool IsLower(uint8_t c) { return c >= 'a' && c <= 'z'; }
bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

class Collector {
 public:
  Collector(ByteInput& in, RepairScan& scan, WalkSink* sink, int base, int span)
      : in_(in), scan_(scan), sink_(sink), base_(base), span_(span) {}

  bool Run() {
    Region(0, scan_.fileBytes, 0);
    return !stopped_;
  }

 private:
  // A chunk of one of the header's streams: "##" then two lower-case letters.
  bool IsData(uint32_t code) const {
    const uint8_t a = uint8_t(code), b = uint8_t(code >> 8), c = uint8_t(code >> 16), d = uint8_t(code >> 24);
    return a == '0' && IsDigit(b) && uint32_t(b - '0') < scan_.streamCount && IsLower(c) && IsLower(d);
  }
  static bool IsStandardIndex(uint32_t code) {
    return StreamOfStandardIndex(code) >= 0;
  }
  // A header a writer puts where chunks are: what a resync may stop at.
  bool Expected(uint64_t p, uint64_t end) {
    if (p + 8 > end) return false;
    const uint32_t code = in_.U32At(p), size = in_.ReadU32();
    if (code == kList || code == kRiff) {
      if (p + 12 > end) return false;
      const uint32_t type = in_.ReadU32();
      return (code == kList && (type == kMovi || type == kRec)) || (code == kRiff && type == kAvix);
    }
    if (!(IsData(code) || IsStandardIndex(code) || code == kJunk || code == kIdx1)) return false;
    return code == kIdx1 || p + 8 + uint64_t(size) <= end;
  }
  // Where the chunk after one that ends at `after` (its pad not counted) starts.
  uint64_t Next(uint64_t after, uint32_t size, uint64_t end, bool* unpadded) {
    *unpadded = false;
    if ((size & 1) == 0) return after;
    if (after + 1 <= end && (after + 1 == end || Expected(after + 1, end))) {
      in_.Seek(after);
      *unpadded = in_.ReadByte() != 0;  // a pad byte of another value is written as 0
      return after + 1;
    }
    if (Expected(after, end) || after == end) {
      *unpadded = true;
      return after;
    }
    return after + 1;
  }
  // The next place in (from, end) that holds an expected header which
  // another expected header (or the end) follows; end if none.
  uint64_t Resync(uint64_t from, uint64_t end) {
    for (uint64_t p = from + 1; p + 8 <= end; ++p) {
      if ((p & 0xFFFFF) == 0 && Stop()) return end;
      // A file cut or failing under the scan: past that point every byte
      // would be read again and again for nothing (the job reports it).
      if (in_.Fault()) return end;
      if (!Expected(p, end)) continue;
      const uint32_t code = in_.U32At(p), size = in_.ReadU32();
      if (code == kList || code == kRiff || code == kIdx1) return p;
      bool unpadded;
      const uint64_t next = Next(p + 8 + size, size, end, &unpadded);
      if (next == end || Expected(next, end)) return p;
    }
    return end;
  }
  void Skip(uint64_t from, uint64_t to) {
    if (to <= from) return;
    if (scan_.skippedBytes == 0) scan_.firstSkipped = from;
    scan_.skippedBytes += to - from;
  }
  void Promise(uint64_t end) { scan_.promisedBytes = std::max(scan_.promisedBytes, end); }
  bool Stop() {
    if (stopped_) return true;
    if (sink_) {
      const uint64_t total = scan_.fileBytes ? scan_.fileBytes : 1;
      const int cell = base_ + int(double(std::min(position_, total)) * span_ / double(total));
      if (cell > shown_) sink_->Progress(shown_ = cell);
      if (sink_->Cancelled()) {
        scan_.refusal = RepairRefusal::Cancelled;
        stopped_ = true;
      }
    }
    return stopped_;
  }

  // The end of a list that claims `declared` bytes of data within [.., end):
  // a placeholder size runs to the end, a size past the end is cut there.
  static uint64_t ListEnd(uint64_t p, uint32_t declared, uint64_t end) {
    if (declared <= 4) return end;
    return std::min<uint64_t>(end, p + 8 + uint64_t(declared));
  }

  void Region(uint64_t start, uint64_t end, int depth) {
    uint64_t p = start;
    while (p + 8 <= end && !stopped_ && !in_.Fault()) {
      position_ = p;
      if ((++steps_ & 0xFFF) == 0 && Stop()) return;
      const uint32_t code = in_.U32At(p), size = in_.ReadU32();
      const uint64_t claimed = p + 8 + uint64_t(size);
      if (code == kRiff || code == kList) {
        const uint32_t type = p + 12 <= end ? in_.ReadU32() : 0;
        const bool data = code == kList ? (type == kMovi || type == kRec) : (depth == 0 && (type == kAvix || p == 0));
        if (data && depth < kMaxDepth) {
          if (size > 4) Promise(claimed + (size & 1));
          if (code == kRiff) scan_.riffLists++;
          const uint64_t listEnd = ListEnd(p, size, end);
          Region(p + 12, listEnd, depth + 1);
          p = listEnd + ((listEnd == claimed && (size & 1) && listEnd < end) ? 1 : 0);
          continue;
        }
        if (claimed <= end && code == kList) {  // hdrl, INFO, odml: kept out
          p = claimed + (size & 1);
          continue;
        }
      } else if (claimed <= end && (IsData(code) || IsStandardIndex(code) || code == kIdx1 || code == kJunk ||
                                    (IsPrintableFourCC(code) && depth <= 1 && !IsLower(uint8_t(code)) &&
                                     !IsDigit(uint8_t(code))))) {
        bool unpadded;
        const uint64_t next = Next(claimed, size, end, &unpadded);
        if (IsData(code) && p < scan_.moviList + 12) {
          // Before the first movi list lies the header the copy keeps whole.
        } else if (IsData(code)) {
          if (scan_.chunks.Size() >= kMaxRepairChunks) {
            scan_.refusal = RepairRefusal::TooManyChunks;
            stopped_ = true;
            return;
          }
          scan_.chunks.Add(KeptChunk{p | (unpadded ? KeptChunk::kUnpadded : 0) | CodecKey(code, p, size), code, size});
        } else if (IsStandardIndex(code)) {
          scan_.standardIndexes.push_back(p);
        } else if (code == kIdx1 && !scan_.idx1) {
          NoteIdx1(p, size);
        }
        p = next;
        continue;
      } else if (claimed > scan_.fileBytes && (IsData(code) || code == kIdx1 || IsStandardIndex(code))) {
        // The file ends inside this chunk: the cut.
        // An index cut short holds entries only, so the rest is skipped;
        // a partial chunk's data is searched, in case its size was damaged.
        Promise(claimed + (size & 1));
        if (code == kIdx1 && !scan_.idx1) NoteIdx1(p, size);
        if (IsStandardIndex(code)) scan_.standardIndexes.push_back(p);
        if (!IsData(code)) return;
        scan_.partialChunk = true;
        p = Resync(p + 7, end);
        continue;
      }
      const uint64_t found = Resync(p, end);
      // Bytes after the last RIFF list that hold no chunk (a writer's
      // padding to a sector) are no damage.
      if (depth > 0 || found < end) Skip(p, found);
      p = found;
    }
  }

  // What a video frame's first bytes say, read while they are at hand (the
  // chunk header was just read through the same buffer), for the frames no
  // surviving index entry will name.
  uint64_t CodecKey(uint32_t code, uint64_t p, uint32_t size) {
    const RepairStream& s = scan_.streams[StreamOfCkid(code)];
    if (s.fccType != kVids || s.rule == KeyRule::Unknown || s.rule == KeyRule::EveryFrame || size == 0) return 0;
    const size_t look = size_t(std::min<uint64_t>(size, kKeyFrameLook));
    look_.resize(kKeyFrameLook);
    in_.Seek(p + 8);
    const size_t got = in_.Read(look_.data(), look);
    return IsKeyFrame(s.rule, look_.data(), got, size) > 0 ? KeptChunk::kCodecKey : 0;
  }

  void NoteIdx1(uint64_t p, uint32_t size) {
    scan_.idx1 = p;
    scan_.idx1Entries = size / 16;
    scan_.idx1Whole = std::min<uint64_t>(size, scan_.fileBytes - std::min(scan_.fileBytes, p + 8)) / 16;
  }

  ByteInput& in_;
  RepairScan& scan_;
  WalkSink* sink_;
  int base_, span_;
  int shown_ = -1;
  uint64_t position_ = 0;
  uint64_t steps_ = 0;
  bool stopped_ = false;
  std::vector<uint8_t> look_;
};

}  // namespace

bool CollectChunks(ByteInput& in, RepairScan& scan, WalkSink* sink, int base, int span) {
  Collector collector(in, scan, sink, base, span);
  return collector.Run();
}
