// The preview's worker thread (ui/preview_worker.h): opens and analyses the
// file, lists its key frames, decodes the frames asked for and plans splits,
// posting each answer to the window.
#include "ui/preview_worker.h"

#include <objbase.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <functional>

#include "avi/avi_source.h"
#include "avi/fourcc.h"
#include "avi/odml_index.h"
#include "avi/walk_sink.h"
#include "split/split_job.h"
#include "ui/library_decoder.h"
#include "ui/preview_texts.h"

namespace {

// A frame larger than this is not read (an index may claim anything).
constexpr uint32_t kMaxFrameBytes = 64u << 20;
// The format chunk is read up to this size (a bitmap header, a palette, a codec's data).
constexpr uint32_t kMaxFormatBytes = 64u << 10;
// Frames fed after the one asked for to a decoder that gives its pictures
// late (Wine's H.264 decoder: one frame, and nothing when drained).
constexpr uint32_t kLookahead = 16;

// The walk's bar as the worker's progress, and its cancel when the window
// asks for another file or closes.
class OpeningSink : public WalkSink {
 public:
  template <class Post, class Stop>
  OpeningSink(Post post, Stop stop) : post_(post), stop_(stop) {}
  void Progress(int cells) override { post_(cells); }
  bool Cancelled() const override { return stop_(); }

 private:
  std::function<void(int)> post_;
  std::function<bool()> stop_;
};

// "H" "M" "S.ffffff" (trailing zeros dropped) for a time in microseconds.
void ClockFields(uint64_t micros, std::string* hours, std::string* minutes, std::string* seconds) {
  const uint64_t whole = micros / 1000000;
  char text[48];
  std::snprintf(text, sizeof text, "%" PRIu64, whole / 3600);
  *hours = text;
  std::snprintf(text, sizeof text, "%u", unsigned(whole / 60 % 60));
  *minutes = text;
  std::snprintf(text, sizeof text, "%u.%06u", unsigned(whole % 60), unsigned(micros % 1000000));
  std::string s = text;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  *seconds = s;
}

}  // namespace

struct PreviewWorker::Asks {
  uint64_t counter = 0;
  bool quit = false;
  bool open = false;
  std::string path;
  uint64_t openAsk = 0;
  bool frame = false;
  uint32_t frameNumber = 0;
  uint64_t frameAsk = 0;
  bool plan = false;
  TimeSplit time;
  uint64_t planAsk = 0;
  bool splitTime = false;
  uint32_t splitFrame = 0;
  uint64_t splitAsk = 0;
};

struct PreviewWorker::File {
  std::string path;
  AviSource source;
  AviAnalysis analysis{};
  std::shared_ptr<const KeyFrameList> keys;
  VideoFormat format;
  // FFmpeg's decoder through the codec room, else the system's (decoder).
  std::unique_ptr<LibraryDecoder> library;
  std::unique_ptr<FrameDecoder> decoder;
  std::unique_ptr<FrameCursor> cursor;
  std::vector<uint8_t> data;  // one frame's bytes
  // The run the decoder is in: from frame runStart, the last frame fed.
  bool fresh = true;  // nothing fed since the decoder was made
  bool running = false;
  uint32_t runStart = 0;
  bool fedAny = false;
  uint32_t lastFed = 0;
  uint64_t chunksFed = 0;  // by the system's decoder
};

PreviewWorker::PreviewWorker(HWND window, int englishUi)
    : window_(window), englishUi_(englishUi), asks_(new Asks) {
  thread_ = std::thread([this] { Run(); });
}

PreviewWorker::~PreviewWorker() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    asks_->quit = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

uint64_t PreviewWorker::Open(const std::string& path) {
  std::lock_guard<std::mutex> hold(lock_);
  Asks& a = *asks_;
  a.open = true;
  a.path = path;
  a.frame = a.plan = a.splitTime = false;
  a.openAsk = ++a.counter;
  wake_.notify_all();
  return a.openAsk;
}

uint64_t PreviewWorker::ShowFrame(uint32_t frame) {
  std::lock_guard<std::mutex> hold(lock_);
  Asks& a = *asks_;
  a.frame = true;
  a.frameNumber = frame;
  a.frameAsk = ++a.counter;
  wake_.notify_all();
  return a.frameAsk;
}

