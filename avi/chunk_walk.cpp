// The recursive chunk walk that fills AviAnalysis, and the record's reset.
#include <atomic>
#include <cmath>

#include "avi/avi_analysis.h"
#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/indexed_headers.h"
#include "avi/walk_sink.h"

namespace {

// Deeper nesting than this is no real AVI file; a crafted one must not
// exhaust the stack.
constexpr int kMaxDepth = 64;

void ReportWalkStep(WalkProgress& p, uint64_t start) {
  if (p.total == 0) return;  // no size to measure against
  double step = std::floor(double(start) * double(p.span) / double(p.total));
  // The inside of a chunk of fewer than 4 bytes at the very end starts past
  // the end of the file: the bar must still stay within this walk's cells.
  if (step > double(p.span)) step = double(p.span);
  if (step > double(p.last)) {
    p.last = int32_t(step);
    if (p.sink) p.sink->Progress(p.base + p.last);
  }
}

bool Cancelled(const WalkProgress& p) { return p.sink && p.sink->Cancelled(); }

void RecordStreamHeader(AviAnalysis& a, ByteInput& file, uint64_t start, uint64_t end) {
  if (a.streamCount >= uint32_t(kMaxStreams)) return;  // an 11th header is neither recorded nor counted
  uint32_t n = a.streamCount;
  if (start + 56 <= end) {
    StreamEntry& s = a.streams[n];
    uint32_t fccType = file.U32At(start + 8);
    if (fccType == kVids) {
      s.type = StreamVideo;
      if (a.firstVideoStream == -1) a.firstVideoStream = int32_t(n);
    } else if (fccType == kAuds) {
      s.type = StreamAudio;
      s.sampleSizeOffset = start + 52;
      if (file.U32At(start + 52) == 0) s.type = StreamOther;  // variable-rate audio
    }
    uint32_t scale = file.U32At(start + 28);
    uint32_t rate = file.U32At(start + 32);
    // A zero dwScale with a non-zero dwRate leaves the rate at 0.
    if (rate != 0 && scale != 0) s.rate = double(rate / scale);
    s.lengthOffset = start + 40;
    s.suggestedBufferSizeOffset = start + 44;
  }
  a.streamCount++;
}

void CountIndexEntries(AviAnalysis& a, ByteInput& file, uint64_t start, uint32_t size, uint64_t end) {
  a.idx1Offset = start;
  // Only the last idx1 met describes the index that the engines read.
  a.idx1EntryTotal = 0;
  for (StreamEntry& s : a.streams) s.idx1EntryCount = 0;
  uint32_t entries = size / 16;
  for (uint32_t i = 0; i < entries; ++i) {
    uint64_t entry = start + 8 + 16ull * i;
    if (entry + 16 > end) break;
    a.idx1EntryTotal++;
    uint32_t ckid = file.U32At(entry);
    if (!IsPrintableFourCC(ckid)) continue;
    if (ckid == kRec) a.hasRecEntries = 1;
    int stream = StreamOfCkid(ckid);
    if (stream >= 0) a.streams[stream].idx1EntryCount++;
  }
}

}  // namespace

void ResetAnalysis(AviAnalysis& a) {
  a.riffSizeOffset = 0;
  a.microSecPerFrameOffset = 0;
  a.totalFramesOffset = 0;
  a.streamsOffset = 0;
  for (StreamEntry& s : a.streams) {
    s.lengthOffset = 0;
    s.suggestedBufferSizeOffset = 0;
    s.type = StreamOther;
    s.idx1EntryCount = 0;
    s.rate = 0.0;
  }
  a.hasIndx = 0;
  a.moviOffset = 0;
  a.idx1Offset = 0;
  a.streamCount = 0;
  a.idx1EntryTotal = 0;
  a.firstVideoStream = -1;
  a.hasRecEntries = 0;
  a.chunkBase = 0;
}

