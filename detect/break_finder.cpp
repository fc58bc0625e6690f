// One read of the file for its breaks (detect/break_finder.h).
#include "detect/break_finder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

#include "avi/avi_source.h"
#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "avi/stream_format.h"
#include "avi/walk_sink.h"
#include "codec/luma_stream.h"
#include "codec/sound_decoder.h"
#include "codec/video_format.h"
#include "detect/frame_marks.h"
#include "detect/pcm_peaks.h"
#include "detect/picture_measure.h"
#include "detect/runs.h"
#include "detect/split_points.h"

namespace {

// -50 dBFS as a share of full scale.
const float kSilentPeak = float(std::pow(10.0, -50.0 / 20.0));
// More than any chunk of a real recording; a larger one is damage.
constexpr uint32_t kMaxChunk = 64u << 20;
// How often the walk reports progress and asks whether to go on.
constexpr uint32_t kAskEvery = 64;

// The sound: silent runs, by sample.
class SoundSide {
 public:
  explicit SoundSide(const StreamFormat& format) : format_(format), pcm_(format), silent_(0) {}

  bool Open(double minSeconds, std::string* why) {
    if (!pcm_.Readable()) {
      decoder_.reset(new SoundDecoder);
      if (!decoder_->Open(format_, why)) return false;
    }
    rate_ = decoder_ ? decoder_->SampleRate() : format_.samplesPerSec;
    if (rate_ == 0) {
      *why = "its sound stream has no sample rate";
      return false;
    }
    silent_ = RunFinder(uint64_t(std::ceil(minSeconds * rate_ - 1e-9)));
    return true;
  }
  void Take(const uint8_t* data, size_t size) {
    peaks_.clear();
    if (decoder_)
      decoder_->Decode(data, size, &peaks_);
    else
      pcm_.Add(data, size, &peaks_);
    Count();
  }
  void Finish() {
    peaks_.clear();
    if (decoder_) decoder_->Finish(&peaks_);
    Count();
    silent_.Finish();
  }
  // The sample that was the sound's first, before the decoder's delay.
  int64_t Delay() const { return decoder_ ? decoder_->Delay() : 0; }
  uint32_t Rate() const { return rate_; }
  std::string Reader() const { return decoder_ ? decoder_->DecoderName() : "PCM"; }
  const std::vector<Run>& Runs() const { return silent_.Runs(); }

 private:
  // The peaks as stretches of silent and sounding samples.
  void Count() {
    size_t i = 0;
    while (i < peaks_.size()) {
      const bool silent = peaks_[i] < kSilentPeak;
      size_t j = i + 1;
      while (j < peaks_.size() && (peaks_[j] < kSilentPeak) == silent) ++j;
      silent_.Add(sample_ + i, j - i, silent);
      i = j;
    }
    sample_ += peaks_.size();
  }