uint64_t PreviewWorker::Plan(const TimeSplit& time) {
  std::lock_guard<std::mutex> hold(lock_);
  Asks& a = *asks_;
  a.plan = true;
  a.time = time;
  a.planAsk = ++a.counter;
  wake_.notify_all();
  return a.planAsk;
}

uint64_t PreviewWorker::FindSplitTime(uint32_t frame) {
  std::lock_guard<std::mutex> hold(lock_);
  Asks& a = *asks_;
  a.splitTime = true;
  a.splitFrame = frame;
  a.splitAsk = ++a.counter;
  wake_.notify_all();
  return a.splitAsk;
}

void PreviewWorker::Post(PreviewResult* result) {
  if (!PostMessageW(window_, kPreviewResult, 0, reinterpret_cast<LPARAM>(result))) delete result;
}

bool PreviewWorker::OpenPending() {
  std::lock_guard<std::mutex> hold(lock_);
  return asks_->quit || asks_->open;
}

void PreviewWorker::Run() {
  // Media Foundation's decoders are COM objects of this thread.
  const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  for (;;) {
    std::unique_lock<std::mutex> held(lock_);
    Asks& a = *asks_;
    wake_.wait(held, [&] { return a.quit || a.open || a.frame || a.plan || a.splitTime; });
    if (a.quit) break;
    if (a.open) {
      a.open = false;
      const std::string path = a.path;
      const uint64_t ask = a.openAsk;
      held.unlock();
      DoOpen(path, ask);
    } else if (a.plan) {
      a.plan = false;
      const TimeSplit time = a.time;
      const uint64_t ask = a.planAsk;
      held.unlock();
      DoPlan(time, ask);
    } else if (a.splitTime) {
      a.splitTime = false;
      const uint32_t frame = a.splitFrame;
      const uint64_t ask = a.splitAsk;
      held.unlock();
      DoSplitTime(frame, ask);
    } else {
      a.frame = false;
      const uint32_t frame = a.frameNumber;
      const uint64_t ask = a.frameAsk;
      held.unlock();
      DoFrame(frame, ask);
    }
  }
  file_.reset();  // the decoder goes before COM does
  if (com) CoUninitialize();
}

void PreviewWorker::DoOpen(const std::string& path, uint64_t ask) {
  file_.reset();
  {
    std::lock_guard<std::mutex> hold(pictureLock_);
    shown_ = Picture();
  }
  spare_ = Picture();
  std::unique_ptr<File> f(new File);
  f->path = path;
  PreviewResult* r = new PreviewResult;
  r->kind = PreviewResult::Kind::Opened;
  r->ask = ask;
  if (!f->source.Open(path.c_str())) {
    r->problem = &preview_text::kCannotOpen;
    r->problemDetail = f->source.File().OpenError();
    return Post(r);
  }
  if (f->source.File().U32At(0) != kRiff || f->source.File().U32At(8) != kAviForm) {
    r->problem = &preview_text::kNotAvi;
    return Post(r);
  }
  int shown = -1;
  OpeningSink sink(
      [&](int cells) {
        if (cells == shown) return;
        shown = cells;
        PreviewResult* p = new PreviewResult;
        p->ask = ask;
        p->cells = cells;
        Post(p);
      },
      [this] { return OpenPending(); });
  if (!f->source.Analyse(f->analysis, &sink, 0, 90)) {
    if (OpenPending()) return delete r;
    r->problem = &preview_text::kBrokenIndex;
    r->problemDetail = DescribeOdmlFault(f->source.Fault(), englishUi_);
    return Post(r);
  }
  if (OpenPending()) return delete r;
  std::shared_ptr<KeyFrameList> keys(new KeyFrameList);
  const FrameListProblem listed = ListKeyFrames(f->source, f->analysis, keys.get(), [this] { return !OpenPending(); });
  if (listed == FrameListProblem::Cancelled) return delete r;
  if (listed != FrameListProblem::None) {
    r->problem = FrameListProblemText(listed);
    r->problemIsCore = true;
    return Post(r);
  }
  f->keys = keys;
  ByteInput& input = f->source.Input();
  const StreamEntry& video = f->analysis.streams[f->analysis.firstVideoStream];
  if (video.lengthOffset >= 40) {
    const uint64_t strh = video.lengthOffset - 40;  // dwLength lies 32 bytes into the strh data
    f->format.stream = ReadStreamFormat(input, strh);
    const uint32_t strhSize = input.U32At(strh + 4);
    const uint64_t strf = strh + 8 + strhSize + (strhSize & 1);
    if (input.U32At(strf) == kStrf) {
      const uint32_t size = std::min(input.U32At(strf + 4), kMaxFormatBytes);
      f->format.strf.resize(size);
      f->format.strf.resize(input.ReadBulk(strf + 8, f->format.strf.data(), size));
    }
  }
  std::string why;
  f->library = LibraryDecoder::Open(f->source, f->analysis, *keys, &why);
  // The installed Video for Windows and Media Foundation decoders stay for
  // the codecs the library lacks.
  if (!f->library) f->decoder = OpenFrameDecoder(f->format, keys->frameMicros);
  f->cursor.reset(new FrameCursor(f->source, f->analysis));
  r->keys = keys;
  r->format = f->format.stream;
  if (f->library) r->decoderName = f->library->Name();
  if (f->decoder) r->decoderName = f->decoder->Name();
  file_ = std::move(f);
  Post(r);
}

