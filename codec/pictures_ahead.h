// Pictures decoded ahead on a thread of their own: frames first ..
// first + count - 1 of a decoder that only that thread touches, handed over
// in order through a queue of a few pictures (memory stays a few frames),
// while the caller's thread does its own decoding beside it. Without a
// second core, or when no thread can be started, each picture is decoded
// when it is asked for.
//
//   PicturesAhead ahead([&](uint32_t n, std::string* why) { return video.Picture(n, why); }, first, count);
//   for (...) { AVFrame* p = ahead.Next(&why); ...; av_frame_free(&p); }
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

struct AVFrame;

// Frame n as the decoder made it (valid until the next call); null with *why.
using PictureSource = std::function<const AVFrame*(uint32_t n, std::string* why)>;

class PicturesAhead {
 public:
  PicturesAhead(PictureSource decode, uint32_t first, uint32_t count);
  ~PicturesAhead();  // stops the thread and frees what it left
  PicturesAhead(const PicturesAhead&) = delete;
  PicturesAhead& operator=(const PicturesAhead&) = delete;

  // The next picture, the caller's to free (av_frame_free); null with *why
  // when it cannot be decoded (or none is left).
  AVFrame* Next(std::string* why);

 private:
  void Decode();  // the thread's work
  AVFrame* DecodeOne(uint32_t n, std::string* why);

  PictureSource decode_;
  const uint32_t first_, count_;
  uint32_t taken_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<AVFrame*> ready_;
  std::string failure_;  // the thread stopped here (non-empty: no more pictures)
  bool failed_ = false;
  bool stop_ = false;
  std::thread thread_;
};
