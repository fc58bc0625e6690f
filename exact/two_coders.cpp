// Work for two coders on two cores (exact/two_coders.h).
#include "exact/two_coders.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>

#include "job/job_sink.h"

bool FramesWatch::FrameMade() {
  ++done_;
  if (std::this_thread::get_id() == jobThread_) Look();
  return !stop_;
}

void FramesWatch::Look() {
  show_(done_);
  if (sink_.Cancelled()) stop_ = true;
}

void ShareWork(ExactCoder& coder, ExactCoder* second, size_t count, FramesWatch& watch,
               const std::function<void(ExactCoder&, size_t)>& work) {
  std::atomic<size_t> next{0};
  const auto take = [&](ExactCoder& c) {
    for (size_t i = next++; i < count && !watch.Stopped(); i = next++) work(c, i);
  };
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  std::thread other;
  // Without a thread (none can be started) the job's thread does every item.
  try {
    if (second && count > 1)
      other = std::thread([&] {
        take(*second);
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
        ended.notify_all();
      });
  } catch (const std::system_error&) {
  }
  take(coder);
  if (!other.joinable()) return;
  std::unique_lock<std::mutex> lock(mutex);
  while (!ended.wait_for(lock, std::chrono::milliseconds(40), [&] { return done; })) {
    lock.unlock();
    watch.Look();
    lock.lock();
  }
  lock.unlock();
  other.join();
}

std::unique_ptr<ExactCoder> SecondCoder(ExactCoder& coder) {
  if (std::thread::hardware_concurrency() < 2) return nullptr;
  return coder.Another();
}