void PreviewWorker::DoFrame(uint32_t frame, uint64_t ask) {
  if (!file_) return;
  PreviewResult::Drawn drawn = PreviewResult::Drawn::NoDecoder;
  if (file_->library) drawn = DecodeByLibrary(frame);
  if (file_->decoder && !Decode(frame, ask, &drawn)) return;  // a newer ask came first
  PreviewResult* r = new PreviewResult;
  r->kind = PreviewResult::Kind::Frame;
  r->ask = ask;
  r->drawn = drawn;
  r->chunksDecoded = file_->library ? file_->library->ChunksDecoded() : file_->chunksFed;
  if (!FindFrame(file_->source, file_->analysis, *file_->keys, frame, &r->frame)) {
    r->frame.frame = frame;
    r->drawn = PreviewResult::Drawn::Missing;
  }
  Post(r);
}

// The codec room keeps its decoder between asks: the next frame is one
// chunk more, any other is decoded from the key frame before it.
PreviewResult::Drawn PreviewWorker::DecodeByLibrary(uint32_t frame) {
  File& f = *file_;
  if (!f.library->Decode(frame, &spare_.width, &spare_.height, &spare_.pixels)) return PreviewResult::Drawn::Failed;
  std::lock_guard<std::mutex> hold(pictureLock_);
  std::swap(shown_, spare_);
  return PreviewResult::Drawn::Picture;
}