  StreamFormat format_;
  PcmPeaks pcm_;
  std::unique_ptr<SoundDecoder> decoder_;
  RunFinder silent_;
  std::vector<float> peaks_;
  uint64_t sample_ = 0;
  uint32_t rate_ = 0;
};

// The first "auds" stream (the analysis marks variable-rate sound, such as
// most MP3, as no sound stream of its own: it counts by strh).
int FirstSoundStream(const std::vector<StreamFormat>& formats) {
  for (size_t n = 0; n < formats.size(); ++n)
    if (formats[n].fccType == kAuds) return int(n);
  return -1;
}

std::string SizeText(int lowres) {
  static const char* const kSizes[] = {"full size", "1/2 size", "1/4 size", "1/8 size"};
  return kSizes[lowres >= 0 && lowres <= 3 ? lowres : 0];
}

// A chunk of the stream, as the index gives it.
struct ChunkAt {
  uint64_t data = 0;  // its first byte after the header
  uint32_t length = 0;
  uint32_t entry = 0;  // its index entry
  bool key = false;
};

// A chunk that could not be read, by index entry: the walk reports the
// first one in the file, as one pass in order would.
struct ReadFailure {
  int64_t entry = -1;
  std::string why;
  void Keep(uint32_t at, const std::string& reason) {
    if (entry < 0 || at < entry) entry = at, why = reason;
  }
};

// The file as one thread reads it: a reader of its own, or the walk's
// own reader shared under a lock (memory and computed bytes, such as an
// OpenDML file's flattened view, have no second reader).
struct ChunkReader {
  ByteInput& input;
  std::mutex* lock;  // null: a reader of its own
};

// A chunk the file cannot hold (a damaged index entry): false with *why.
bool Plausible(const ChunkAt& c, std::string* why) {
  if (c.length <= kMaxChunk) return true;
  *why = "the chunk at " + std::to_string(c.data - 8) + " claims " + std::to_string(c.length) + " bytes";
  return false;
}

// The bytes of a chunk into `to` (c.length bytes of room); false with
// *why when the file cannot give them.
bool ReadChunk(ByteInput& input, const ChunkAt& c, uint8_t* to, std::string* why) {
  if (c.data + c.length > input.Size() || input.ReadBulk(c.data, to, c.length) != c.length) {
    *why = input.Fault() ? "a read of the file failed"
                         : "the chunk at " + std::to_string(c.data - 8) + " (" + std::to_string(c.length) +
                               " bytes) runs past the end of the file: it is cut short";
    return false;
  }
  return true;
}

bool ReadChunk(ByteInput& input, const ChunkAt& c, std::vector<uint8_t>* bytes, std::string* why) {
  if (!Plausible(c, why)) return false;
  bytes->resize(c.length);
  return ReadChunk(input, c, bytes->data(), why);
}

bool ReadChunk(const ChunkReader& reader, const ChunkAt& c, std::vector<uint8_t>* bytes, std::string* why) {
  if (!reader.lock) return ReadChunk(reader.input, c, bytes, why);
  std::lock_guard<std::mutex> hold(*reader.lock);
  return ReadChunk(reader.input, c, bytes, why);
}

bool ReadChunk(const ChunkReader& reader, const ChunkAt& c, uint8_t* to, std::string* why) {
  if (!reader.lock) return ReadChunk(reader.input, c, to, why);
  std::lock_guard<std::mutex> hold(*reader.lock);
  return ReadChunk(reader.input, c, to, why);
}

// Frames first .. end - 1 decoded by a stream of their own (on a thread of
// their own when the walk has several), measured into marks.
class Stretch {
 public:
  Stretch(const std::vector<ChunkAt>& chunks, uint32_t first, uint32_t end, const BreakRequest& request)
      : chunks_(chunks), marks_(first, end, request.scenes), scenes_(request.scenes) {}

  // luma: opened, for this stretch alone while it runs.
  void Run(LumaStream& luma, const ChunkReader& input, const std::atomic<bool>& stop) {
    Decode(luma, input, stop);
    finished_ = true;
  }

  bool Finished() const { return finished_; }
  uint32_t Done() const { return done_.load(std::memory_order_relaxed); }
  bool Balanced() const { return balanced_; }
  const ReadFailure& Failure() const { return failure_; }
  const FrameMarks& Marks() const { return marks_; }

 private:
  void Decode(LumaStream& luma, const ChunkReader& input, const std::atomic<bool>& stop) {
    const LumaTaker take = [this](uint32_t frame, const LumaPlane& plane) {
      const PictureMeasure measure = MeasurePicture(plane, scenes_);
      marks_.Take(frame, measure, measure.black);
    };
    std::string why;
    for (uint32_t f = marks_.First(); f < marks_.End() && !stop; ++f) {
      const ChunkAt& c = chunks_[f];
      // Read straight into the decoder's packet: no copy on the way.
      uint8_t* buffer = Plausible(c, &why) ? luma.Buffer(c.length) : nullptr;
      if (buffer == nullptr && why.empty()) why = "out of memory";
      if (buffer == nullptr || !ReadChunk(input, c, buffer, &why)) {
        failure_.Keep(c.entry, why);
        return;
      }
      luma.SendBuffer(f, c.length, c.key, take);
      done_.store(f + 1 - marks_.First(), std::memory_order_relaxed);
    }
    if (stop) return;
    luma.Finish(take);
    balanced_ = luma.Balanced() && !marks_.Irregular();
  }

