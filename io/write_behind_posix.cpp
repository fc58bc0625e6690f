#include "io/write_behind.h"

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// One thread for the writer's lifetime, working through a queue of requests;
// a request's ticket is its place in the order of handing over.
struct WriteBehind::Worker {
  struct Request {
    std::FILE* file;
    const uint8_t* data;
    size_t count;
  };
  mutable std::mutex mutex;
  std::condition_variable changed;
  std::deque<Request> queue;
  uint64_t handedOver = 0;
  uint64_t done = 0;
  int error = 0;
  bool quit = false;
  std::thread thread;

  void Run() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      changed.wait(lock, [this] { return !queue.empty() || quit; });
      if (queue.empty()) return;  // quit, with nothing left to write
      const Request r = queue.front();
      const bool skip = error != 0;
      lock.unlock();
      int failure = 0;
      if (!skip && std::fwrite(r.data, 1, r.count, r.file) != r.count) failure = errno ? errno : EIO;
      lock.lock();
      queue.pop_front();
      if (failure != 0 && error == 0) error = failure;
      ++done;
      changed.notify_all();
    }
  }
};

WriteBehind::WriteBehind() = default;

WriteBehind::~WriteBehind() {
  if (!worker_) return;
  {
    std::lock_guard<std::mutex> lock(worker_->mutex);
    worker_->quit = true;
  }
  worker_->changed.notify_all();
  worker_->thread.join();  // the queue is written out first
}

uint64_t WriteBehind::Start(std::FILE* file, const uint8_t* data, size_t count) {
  if (!worker_) {
    try {
      worker_.reset(new Worker);
      worker_->thread = std::thread(&Worker::Run, worker_.get());
    } catch (...) {  // no thread to be had: the caller writes for itself
      worker_.reset();
      return 0;
    }
  }
  uint64_t ticket;
  {
    std::lock_guard<std::mutex> lock(worker_->mutex);
    worker_->queue.push_back({file, data, count});
    ticket = ++worker_->handedOver;
  }
  worker_->changed.notify_all();
  return ticket;
}

void WriteBehind::WaitFor(uint64_t ticket) {
  if (!worker_ || ticket == 0) return;
  std::unique_lock<std::mutex> lock(worker_->mutex);
  worker_->changed.wait(lock, [&] { return worker_->done >= ticket; });
}

void WriteBehind::WaitAll() {
  if (!worker_) return;
  std::unique_lock<std::mutex> lock(worker_->mutex);
  worker_->changed.wait(lock, [this] { return worker_->done >= worker_->handedOver; });
}

int WriteBehind::Error() const {
  if (!worker_) return 0;
  std::lock_guard<std::mutex> lock(worker_->mutex);
  return worker_->error;
}
