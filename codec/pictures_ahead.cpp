// Pictures decoded ahead on a thread of their own (codec/pictures_ahead.h).
#include "codec/pictures_ahead.h"

#include <system_error>

extern "C" {
#include <libavutil/frame.h>
}

namespace {
// Pictures decoded ahead at most: a 640x480 picture is 460 KB.
constexpr size_t kAhead = 4;
}  // namespace

PicturesAhead::PicturesAhead(PictureSource decode, uint32_t first, uint32_t count)
    : decode_(std::move(decode)), first_(first), count_(count) {
  if (count < 2 || std::thread::hardware_concurrency() < 2) return;
  try {
    thread_ = std::thread([this] { Decode(); });
  } catch (const std::system_error&) {
  }
}

PicturesAhead::~PicturesAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
  for (AVFrame* p : ready_) av_frame_free(&p);
}

AVFrame* PicturesAhead::DecodeOne(uint32_t n, std::string* why) {
  const AVFrame* made = decode_(n, why);
  if (!made) return nullptr;
  AVFrame* kept = av_frame_clone(made);  // holds the decoder's buffer; the decoder takes another
  if (!kept) *why = "no memory for a picture";
  return kept;
}

void PicturesAhead::Decode() {
  for (uint32_t i = 0; i < count_; ++i) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return stop_ || ready_.size() < kAhead; });
      if (stop_) return;
    }
    std::string why;
    AVFrame* picture = DecodeOne(first_ + i, &why);
    std::lock_guard<std::mutex> lock(mutex_);
    if (!picture) {
      failure_ = why, failed_ = true;
    } else {
      ready_.push_back(picture);
    }
    changed_.notify_all();
    if (failed_) return;
  }
}

AVFrame* PicturesAhead::Next(std::string* why) {
  if (taken_ >= count_) return *why = "no picture is left", nullptr;
  const uint32_t n = first_ + taken_++;
  if (!thread_.joinable()) return DecodeOne(n, why);
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !ready_.empty() || failed_; });
  if (ready_.empty()) return *why = failure_, nullptr;
  AVFrame* picture = ready_.front();
  ready_.pop_front();
  changed_.notify_all();
  return picture;
}