namespace {

// What a walk looks inside: everything, or everything but movi lists.
enum class Reach { Everything, OutsideMovi };

int WalkRange(AviAnalysis& a, WalkProgress& progress, ByteInput& file, uint64_t start, uint64_t end, int depth,
              Reach reach) {
  ReportWalkStep(progress, start);
  if (a.streamCount >= uint32_t(kMaxStreams) || Cancelled(progress)) return 0;
  if (depth > kMaxDepth) return 0;

  for (;;) {
    if (start + 8 > end) break;
    uint32_t code = file.U32At(start);
    if (!IsPrintableFourCC(code)) break;
    uint64_t size = file.ReadU32();
    if (Cancelled(progress)) break;
    // A list past 4 GiB has no size that fits its field: the flattened view
    // of a large OpenDML file writes 0xFFFFFFFF for its RIFF and movi lists,
    // which then hold everything to the end of the range. (In a file below
    // 4 GiB no such list fits, so nothing changes there.)
    if (size == 0xFFFFFFFFu && (code == kRiff || code == kList) && end - start - 8 > size) size = end - start - 8;
    if (start + 8 + size > end) break;
    if (progress.visitor) progress.visitor->Chunk(start, size);

    if (start == 0 && code == kRiff) a.riffSizeOffset = 4;
    if (code == kAvih && start + 48 <= end) {
      a.microSecPerFrameOffset = start + 8;
      a.totalFramesOffset = start + 24;
      a.streamsOffset = start + 32;
    }
    if (code == kStrh) RecordStreamHeader(a, file, start, end);
    bool movi = false;
    if (code == kList && start + 12 <= end) {
      movi = file.U32At(start + 8) == kMovi;
      if (movi && a.moviOffset == 0) a.moviOffset = start + 8;
    }
    if (code == kIndx) a.hasIndx = 1;
    if (code == kIdx1) CountIndexEntries(a, file, start, uint32_t(size), end);

    // Every chunk's inside is tried as a list of chunks; for data chunks this
    // fails at once on the first header test.
    if (!(movi && reach == Reach::OutsideMovi)) WalkRange(a, progress, file, start + 12, start + 8 + size, depth + 1, reach);

    start = start + 8 + size + (size & 1);
    if (start >= end) break;
  }
  return 1;
}

}  // namespace

int WalkChunks(AviAnalysis& a, WalkProgress& progress, ByteInput& file, uint64_t start, uint64_t end, int depth) {
  return WalkRange(a, progress, file, start, end, depth, Reach::Everything);
}

namespace {
std::atomic<bool> indexGuided{true};
}  // namespace

void GuideWalksByIndex(bool on) { indexGuided = on; }
bool WalksGuidedByIndex() { return indexGuided; }

void AnalyseFile(AviAnalysis& a, ByteInput& file, uint64_t size, WalkProgress progress) {
  ResetAnalysis(a);
  if (file.Descriptor() < 0 || !indexGuided) {
    WalkChunks(a, progress, file, 0, size, 0);
  } else {
    // A file on disk: its chunks' headers are read beforehand where its index
    // places them, and the walk reads its other bytes itself.
    AviAnalysis guess{};
    GuessAnalysis(guess, file, size);
    IndexedHeaders headers(file, guess);
    file.UseBeforehand(&headers);
    WalkChunks(a, progress, file, 0, size, 0);
    file.UseBeforehand(nullptr);
  }
  a.chunkBase = DetectChunkBase(a, file);
}

void GuessAnalysis(AviAnalysis& a, ByteInput& file, uint64_t size) {
  ResetAnalysis(a);
  WalkProgress quiet;
  WalkRange(a, quiet, file, 0, size, 0, Reach::OutsideMovi);
  a.chunkBase = DetectChunkBase(a, file);
}

bool SameAnalysis(const AviAnalysis& x, const AviAnalysis& y) {
  for (int n = 0; n < kMaxStreams; ++n) {
    const StreamEntry& s = x.streams[n];
    const StreamEntry& t = y.streams[n];
    if (s.lengthOffset != t.lengthOffset || s.suggestedBufferSizeOffset != t.suggestedBufferSizeOffset ||
        s.sampleSizeOffset != t.sampleSizeOffset || s.type != t.type || s.idx1EntryCount != t.idx1EntryCount ||
        s.rate != t.rate)
      return false;
  }
  return x.riffSizeOffset == y.riffSizeOffset && x.microSecPerFrameOffset == y.microSecPerFrameOffset &&
         x.totalFramesOffset == y.totalFramesOffset && x.streamsOffset == y.streamsOffset && x.hasIndx == y.hasIndx &&
         x.moviOffset == y.moviOffset && x.idx1Offset == y.idx1Offset && x.streamCount == y.streamCount &&
         x.idx1EntryTotal == y.idx1EntryTotal && x.firstVideoStream == y.firstVideoStream &&
         x.hasRecEntries == y.hasRecEntries && x.chunkBase == y.chunkBase;
}
