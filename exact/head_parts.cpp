// The exact cut's heads made on two cores (exact/head_parts.h).
#include "exact/head_parts.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "avi/byte_input.h"
#include "exact/scratch_file.h"
#include "job/job_sink.h"

namespace {

// The code of the video's chunks ("00dc").
uint32_t VideoCkid(int stream) {
  return uint32_t('0' + stream / 10) | uint32_t('0' + stream % 10) << 8 | uint32_t('d') << 16 | uint32_t('c') << 24;
}

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

bool MakeParts(ExactWork& work, const std::vector<ExactHead>& heads, int span, std::vector<HeadPart>* parts,
               std::vector<std::string>* failures) {
  uint64_t total = 0;
  for (const ExactHead& h : heads) total += h.Made();
  HeadsWatch watch(work.sink, total, span);
  std::unique_ptr<ExactCoder> other = SecondCoder(work.coder, heads);
  *parts = PartsOf(work, heads, other != nullptr);
  failures->assign(parts->size(), std::string());
  std::atomic<size_t> next{0};
  work.coder.Watch(&watch);
  {
    std::unique_ptr<SecondEncoder> second;
    // Without a thread (none can be started) the job's thread makes every part.
    try {
      if (other) second.reset(new SecondEncoder(std::move(other), work, *parts, &next, watch, failures));
    } catch (const std::system_error&) {
    }
    EncodeParts(work.coder, work, *parts, &next, watch, failures);
    if (second) second->Join();
  }
  work.coder.Watch(nullptr);
  watch.Look();
  return !watch.Stopped();
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
