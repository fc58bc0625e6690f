#include "avi/background_walk.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "avi/byte_input.h"
#include "avi/walk_sink.h"

struct BackgroundWalk::Worker : WalkSink {
  ByteInput input;
  AviAnalysis analysis{};
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  std::thread thread;

  void Progress(int) override {}
  bool Cancelled() const override { return stop.load(std::memory_order_relaxed); }

  BackgroundWalk::Watcher watch;

  void Run() {
    WalkProgress progress;
    progress.sink = this;  // for stopping only: no total, so no reports
    if (watch) progress.visitor = watch(input);
    AnalyseFile(analysis, input, input.Size(), progress);
    std::lock_guard<std::mutex> lock(mutex);
    done = true;
    ended.notify_all();
  }
};

BackgroundWalk::BackgroundWalk() = default;

BackgroundWalk::~BackgroundWalk() {
  if (!worker_) return;
  worker_->stop = true;
  worker_->thread.join();
}

bool BackgroundWalk::Start(const ByteInput& file) {
  std::unique_ptr<Worker> worker(new Worker);
  if (!worker->input.OpenDuplicate(file)) return false;
  worker->watch = watch_;
  worker_ = std::move(worker);
  try {
    worker_->thread = std::thread(&Worker::Run, worker_.get());
  } catch (...) {
    worker_.reset();
    return false;
  }
  return true;
}

bool BackgroundWalk::Wait(AviAnalysis* analysis, const std::function<bool()>& keepWaiting) {
  if (!worker_) return false;
  std::unique_lock<std::mutex> lock(worker_->mutex);
  while (!worker_->done) {
    if (!keepWaiting()) {
      worker_->stop = true;
      return false;
    }
    worker_->ended.wait_for(lock, std::chrono::milliseconds(50));
  }
  *analysis = worker_->analysis;
  return true;
}
