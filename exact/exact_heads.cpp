// Re-encoding and trying the heads of an exact cut's ranges (exact/exact_heads.h).
#include "exact/exact_heads.h"

#include <algorithm>

#include "avi/avi_source.h"
#include "avi/fourcc.h"
#include "io/output_file.h"
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

// Writes the head's frames and the source's after them up to the key frame
// after the next (within the range) as a file of its own and compares it
// with the source; "" when the seam holds, else why.
std::string TrySeam(ExactWork& work, ExactHead& head) {
  const uint32_t copiedFrom = head.first + head.reencoded;
  uint32_t until = head.end;
  const int next = work.keys.KeyAfter(copiedFrom);
  if (next >= 0) until = std::min(until, work.keys.keys[size_t(next)].frame);
  ShareBuilder builder(work.source, work.frameMicros, work.videoFrames);
  builder.CountSamplesByRates(work.rate, work.scale);
  Piece piece = builder.Build(head.first, until, false);
  ApplyHead(head, work.source.analysis, &piece);
  OutputFile trial;
  if (!trial.Create(work.sideName + "-seam.avi")) return "the seam cannot be tried: " + trial.Reason();
  ShareWriting how;
  how.stretch = piece.stretch;
  how.bar.chunkSpan = how.bar.indexSpan = 0;
  const ShareOutput output{&piece.share, &trial};
  const WriteOutcome written = WriteShares(work.source, &output, 1, how, work.sink);
  int failed = -1;
  if (SplitResultOf(written, &failed) != SplitResult::Completed || !trial.Finish())
    return "the seam cannot be tried: its trial file was not written";
  ExactSeam seam{0, head.first, head.reencoded, until - copiedFrom};
  double lowest = 0;
  std::string why;
  if (!work.coder.CheckSeam(trial.TemporaryPath(), seam, &lowest, &why)) return why;
  head.lowestPsnr = std::min(head.lowestPsnr, lowest);
  return "";
}

// Makes one head's chunks; false with *why when the coder cannot.
bool MakeHead(ExactWork& work, ExactHead& head, std::string* why) {
  head.side = std::make_shared<OutputFile>();
  if (!head.side->Create(work.sideName + "-head.bin")) return *why = head.side->Reason(), false;
  auto swap = std::make_shared<ChunkSwap>();
  swap->stream = work.source.analysis.firstVideoStream;
  swap->first = head.first;
  const uint32_t ckid = work.source.analysis.streams[size_t(swap->stream)].type == StreamVideo
                            ? (uint32_t('0' + swap->stream / 10) | uint32_t('0' + swap->stream % 10) << 8 |
                               uint32_t('d') << 16 | uint32_t('c') << 24)
                            : 0;
  if (!work.coder.Reencode(head.first, head.first + head.reencoded, ckid, *head.side, &swap->chunks, &head.lowestPsnr,
                           why))
    return false;
  if (!head.side->Finish()) return *why = head.side->Reason(), false;
  auto input = std::make_shared<ByteInput>();
  if (!input->Open(head.side->TemporaryPath().c_str())) return *why = "the re-encoded frames cannot be read back", false;
  swap->input = input;
  std::vector<uint32_t> sizes;
  if (!SourceSizes(work.avi, work.source.analysis, work.keys, head.first, head.reencoded, &sizes))
    return *why = "the source's frames cannot be listed", false;
  head.moviChange = 0;
  for (size_t i = 0; i < sizes.size(); ++i)
    head.moviChange += int64_t(ChunkSpace(swap->chunks[i].bytes)) - int64_t(ChunkSpace(sizes[i]));
  head.swap = swap;
  return true;
}

}  // namespace

uint32_t HeadFrames(uint32_t first, uint32_t end, const KeyFrameList& keys, bool intraOnly) {
  if (intraOnly || first >= end || keys.IsKey(first)) return 0;
  const int next = keys.KeyAfter(first);
  const uint32_t to = next >= 0 ? std::min(end, keys.keys[size_t(next)].frame) : end;
  return to - first;
}

bool ReencodeHeads(ExactWork& work, std::vector<ExactHead>& heads, int span, std::string* why) {
  uint64_t total = 0, done = 0;
  for (const ExactHead& h : heads) total += h.reencoded;
  for (ExactHead& head : heads) {
    if (head.reencoded == 0) continue;
    if (work.sink.Cancelled()) return why->clear(), false;
    std::string failure;
    if (MakeHead(work, head, &failure)) failure = TrySeam(work, head);
    if (!failure.empty()) {
      // The seam does not hold: the range starts on the key frame before.
      head.exact = false;
      head.why = failure;
      head.swap.reset();
      head.side.reset();
      head.moviChange = 0;
    }
    done += head.reencoded;
    work.sink.Progress(10 + int(span * done / (total ? total : 1)));
  }
  return true;
}

void ApplyHead(const ExactHead& head, const AviAnalysis& analysis, Piece* piece) {
  if (!head.swap) return;
  StreamShare& video = piece->share.streams[size_t(analysis.firstVideoStream)];
  video.moviBytes = uint64_t(int64_t(video.moviBytes) + head.moviChange);
  piece->share.swap = head.swap;
  piece->plannedBytes = ShareFileBytes(analysis, piece->share);
}
