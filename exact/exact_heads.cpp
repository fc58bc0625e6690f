// Re-encoding the heads of an exact cut's ranges (exact/exact_heads.h).
#include "exact/exact_heads.h"

#include <algorithm>

#include "avi/avi_source.h"
#include "avi/fourcc.h"
#include "exact/head_parts.h"
#include "exact/scratch_file.h"
#include "job/job_sink.h"
#include "share/output_share.h"

namespace {

// The source's chunk sizes of frames first .. first + count - 1.
bool SourceSizes(AviSource& avi, const AviAnalysis& analysis, const KeyFrameList& keys, uint32_t first,
                 uint32_t count, std::vector<uint32_t>* sizes) {
  FrameCursor cursor(avi, analysis);
  const int key = keys.KeyAtOrBefore(first);
  cursor.Start(key >= 0 ? keys.keys[size_t(key)] : keys.first);
  FrameEntry e;
  while (sizes->size() < count && cursor.Next(&e))
    if (e.frame >= first) sizes->push_back(e.size);
  return sizes->size() == count;
}

// The source's chunk header and size of a frame.
bool SourceChunk(AviSource& avi, const AviAnalysis& analysis, const KeyFrameList& keys, uint32_t frame, FrameEntry* e) {
  FrameCursor cursor(avi, analysis);
  const int key = keys.KeyAtOrBefore(frame);
  cursor.Start(key >= 0 ? keys.keys[size_t(key)] : keys.first);
  while (cursor.Next(e))
    if (e->frame == frame) return true;
  return false;
}
// Completes an encoded head from the source's listing: the key frame after
// the frames shown before it, the side file opened for reading and each
// run's bytes against the source's.
bool ListHead(ExactWork& work, ExactHead& head, std::string* why) {
  ChunkSwap& swap = *head.swap;
  if (head.moveKey) {
    FrameEntry key;
    if (!SourceChunk(work.avi, work.source.analysis, work.keys, head.keyChunk, &key))
      return *why = "the source's key frame cannot be listed", false;
    // Nothing made before it (a key frame alone in its chunk moved to where it shows): a run of its own.
    if (!head.reencoded) {
      swap.runs.insert(swap.runs.begin(), SwapRun());
      swap.runs.front().first = head.first;
    }
    // Of a packed chunk, only the key frame's own picture.
    swap.runs[0].chunks.push_back(SwappedChunk{key.position, head.keyBytes ? head.keyBytes : key.size, kKeyFrameFlag, true});
  }
  auto input = std::make_shared<ByteInput>();
  if (!input->Open(head.side->Path().c_str())) return *why = "the re-encoded frames cannot be read back", false;
  swap.input = input;
  for (size_t r = 0; r < swap.runs.size(); ++r) {
    const SwapRun& run = swap.runs[r];
    std::vector<uint32_t> sizes;
    if (!SourceSizes(work.avi, work.source.analysis, work.keys, run.first, uint32_t(run.chunks.size()), &sizes))
      return *why = "the source's frames cannot be listed", false;
    head.moviChange[r] = 0;
    for (size_t i = 0; i < sizes.size(); ++i)
      head.moviChange[r] += int64_t(ChunkSpace(run.chunks[i].bytes)) - int64_t(ChunkSpace(sizes[i]));
  }
  return true;
}
}  // namespace

void PlanHead(ExactCoder& coder, const ExactStream& stream, const KeyFrameList& keys, ExactHead* head) {
  ExactHead& h = *head;
  if (stream.intraOnly || h.first >= h.end) return;
  if (!stream.bFrames) {
    if (keys.IsKey(h.first)) return;
    const int next = keys.KeyAfter(h.first);
    const uint32_t to = next >= 0 ? std::min(h.end, keys.keys[size_t(next)].frame) : h.end;
    h.reencoded = to - h.first;
    h.keyChunk = to;
    return;
  }
  // Chunks in decode order: the key frame's chunk is followed by the
  // B-frames shown before it, which need the group before. The key frame
  // whose own B-frames hold the first frame, else the next one.
  // Packed, the same holds chunk for frame: the key frame's chunk holds
  // the first B-frame too, then come the other B-frames and the filler
  // where the key frame shows; a key frame alone in its chunk shows there.
  const auto leading = [&](int k) {
    const FrameEntry& key = keys.keys[size_t(k)];
    if (stream.packed && coder.OwnFrameBytes(key.frame) >= key.size) return 0u;
    uint32_t b = 0;
    while (key.frame + 1 + b < keys.frames && coder.IsBFrame(key.frame + 1 + b)) ++b;
    return b;
  };
  int k = keys.KeyAtOrBefore(h.first);
  uint32_t b = k >= 0 ? leading(k) : 0;
  if (k < 0 || keys.keys[size_t(k)].frame + b < h.first) {
    k = keys.KeyAfter(h.first);
    b = k >= 0 ? leading(k) : 0;
  }
  const uint32_t shown = k >= 0 ? keys.keys[size_t(k)].frame + b : h.end;
  if (shown >= h.end) {
    h.reencoded = h.end - h.first;  // no key frame shows inside the range: all made anew
    return;
  }
  h.reencoded = shown - h.first;
  h.keyChunk = keys.keys[size_t(k)].frame;
  h.moveKey = h.keyChunk != shown;
  if (stream.packed && h.moveKey) h.keyBytes = coder.OwnFrameBytes(h.keyChunk);
  // The end: before a B-frame the chunks up to it hold later frames and
  // lack earlier ones; the copy ends at the last other chunk instead.
  if (h.end < keys.frames && coder.IsBFrame(h.end)) {
    uint32_t c = h.end;
    while (c > shown + 1 && coder.IsBFrame(c)) --c;
    h.tailFrom = c;
    h.tailFrames = h.end - c;
  }
}

