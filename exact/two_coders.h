// Work for two coders of one recording, on two cores: the job's thread and
// a thread of its own each take the next item in turn (heads to make, seams
// to check), each with a coder of its own. Only the job's thread speaks to
// the sink: FramesWatch counts the frames of both, shows them on the bar and
// stops both within a frame of a cancel.
//
//   FramesWatch watch(sink, [&](uint64_t done) { ...the bar... });
//   coder.Watch(&watch), second->Watch(&watch);
//   ShareWork(coder, second.get(), items, watch, [&](ExactCoder& c, size_t i) { ... });
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "exact/exact_coder.h"

class JobSink;

class FramesWatch : public ReencodeWatch {
 public:
  // show(done) draws the bar for `done` frames, on the job's thread only.
  FramesWatch(JobSink& sink, std::function<void(uint64_t)> show) : sink_(sink), show_(std::move(show)) {}
  bool FrameMade() override;  // on any thread
  // On the job's thread: the bar, and a cancel stops the work.
  void Look();
  bool Stopped() const { return stop_; }
  uint64_t Done() const { return done_; }

 private:
  JobSink& sink_;
  const std::function<void(uint64_t)> show_;
  const std::thread::id jobThread_ = std::this_thread::get_id();
  std::atomic<uint64_t> done_{0};
  std::atomic<bool> stop_{false};
};

// Does work(coder, i) for every item i of 0 .. count - 1, the job's thread
// with `coder` and, when `second` is given (and a thread can be started), a
// thread of its own with it; items are taken in turn until none is left or
// the watch stops. The job's thread then waits for the other, looking at
// the watch.
void ShareWork(ExactCoder& coder, ExactCoder* second, size_t count, FramesWatch& watch,
               const std::function<void(ExactCoder&, size_t)>& work);

// A second coder of the recording when the machine has a second core;
// null otherwise (or when none can be made).
std::unique_ptr<ExactCoder> SecondCoder(ExactCoder& coder);
