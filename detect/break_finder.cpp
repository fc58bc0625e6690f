// One read of the file for its breaks (detect/break_finder.h).
#include "detect/break_finder.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "avi/avi_source.h"
#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "avi/stream_format.h"
#include "avi/walk_sink.h"
#include "codec/luma_stream.h"
#include "codec/sound_decoder.h"
#include "codec/video_format.h"
#include "detect/pcm_peaks.h"
#include "detect/picture_measure.h"
#include "detect/runs.h"
#include "detect/scene_cuts.h"

namespace {

constexpr double kBlackShare = 0.98;
// -50 dBFS as a share of full scale.
const float kSilentPeak = float(std::pow(10.0, -50.0 / 20.0));
// More than any chunk of a real recording; a larger one is damage.
constexpr uint32_t kMaxChunk = 64u << 20;
// How often the walk reports progress and asks whether to go on.
constexpr uint32_t kAskEvery = 64;

// The pictures: black runs and cuts, by frame.
class PictureSide {
 public:
  PictureSide(const BreakRequest& request, uint64_t shortestRun)
      : request_(request), black_(shortestRun) {}

  void Take(uint32_t frame, const LumaPlane& luma) {
    const PictureMeasure measure = MeasurePicture(luma, request_.scenes);
    const bool black = measure.darkShare >= kBlackShare;
    // Frames without a picture of their own (dropped) show the one before.
    if (shown_ >= 0 && frame > uint32_t(shown_) + 1) black_.Add(uint64_t(shown_) + 1, frame - uint64_t(shown_) - 1, lastBlack_);
    black_.Add(frame, 1, black);
    if (request_.scenes) scenes_.Add(frame, measure);
    shown_ = frame;
    lastBlack_ = black;
  }
  void Finish(uint32_t frames) {
    if (shown_ >= 0 && frames > uint32_t(shown_) + 1) black_.Add(uint64_t(shown_) + 1, frames - uint64_t(shown_) - 1, lastBlack_);
    black_.Finish();
  }
  const std::vector<Run>& BlackRuns() const { return black_.Runs(); }
  const std::vector<uint32_t>& Cuts() const { return scenes_.Cuts(); }

 private:
  const BreakRequest& request_;
  RunFinder black_;
  SceneCutFinder scenes_;
  int64_t shown_ = -1;
  bool lastBlack_ = false;
};

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

// The whole walk: the index in order, each chunk read once.
class BreakPass {
 public:
  BreakPass(AviSource& source, const AviAnalysis& analysis, const BreakRequest& request, WalkSink* sink)
      : source_(source), input_(source.Input()), analysis_(analysis), request_(request), sink_(sink) {}

  BreakStatus Walk(Breaks* breaks, std::string* why);

 private:
  bool OpenVideo(std::string* why);
  bool OpenSound(Breaks* breaks, std::string* why);
  // The bytes of the chunk an entry points at; false with *why when the file cannot give them.
  bool ReadChunk(const IndexEntry& e, std::string* why);
  void Collect(Breaks* breaks) const;

  AviSource& source_;
  ByteInput& input_;
  const AviAnalysis& analysis_;
  const BreakRequest& request_;
  WalkSink* sink_;
  VideoFormat video_;
  std::unique_ptr<LumaStream> luma_;
  std::unique_ptr<PictureSide> pictures_;
  int soundStream_ = -1;
  std::unique_ptr<SoundSide> sound_;
  std::vector<uint8_t> chunk_;
  uint32_t frames_ = 0;
};

bool BreakPass::OpenVideo(std::string* why) {
  if (!ReadVideoFormat(analysis_, input_, &video_) || video_.stream.rate == 0 || video_.stream.scale == 0) {
    *why = "the file has no video stream with a picture format and a frame rate";
    return false;
  }
  luma_.reset(new LumaStream(video_));
  if (!luma_->Open(request_.lowres, why)) return false;
  const double rate = double(video_.stream.rate) / video_.stream.scale;
  pictures_.reset(new PictureSide(request_, uint64_t(std::ceil(request_.minSeconds * rate - 1e-9))));
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

bool BreakPass::ReadChunk(const IndexEntry& e, std::string* why) {
  const uint64_t data = ChunkPosition(analysis_.chunkBase, e) + 8;
  const std::string which = "the chunk at " + std::to_string(data - 8);
  if (e.length > kMaxChunk) {
    *why = which + " claims " + std::to_string(e.length) + " bytes";
    return false;
  }
  chunk_.resize(e.length);
  if (data + e.length > input_.Size() || input_.ReadBulk(data, chunk_.data(), e.length) != e.length) {
    *why = source_.File().Fault() ? "a read of the file failed"
                                  : which + " (" + std::to_string(e.length) + " bytes) runs past the end of the file: it is cut short";
    return false;
  }
  return true;
}

BreakStatus BreakPass::Walk(Breaks* breaks, std::string* why) {
  if (analysis_.idx1Offset == 0) {
    *why = "the file has no index (idx1): tavrin repair can rebuild it";
    return BreakStatus::Failed;
  }
  const bool pictures = request_.black || request_.scenes;
  if (pictures && !OpenVideo(why)) return BreakStatus::Failed;
  if (request_.silence && !OpenSound(breaks, why)) return BreakStatus::Failed;
  const LumaTaker take = [this](uint32_t frame, const LumaPlane& luma) { pictures_->Take(frame, luma); };
  IndexReader index(input_, analysis_.idx1Offset, analysis_.idx1EntryTotal);
  int lastCells = -1;
  for (uint32_t i = 0; i < index.Total(); ++i) {
    if (i % kAskEvery == 0 && sink_) {
      if (sink_->Cancelled()) return BreakStatus::Cancelled;
      const int cells = int(uint64_t(i) * 100 / index.Total());
      if (cells != lastCells) sink_->Progress(lastCells = cells);
    }
    const IndexEntry e = index.At(i);
    const int stream = StreamOfCkid(e.ckid);
    const bool video = stream == analysis_.firstVideoStream;
    const bool sound = sound_ && stream == soundStream_;
    if (!(video && luma_) && !sound) {
      frames_ += video ? 1 : 0;
      continue;
    }
    if (!ReadChunk(e, why)) return BreakStatus::Failed;
    if (video) luma_->Send(frames_++, chunk_.data(), chunk_.size(), (e.flags & kKeyFrameFlag) != 0, take);
    if (sound) sound_->Take(chunk_.data(), chunk_.size());
  }
  if (luma_) {
    luma_->Finish(take);
    pictures_->Finish(frames_);
  }
  if (sound_) sound_->Finish();
  if (sink_) sink_->Progress(100);
  Collect(breaks);
  return BreakStatus::Ok;
}

void BreakPass::Collect(Breaks* breaks) const {
  breaks->frames = frames_;
  if (luma_) {
    breaks->videoDecoder = luma_->DecoderName() + " at " + SizeText(luma_->Lowres());
    const double scale = double(video_.stream.scale) / video_.stream.rate;
    if (request_.black)
      for (const Run& run : pictures_->BlackRuns()) {
        BlackRange range;
        range.firstFrame = uint32_t(run.first);
        range.frames = uint32_t(run.count);
        range.start = run.first * scale;
        range.end = (run.first + run.count) * scale;
        breaks->black.push_back(range);
      }
    if (request_.scenes)
      for (uint32_t frame : pictures_->Cuts()) breaks->scenes.push_back(SceneChange{frame, frame * scale});
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