bool ReencodeHeads(ExactWork& work, std::vector<ExactHead>& heads, int span, std::string* why) {
  std::vector<HeadPart> parts;
  std::vector<std::string> failures;
  if (!MakeParts(work, heads, span, &parts, &failures)) return why->clear(), false;
  // The heads are put together one after another: they read through the
  // source. Their seams are checked in the finished outputs (cut/cut_job.cpp).
  for (size_t i = 0; i < heads.size(); ++i) {
    ExactHead& head = heads[i];
    // A key frame moved to the range's first frame has a swap too.
    if (head.Made() == 0 && !head.moveKey) continue;
    if (work.sink.Cancelled()) return why->clear(), false;
    std::string failure;
    std::vector<HeadPart*> own;
    for (size_t p = 0; p < parts.size(); ++p)
      if (parts[p].head == i) {
        own.push_back(&parts[p]);
        // A full disk or a failing device is no reason to cut on the key
        // frame instead: the cut fails, as any writer does.
        if (parts[p].writeFault) return *why = failures[p], false;
        if (failure.empty()) failure = failures[p];
      }
    if (failure.empty() && !AssembleHead(work, head, own, &failure)) return *why = failure, false;
    if (failure.empty()) ListHead(work, head, &failure);
    if (!failure.empty()) {
      // The head cannot be made: the range starts on the key frame before.
      head.exact = false;
      head.why = failure;
      head.swap.reset();
      head.side.reset();
      head.moviChange[0] = head.moviChange[1] = 0;
    }
  }
  return true;
}

namespace {
// What a frame costs against one copied (640x480 MPEG-4 Visual at 4.8
// Mbit/s on two cores: 0.5 ms a frame re-encoded, 0.35 ms a frame checked
// (the output's and the source's decoded at once), 0.017 ms a frame copied).
constexpr uint64_t kMadeCost = 30;
constexpr uint64_t kCheckedCost = 20;

uint64_t FramesMade(const std::vector<ExactHead>& heads) {
  uint64_t made = 0;
  for (const ExactHead& h : heads) made += h.Made();
  return made;
}

// The cells of the 90 from 10 on that work of `cost` takes, the rest costing `all`.
int CellsOf(uint64_t cost, uint64_t all) { return cost ? std::max(1, std::min(80, int(90 * cost / all))) : 0; }
}  // namespace

int ReencodeCells(const std::vector<ExactHead>& heads, uint64_t copied) {
  const uint64_t made = FramesMade(heads);
  return CellsOf(made * kMadeCost, made * (kMadeCost + kCheckedCost) + copied);
}

int CheckCells(const std::vector<ExactHead>& heads, uint64_t copied) {
  const uint64_t made = FramesMade(heads);
  return std::min(CellsOf(made * kCheckedCost, made * (kMadeCost + kCheckedCost) + copied),
                  89 - ReencodeCells(heads, copied));
}

void ApplyHead(const ExactHead& head, const AviAnalysis& analysis, Piece* piece) {
  if (!head.swap) return;
  StreamShare& video = piece->share.streams[size_t(analysis.firstVideoStream)];
  // Only the runs the piece holds whole.
  for (size_t r = 0; r < head.swap->runs.size(); ++r) {
    const SwapRun& run = head.swap->runs[r];
    if (run.first + run.chunks.size() <= piece->endFrame) video.moviBytes = uint64_t(int64_t(video.moviBytes) + head.moviChange[r]);
  }
  piece->share.swap = head.swap;
  piece->plannedBytes = ShareFileBytes(analysis, piece->share);
}