  const std::vector<ChunkAt>& chunks_;
  FrameMarks marks_;
  bool scenes_;
  std::atomic<uint32_t> done_{0};
  std::atomic<bool> finished_{false};
  bool balanced_ = false;
  ReadFailure failure_;
};

// How many stretches to decode at once: one per core, or what
// TAVRIN_DETECT_STRETCHES says (for tests that compare stretches with one
// pass, and for measuring).
int StretchCount(uint32_t frames) {
  if (const char* forced = std::getenv("TAVRIN_DETECT_STRETCHES")) {
    const int n = std::atoi(forced);
    if (n >= 1 && n <= 64) return n;
  }
  // Short files gain nothing from threads.
  constexpr uint32_t kShortest = 500;
  const unsigned cores = std::thread::hardware_concurrency();
  return frames >= kShortest ? int(cores < 1 ? 1 : cores > 8 ? 8 : cores) : 1;
}

// The whole walk: the index in order, each chunk read once. The sound is
// read on this thread while the video's stretches decode on theirs.
class BreakPass {
 public:
  BreakPass(AviSource& source, const AviAnalysis& analysis, const BreakRequest& request, WalkSink* sink)
      : input_(source.Input()), analysis_(analysis), request_(request), sink_(sink) {}
  ~BreakPass() { StopStretches(); }

  BreakStatus Walk(Breaks* breaks, std::string* why);

 private:
  bool OpenVideo(std::string* why);
  bool OpenSound(Breaks* breaks, std::string* why);
  void ListChunks();
  std::vector<uint32_t> Splits(LumaStream& probe);
  bool StartStretches(std::unique_ptr<LumaStream> probe, const std::vector<uint32_t>& starts, std::string* why);
  // Waits for the stretches, giving progress; false when cancelled.
  bool Wait();
  uint64_t FramesDone() const;
  void StopStretches();
  bool WalkSound();
  void Progress(uint64_t done, uint64_t total);
  // Every stretch's pictures paired with its chunks, or one stretch.
  bool Balanced() const;
  void JoinPictures();
  void Collect(Breaks* breaks) const;

