// Re-encoding and trying the heads of an exact cut's ranges (exact/exact_heads.h).
#include "exact/exact_heads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "avi/avi_source.h"
#include "avi/fourcc.h"
#include "exact/scratch_file.h"
#include "job/job_sink.h"
#include "share/output_share.h"

namespace {

// Copied frames decoded after each seam.
constexpr uint32_t kCopiedChecked = 12;

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

// Writes the head's frames and the source's after them (a few, up to the
// next key frame, within the range) as a file of its own, decodes it and
// compares the copied frames with the source's; "" when the seam holds,
// else why.
std::string TrySeam(ExactWork& work, ExactHead& head) {
  const uint32_t copiedFrom = head.first + head.reencoded;
  // Up to the next key frame (at most), before the tail.
  uint32_t until = head.tailFrames ? head.tailFrom : head.end;
  const int next = work.keys.KeyAfter(copiedFrom);
  if (next >= 0) until = std::min(until, work.keys.keys[size_t(next)].frame);
  if (until <= copiedFrom) until = head.tailFrames ? head.tailFrom : head.end;
  // The copied frames show at once whether the decoder reads them as the
  // source's: a mismatch carries on to the next key frame. The frames made
  // anew are measured against the source's pictures as they are made.
  until = std::min(until, copiedFrom + kCopiedChecked);
  // With B-frames the trial ends before a chunk that is no B-frame, as a range's copy does.
  while (until < head.end && until > copiedFrom + 1 && work.coder.IsBFrame(until)) --until;
  ShareBuilder builder(work.source, work.frameMicros, work.videoFrames);
  builder.CountSamplesByRates(work.rate, work.scale);
  Piece piece = builder.Build(head.first, until, false);
  ApplyHead(head, work.source.analysis, &piece);
  ScratchFile trial;
  if (!trial.Create(work.sideName + "-seam.avi")) return "the seam cannot be tried: " + trial.Reason();
  ShareWriting how;
  how.stretch = piece.stretch;
  how.bar.chunkSpan = how.bar.indexSpan = 0;
  const ShareOutput output{&piece.share, &trial};
  const WriteOutcome written = WriteShares(work.source, &output, 1, how, work.sink);
  int failed = -1;
  if (SplitResultOf(written, &failed) != SplitResult::Completed || !trial.Finish())
    return "the seam cannot be tried: its trial file was not written";
  ExactSeam seam{head.reencoded, copiedFrom, 0, until - copiedFrom};
  double lowest = 0;
  std::string why;
  if (!work.coder.CheckSeam(trial.Path(), seam, &lowest, &why)) return why;
  head.lowestPsnr = std::min(head.lowestPsnr, lowest);
  return "";
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

// The code of the video's chunks ("00dc").
uint32_t VideoCkid(int stream) {
  return uint32_t('0' + stream / 10) | uint32_t('0' + stream % 10) << 8 | uint32_t('d') << 16 | uint32_t('c') << 24;
}

// A stretch of a head's frames made anew by one coder into a file of its
// own: a run of the head's swap, or (a long run split between two coders)
// the rest of the run of the part before it, starting with a key frame of its own.
struct HeadPart {
  size_t head = 0;
  uint32_t from = 0, to = 0;
  bool continues = false;  // goes on with the run of the part before
  std::shared_ptr<ScratchFile> file;
  std::vector<SwappedChunk> chunks;
  double lowest = 99;
};

// Encodes a part; touches nothing but the coder and the part, so that two
// parts can be made at once.
bool EncodePart(ExactCoder& coder, const ExactWork& work, HeadPart& part, std::string* why) {
  part.file = std::make_shared<ScratchFile>();
  if (!part.file->Create(work.sideName + "-head.bin")) return *why = part.file->Reason(), false;
  const uint32_t ckid = VideoCkid(work.source.analysis.firstVideoStream);
  if (!coder.Reencode(part.from, part.to, ckid, *part.file, &part.chunks, &part.lowest, why)) return false;
  if (!part.file->Finish()) return *why = part.file->Reason(), false;
  return true;
}

// The parts of the heads with frames to make, in order. When their number
// is odd and the stream has no B-frames, the longest run is split in two
// (the second half starting with a key frame of its own) so that both
// coders have as much to do; a head alone is then made on both cores.
std::vector<HeadPart> PartsOf(const ExactWork& work, const std::vector<ExactHead>& heads, bool twoCoders) {
  std::vector<HeadPart> parts;
  const auto add = [&](size_t head, uint32_t from, uint32_t to) {
    parts.emplace_back();
    parts.back().head = head, parts.back().from = from, parts.back().to = to;
  };
  for (size_t i = 0; i < heads.size(); ++i) {
    const ExactHead& h = heads[i];
    if (h.reencoded) add(i, h.first, h.first + h.reencoded);
    if (h.tailFrames) add(i, h.tailFrom, h.end);
  }
  constexpr uint32_t kShortestSplit = 50;  // frames: below, a second key frame costs more than it saves
  if (!twoCoders || work.bFrames || parts.size() % 2 == 0) return parts;
  size_t longest = 0;
  for (size_t i = 1; i < parts.size(); ++i)
    if (parts[i].to - parts[i].from > parts[longest].to - parts[longest].from) longest = i;
  HeadPart& whole = parts[longest];
  if (whole.to - whole.from < kShortestSplit) return parts;
  HeadPart rest = whole;
  rest.from = whole.to = whole.from + (whole.to - whole.from) / 2;
  rest.continues = true;
  parts.insert(parts.begin() + ptrdiff_t(longest) + 1, rest);
  return parts;
}

// Appends the bytes of a part's file to the head's side file, its chunks
// moved by where they land.
bool AppendPart(HeadPart& part, ScratchFile& side, SwapRun* run, std::string* why) {
  ByteInput input;
  if (!input.Open(part.file->Path().c_str())) return *why = "the re-encoded frames cannot be read back", false;
  const uint64_t base = side.Position();
  std::vector<uint8_t> buffer(1 << 20);
  for (uint64_t at = 0; at < input.Size();) {
    const size_t got = input.ReadBulk(at, buffer.data(), size_t(std::min<uint64_t>(buffer.size(), input.Size() - at)));
    if (got == 0) return *why = "the re-encoded frames cannot be read back", false;
    if (!side.Write(buffer.data(), got)) return *why = side.Reason(), false;
    at += got;
  }
  for (SwappedChunk c : part.chunks) {
    c.at += base;
    run->chunks.push_back(c);
  }
  return true;
}

// Puts a head's parts together in its side file, as the runs of its swap
// (the key frame not yet among them).
bool AssembleHead(const ExactWork& work, ExactHead& head, std::vector<HeadPart*>& parts, std::string* why) {
  head.side = std::make_shared<ScratchFile>();
  if (!head.side->Create(work.sideName + "-head.bin")) return *why = head.side->Reason(), false;
  auto swap = std::make_shared<ChunkSwap>();
  swap->stream = work.source.analysis.firstVideoStream;
  for (HeadPart* part : parts) {
    if (!part->continues) {
      swap->runs.emplace_back();
      swap->runs.back().first = part->from;
    }
    if (!AppendPart(*part, *head.side, &swap->runs.back(), why)) return false;
    part->file.reset();
    head.lowestPsnr = std::min(head.lowestPsnr == 0 ? 99.0 : head.lowestPsnr, part->lowest);
  }
  if (!head.side->Finish()) return *why = head.side->Reason(), false;
  head.swap = swap;
  return true;
}

// Completes an encoded head from the source's listing: the key frame after
// the frames shown before it, the side file opened for reading and each
// run's bytes against the source's.
bool ListHead(ExactWork& work, ExactHead& head, std::string* why) {
  ChunkSwap& swap = *head.swap;
  if (head.reencoded && head.moveKey) {
    FrameEntry key;
    if (!SourceChunk(work.avi, work.source.analysis, work.keys, head.keyChunk, &key))
      return *why = "the source's key frame cannot be listed", false;
    swap.runs[0].chunks.push_back(SwappedChunk{key.position, key.size, kKeyFrameFlag, true});
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

// The frames made, on the bar from 10 over span cells, and the cancel: only
// the thread that runs the job speaks to the sink; the other only counts,
// and stops once the job's thread has seen a cancel.
class HeadsWatch : public ReencodeWatch {
 public:
  HeadsWatch(JobSink& sink, uint64_t total, int span) : sink_(sink), total_(total ? total : 1), span_(span) {}

  bool FrameMade() override {
    ++made_;
    if (std::this_thread::get_id() == jobThread_) Look();
    return !stop_;
  }
  // Shows the frames made so far; stops the work on a cancel.
  void Look() {
    const int cells = 10 + int(span_ * std::min(made_.load(), total_) / total_);
    if (cells != shown_) sink_.Progress(shown_ = cells);
    if (sink_.Cancelled()) stop_ = true;
  }
  bool Stopped() const { return stop_; }

 private:
  JobSink& sink_;
  const uint64_t total_;
  const int span_;
  const std::thread::id jobThread_ = std::this_thread::get_id();
  std::atomic<uint64_t> made_{0};
  std::atomic<bool> stop_{false};
  int shown_ = -1;
};

// Encodes parts, taking them in turn from *next, until none is left or
// the watch stops; failures[i] says why part i could not be made.
void EncodeParts(ExactCoder& coder, const ExactWork& work, std::vector<HeadPart>& parts, std::atomic<size_t>* next,
                 const HeadsWatch& watch, std::vector<std::string>* failures) {
  for (size_t i = (*next)++; i < parts.size() && !watch.Stopped(); i = (*next)++)
    if (!EncodePart(coder, work, parts[i], &(*failures)[i]) && (*failures)[i].empty())
      (*failures)[i] = "the re-encode stopped";
}

// Runs EncodeParts on a second coder on a thread of its own, while the
// job's thread makes parts too and then waits, showing the bar.
class SecondEncoder {
 public:
  SecondEncoder(std::unique_ptr<ExactCoder> coder, const ExactWork& work, std::vector<HeadPart>& parts,
                std::atomic<size_t>* next, HeadsWatch& watch, std::vector<std::string>* failures)
      : coder_(std::move(coder)), watch_(watch) {
    coder_->Watch(&watch);
    thread_ = std::thread([this, &work, &parts, next, failures] {
      EncodeParts(*coder_, work, parts, next, watch_, failures);
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
      ended_.notify_all();
    });
  }
  ~SecondEncoder() { Join(); }
  SecondEncoder(const SecondEncoder&) = delete;
  SecondEncoder& operator=(const SecondEncoder&) = delete;

  void Join() {
    if (!thread_.joinable()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    while (!ended_.wait_for(lock, std::chrono::milliseconds(40), [this] { return done_; })) {
      lock.unlock();
      watch_.Look();
      lock.lock();
    }
    lock.unlock();
    thread_.join();
  }

 private:
  std::unique_ptr<ExactCoder> coder_;
  HeadsWatch& watch_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable ended_;
  bool done_ = false;
};

// A second coder when frames are to be made and the machine has a second
// core; null otherwise.
std::unique_ptr<ExactCoder> SecondCoder(ExactCoder& coder, const std::vector<ExactHead>& heads) {
  uint64_t made = 0;
  for (const ExactHead& h : heads) made += h.Made();
  if (made == 0 || std::thread::hardware_concurrency() < 2) return nullptr;
  return coder.Another();
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
  const auto leading = [&](uint32_t key) {
    uint32_t b = 0;
    while (key + 1 + b < keys.frames && coder.IsBFrame(key + 1 + b)) ++b;
    return b;
  };
  int k = keys.KeyAtOrBefore(h.first);
  uint32_t b = k >= 0 ? leading(keys.keys[size_t(k)].frame) : 0;
  if (k < 0 || keys.keys[size_t(k)].frame + b < h.first) {
    k = keys.KeyAfter(h.first);
    b = k >= 0 ? leading(keys.keys[size_t(k)].frame) : 0;
  }
  const uint32_t shown = k >= 0 ? keys.keys[size_t(k)].frame + b : h.end;
  if (shown >= h.end) {
    h.reencoded = h.end - h.first;  // no key frame shows inside the range: all made anew
    return;
  }
  h.reencoded = shown - h.first;
  h.keyChunk = keys.keys[size_t(k)].frame;
  h.moveKey = h.keyChunk != shown;
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
  uint64_t total = 0;
  for (const ExactHead& h : heads) total += h.Made();
  HeadsWatch watch(work.sink, total, span);
  std::unique_ptr<ExactCoder> other = SecondCoder(work.coder, heads);
  std::vector<HeadPart> parts = PartsOf(work, heads, other != nullptr);
  std::vector<std::string> failures(parts.size());
  std::atomic<size_t> next{0};
  work.coder.Watch(&watch);
  {
    std::unique_ptr<SecondEncoder> second;
    // Without a thread (none can be started) the job's thread makes every part.
    try {
      if (other) second.reset(new SecondEncoder(std::move(other), work, parts, &next, watch, &failures));
    } catch (const std::system_error&) {
    }
    EncodeParts(work.coder, work, parts, &next, watch, &failures);
    if (second) second->Join();
  }
  work.coder.Watch(nullptr);
  watch.Look();
  if (watch.Stopped()) return why->clear(), false;
  // The heads are put together and their seams tried one after another:
  // they write through the source.
  for (size_t i = 0; i < heads.size(); ++i) {
    ExactHead& head = heads[i];
    if (head.Made() == 0) continue;
    if (work.sink.Cancelled()) return why->clear(), false;
    std::string failure;
    std::vector<HeadPart*> own;
    for (size_t p = 0; p < parts.size(); ++p)
      if (parts[p].head == i) {
        own.push_back(&parts[p]);
        if (failure.empty()) failure = failures[p];
      }
    if (failure.empty() && AssembleHead(work, head, own, &failure) && ListHead(work, head, &failure))
      failure = TrySeam(work, head);
    if (!failure.empty()) {
      // The seam does not hold: the range starts on the key frame before.
      head.exact = false;
      head.why = failure;
      head.swap.reset();
      head.side.reset();
      head.moviChange[0] = head.moviChange[1] = 0;
    }
  }
  return true;
}

int ReencodeCells(const std::vector<ExactHead>& heads, uint64_t copied) {
  // A frame made anew costs about as much as 30 frames copied (640x480
  // MPEG-4 Visual at 4.8 Mbit/s: 0.5 ms a frame re-encoded on two cores,
  // 0.017 ms a frame copied).
  constexpr uint64_t kMadeCost = 30;
  uint64_t made = 0;
  for (const ExactHead& h : heads) made += h.Made();
  if (made == 0) return 0;
  const uint64_t cost = made * kMadeCost;
  return std::max(1, std::min(80, int(90 * cost / (cost + copied))));
}

void ApplyHead(const ExactHead& head, const AviAnalysis& analysis, Piece* piece) {
  if (!head.swap) return;
  StreamShare& video = piece->share.streams[size_t(analysis.firstVideoStream)];
  // Only the runs the piece holds whole (a trial ends before the tail).
  for (size_t r = 0; r < head.swap->runs.size(); ++r) {
    const SwapRun& run = head.swap->runs[r];
    if (run.first + run.chunks.size() <= piece->endFrame) video.moviBytes = uint64_t(int64_t(video.moviBytes) + head.moviChange[r]);
  }
  piece->share.swap = head.swap;
  piece->plannedBytes = ShareFileBytes(analysis, piece->share);
}