// Feeds the decoder from the key frame at or before frame (or on from the
// run it is in) up to frame; moves on to a newer frame of the same run when
// one is asked for meanwhile. False when a newer ask made the run useless.
bool PreviewWorker::Decode(uint32_t& frame, uint64_t& ask, PreviewResult::Drawn* drawn) {
  File& f = *file_;
  const KeyFrameList& keys = *f.keys;
  const int key = keys.KeyAtOrBefore(frame);
  const FrameEntry& start = key >= 0 ? keys.keys[size_t(key)] : keys.first;
  const bool goOn = f.decoder->Continues() && f.running && f.runStart == start.frame && f.fedAny &&
                    f.lastFed <= frame;
  if (!goOn) {
    // A key frame after everything fed starts a run as it is: no decoder
    // needs to forget first (and Media Foundation's is not made anew).
    const bool forward = f.running && f.fedAny && start.frame > f.lastFed;
    if (!forward && !f.fresh) f.decoder->Restart();
    f.fresh = false;
    f.cursor->Start(start);
    f.running = true;
    f.runStart = start.frame;
    f.fedAny = false;
  }
  *drawn = PreviewResult::Drawn::Failed;
  f.decoder->Aim(frame);
  Picture picture;
  bool pictured = false;
  uint32_t lookahead = 0;
  for (;;) {
    if (f.fedAny && f.lastFed >= frame) {
      // A decoder that gives its pictures late gets a few more frames.
      const bool last = f.decoder->Continues() || lookahead == kLookahead;
      pictured = f.decoder->Finish(frame, &picture, last);
      if (pictured || last) break;
      ++lookahead;
    }
    FrameEntry e;
    bool read = f.cursor->Next(&e) && e.size <= kMaxFrameBytes;
    if (read) {
      f.data.resize(e.size);
      read = f.source.Input().ReadBulk(e.DataPosition(), f.data.data(), e.size) == e.size;
    }
    if (!read && f.fedAny && f.lastFed >= frame) {  // the end of the file: what the decoder still holds
      pictured = f.decoder->Finish(frame, &picture, true);
      break;
    }
    if (!read || !f.decoder->Feed(f.data.data(), e.size, e.key, e.frame)) {
      f.running = false;
      return true;
    }
    f.fedAny = true;
    f.lastFed = e.frame;
    ++f.chunksFed;
    std::lock_guard<std::mutex> hold(lock_);
    Asks& a = *asks_;
    if (a.quit || a.open) return false;
    if (a.plan || a.splitTime) {
      // Those go first; this frame is asked for again after them.
      if (!a.frame) a.frame = true, a.frameNumber = frame, a.frameAsk = ask;
      return false;
    }
    if (a.frame) {
      const bool sameRun = f.decoder->Continues() && keys.KeyAtOrBefore(a.frameNumber) == key &&
                           a.frameNumber >= f.lastFed;
      if (!sameRun) return false;
      frame = a.frameNumber;
      ask = a.frameAsk;
      a.frame = false;
      f.decoder->Aim(frame);
    }
  }
  if (!pictured) return true;
  {
    std::lock_guard<std::mutex> hold(pictureLock_);
    shown_.width = picture.width;
    shown_.height = picture.height;
    shown_.pixels.swap(picture.pixels);
  }
  *drawn = PreviewResult::Drawn::Picture;
  return true;
}

void PreviewWorker::DoPlan(const TimeSplit& time, uint64_t ask) {
  if (!file_) return;
  const SplitSource source{file_->source.Input(), file_->analysis, file_->path};
  SplitPlan plan;
  PreviewResult* r = new PreviewResult;
  r->kind = PreviewResult::Kind::Plan;
  r->ask = ask;
  r->result = PlanSplit(source, time, plan);
  r->cutFrame = plan.splitFrame;
  r->secondStartFrame = plan.secondStartFrame;
  Post(r);
}

// Field texts that make the split cut at key frame `frame`, checked with the
// split's own reading of the fields and its own planning: the frame's time
// to the microsecond first, then a microsecond earlier and half a frame
// earlier (a time that conversions round past the frame).
void PreviewWorker::DoSplitTime(uint32_t frame, uint64_t ask) {
  if (!file_) return;
  PreviewResult* r = new PreviewResult;
  r->kind = PreviewResult::Kind::SplitTime;
  r->ask = ask;
  r->frame.frame = frame;
  const uint64_t micros = file_->keys->MicrosOf(frame);
  const uint64_t frameMicros = file_->keys->frameMicros;
  const SplitSource source{file_->source.Input(), file_->analysis, file_->path};
  for (uint64_t earlier : {uint64_t(0), uint64_t(1), frameMicros / 2}) {
    if (earlier > micros || micros - earlier == 0) continue;
    SplitRequest request;
    request.create = CreateMode::First;
    ClockFields(micros - earlier, &request.hours, &request.minutes, &request.seconds);
    TimeSplit time;
    SplitPlan plan;
    if (CheckOverlapField(request, &time) != SplitResult::Completed ||
        CheckTimeFields(request, &time) != SplitResult::Completed ||
        PlanSplit(source, time, plan) != SplitResult::Completed || plan.splitFrame != frame)
      continue;
    r->found = true;
    r->hours = request.hours;
    r->minutes = request.minutes;
    r->seconds = request.seconds;
    break;
  }
  Post(r);
}