  ByteInput& input_;
  const AviAnalysis& analysis_;
  const BreakRequest& request_;
  WalkSink* sink_;
  VideoFormat video_;
  std::string videoDecoder_;
  std::vector<ChunkAt> videoChunks_;
  std::vector<std::unique_ptr<Stretch>> stretches_;
  std::vector<std::unique_ptr<LumaStream>> decoders_;
  std::vector<std::unique_ptr<ByteInput>> inputs_;
  std::mutex inputLock_;  // for input_, which the sound and stretches without a reader share
  std::vector<std::thread> threads_;
  std::atomic<bool> stop_{false};
  RunFinder black_{1};
  std::vector<uint32_t> cuts_;
  int soundStream_ = -1;
  std::unique_ptr<SoundSide> sound_;
  std::vector<ChunkAt> soundChunks_;
  ReadFailure failure_;
  uint32_t frames_ = 0;
  int lastCells_ = -1;
};

bool BreakPass::OpenVideo(std::string* why) {
  if (!ReadVideoFormat(analysis_, input_, &video_) || video_.stream.rate == 0 || video_.stream.scale == 0) {
    *why = "the file has no video stream with a picture format and a frame rate";
    return false;
  }
  const double rate = double(video_.stream.rate) / video_.stream.scale;
  black_ = RunFinder(uint64_t(std::ceil(request_.minSeconds * rate - 1e-9)));
  return true;
}

bool BreakPass::OpenSound(Breaks* breaks, std::string* why) {
  const std::vector<StreamFormat> formats = ReadStreamFormats(analysis_, input_);
  soundStream_ = FirstSoundStream(formats);
  breaks->hasSound = soundStream_ >= 0;
  if (soundStream_ < 0) return true;
  const StreamFormat& format = formats[size_t(soundStream_)];
  sound_.reset(new SoundSide(format));
  return sound_->Open(request_.minSeconds, why);
}

void BreakPass::ListChunks() {
  const bool pictures = request_.black || request_.scenes;
  IndexReader index(input_, analysis_.idx1Offset, analysis_.idx1EntryTotal);
  for (uint32_t i = 0; i < index.Total(); ++i) {
    const IndexEntry e = index.At(i);
    const int stream = StreamOfCkid(e.ckid);
    const bool video = stream == analysis_.firstVideoStream;
    const bool sound = sound_ && stream == soundStream_;
    if (!(video && pictures) && !sound) {
      frames_ += video ? 1 : 0;
      continue;
    }
    const ChunkAt c{ChunkPosition(analysis_.chunkBase, e) + 8, e.length, i, (e.flags & kKeyFrameFlag) != 0};
    if (video) {
      videoChunks_.push_back(c);
      ++frames_;
    } else {
      soundChunks_.push_back(c);
    }
  }
}

std::vector<uint32_t> BreakPass::Splits(LumaStream& probe) {
  const int count = StretchCount(frames_);
  if (count < 2) return {0};
  if (probe.IntraOnly()) return ChooseSplits(frames_, count, [](uint32_t) { return true; });
  if (!probe.Mpeg4Part2()) return {0};
  std::vector<uint8_t> bytes;
  std::string ignored;
  const VopTypesOf vops = [&](uint32_t frame) {
    const ChunkAt& c = videoChunks_[frame];
    return ReadChunk(input_, c, &bytes, &ignored) ? VopTypes(bytes.data(), bytes.size()) : std::vector<int>();
  };
  return ChooseSplits(frames_, count, [&](uint32_t frame) {
    return videoChunks_[frame].key && Mpeg4StartsAlone(frame, frames_, vops);
  });
}

bool BreakPass::StartStretches(std::unique_ptr<LumaStream> probe, const std::vector<uint32_t>& starts,
                               std::string* why) {
  stop_ = false;
  stretches_.clear();
  decoders_.clear();
  inputs_.clear();
  for (size_t p = 0; p < starts.size(); ++p) {
    const uint32_t end = p + 1 < starts.size() ? starts[p + 1] : frames_;
    stretches_.emplace_back(new Stretch(videoChunks_, starts[p], end, request_));
    if (starts.size() == 1) {
      decoders_.push_back(std::move(probe));
    } else {
      decoders_.emplace_back(new LumaStream(video_));
      if (!decoders_.back()->Open(request_.lowres, 1, why)) return false;
    }
    inputs_.emplace_back(new ByteInput);
    if (!inputs_.back()->OpenDuplicate(input_)) inputs_.back().reset();
  }
  for (size_t p = 0; p < stretches_.size(); ++p) {
    const ChunkReader reader = inputs_[p] ? ChunkReader{*inputs_[p], nullptr} : ChunkReader{input_, &inputLock_};
    threads_.emplace_back([this, p, reader] { stretches_[p]->Run(*decoders_[p], reader, stop_); });
  }
  return true;
}

void BreakPass::Progress(uint64_t done, uint64_t total) {
  if (!sink_ || total == 0) return;
  const int cells = 10 + int(done * 90 / total);
  if (cells > lastCells_) sink_->Progress(lastCells_ = cells);
}

uint64_t BreakPass::FramesDone() const {
  uint64_t done = 0;
  for (const auto& s : stretches_) done += s->Done();
  return done;
}

bool BreakPass::Wait() {
  for (;;) {
    bool running = false;
    for (const auto& s : stretches_) running = running || !s->Finished();
    if (sink_ && sink_->Cancelled()) {
      StopStretches();
      return false;
    }
    Progress(FramesDone(), frames_);
    if (!running) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  for (std::thread& t : threads_) t.join();
  threads_.clear();
  return true;
}

void BreakPass::StopStretches() {
  stop_ = true;
  for (std::thread& t : threads_) t.join();
  threads_.clear();
}

bool BreakPass::WalkSound() {
  std::vector<uint8_t> bytes;
  std::string why;
  const ChunkReader reader{input_, &inputLock_};
  for (size_t i = 0; i < soundChunks_.size(); ++i) {
    if (i % kAskEvery == 0 && sink_) {
      if (sink_->Cancelled()) return false;
      // The pictures take longer: they give the progress when there are any.
      if (stretches_.empty())
        Progress(i, soundChunks_.size());
      else
        Progress(FramesDone(), frames_);
    }
    const ChunkAt& c = soundChunks_[i];
    if (!ReadChunk(reader, c, &bytes, &why)) {
      failure_.Keep(c.entry, why);
      return true;
    }
    sound_->Take(bytes.data(), bytes.size());
  }
  sound_->Finish();
  return true;
}

BreakStatus BreakPass::Walk(Breaks* breaks, std::string* why) {
  if (analysis_.idx1Offset == 0) {
    *why = "the file has no index (idx1): tavrin repair can rebuild it";
    return BreakStatus::Failed;
  }
  const bool pictures = request_.black || request_.scenes;
  std::unique_ptr<LumaStream> probe;
  if (pictures) {
    if (!OpenVideo(why)) return BreakStatus::Failed;
    probe.reset(new LumaStream(video_));
    if (!probe->Open(request_.lowres, 0, why)) return BreakStatus::Failed;
    videoDecoder_ = probe->DecoderName() + " at " + SizeText(probe->Lowres());
  }
  if (request_.silence && !OpenSound(breaks, why)) return BreakStatus::Failed;
  ListChunks();
  if (pictures) {
    const std::vector<uint32_t> starts = Splits(*probe);
    if (!StartStretches(std::move(probe), starts, why)) {
      StopStretches();
      return BreakStatus::Failed;
    }
  }
  if (sound_ && !WalkSound()) {
    StopStretches();
    return BreakStatus::Cancelled;
  }
  if (pictures && !Wait()) return BreakStatus::Cancelled;
  for (const auto& s : stretches_) {
    if (s->Failure().entry >= 0) failure_.Keep(uint32_t(s->Failure().entry), s->Failure().why);
  }
  if (failure_.entry >= 0) {
    *why = failure_.why;
    return BreakStatus::Failed;
  }
  if (pictures && !Balanced()) {
    // A stretch's pictures did not pair one to one with its chunks (a
    // damaged chunk, a VOP the decoder swallows, a split that needed the
    // picture before after all): its frames could be numbered otherwise
    // than in one pass, which is what counts. The video once more, whole.
    probe.reset(new LumaStream(video_));
    if (!probe->Open(request_.lowres, 0, why) || !StartStretches(std::move(probe), {0}, why)) {
      StopStretches();
      return BreakStatus::Failed;
    }
    if (!Wait()) return BreakStatus::Cancelled;
    if (stretches_[0]->Failure().entry >= 0) {
      *why = stretches_[0]->Failure().why;  // the file changed since
      return BreakStatus::Failed;
    }
  }
  if (pictures) JoinPictures();
  if (sink_) sink_->Progress(100);
  Collect(breaks);
  return BreakStatus::Ok;
}

bool BreakPass::Balanced() const {
  if (stretches_.size() < 2) return true;
  for (const auto& s : stretches_)
    if (!s->Balanced()) return false;
  return true;
}

void BreakPass::JoinPictures() {
  std::vector<const FrameMarks*> marks;
  for (const auto& s : stretches_) marks.push_back(&s->Marks());
  JoinMarks(marks, &black_, &cuts_);
  black_.Finish();
}

void BreakPass::Collect(Breaks* breaks) const {
  breaks->frames = frames_;
  if (!stretches_.empty()) {
    breaks->videoDecoder = videoDecoder_;
    if (stretches_.size() > 1) breaks->videoDecoder += " in " + std::to_string(stretches_.size()) + " stretches at once";
    const double scale = double(video_.stream.scale) / video_.stream.rate;
    if (request_.black)
      for (const Run& run : black_.Runs()) {
        BlackRange range;
        range.firstFrame = uint32_t(run.first);
        range.frames = uint32_t(run.count);
        range.start = run.first * scale;
        range.end = (run.first + run.count) * scale;
        breaks->black.push_back(range);
      }
    if (request_.scenes)
      for (uint32_t frame : cuts_) breaks->scenes.push_back(SceneChange{frame, frame * scale});
  }
  if (sound_) {
    breaks->soundReader = sound_->Reader();
    const double rate = sound_->Rate();
    for (const Run& run : sound_->Runs()) {
      const int64_t first = std::max<int64_t>(0, int64_t(run.first) - sound_->Delay());
      const int64_t end = std::max<int64_t>(0, int64_t(run.first + run.count) - sound_->Delay());
      breaks->silence.push_back(TimedRange{first / rate, end / rate});
    }
  }
}

}  // namespace

BreakStatus FindBreaks(AviSource& source, const AviAnalysis& analysis, const BreakRequest& request, WalkSink* sink,
                       Breaks* breaks, std::string* why) {
  *breaks = Breaks();
  BreakPass pass(source, analysis, request, sink);
  return pass.Walk(breaks, why);
}
