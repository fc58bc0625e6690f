#include "io/read_ahead.h"

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unistd.h>

// One thread for the reader's lifetime; a request is handed over under the
// mutex and the thread answers through the same condition variable.
struct ReadAhead::Worker {
  std::mutex mutex;
  std::condition_variable changed;
  bool asked = false;  // a request waits for the thread
  bool busy = false;   // a request is not answered yet
  bool quit = false;
  int fd = -1;
  uint64_t position = 0;
  uint8_t* buffer = nullptr;
  size_t count = 0;
  size_t got = 0;
  std::thread thread;

  void Run() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      changed.wait(lock, [this] { return asked || quit; });
      if (quit) return;
      asked = false;
      lock.unlock();
      const size_t done = ReadFully();
      lock.lock();
      got = done;
      busy = false;
      changed.notify_all();
    }
  }

  size_t ReadFully() const {
    size_t done = 0;
    while (done < count) {
      const ssize_t n = pread(fd, buffer + done, count - done, off_t(position + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += size_t(n);
    }
    return done;
  }
};

ReadAhead::ReadAhead() = default;

ReadAhead::~ReadAhead() {
  if (!worker_) return;
  {
    std::lock_guard<std::mutex> lock(worker_->mutex);
    worker_->quit = true;
  }
  worker_->changed.notify_all();
  worker_->thread.join();  // the thread finishes a read under way first
}

bool ReadAhead::Start(int fd, uint64_t position, uint8_t* buffer, size_t count) {
  if (fd < 0) return false;
  if (!worker_) {
    try {
      worker_.reset(new Worker);
      worker_->thread = std::thread(&Worker::Run, worker_.get());
    } catch (...) {  // no thread to be had: the caller reads for itself
      worker_.reset();
      return false;
    }
  }
  Finish();  // one read at a time
  {
    std::lock_guard<std::mutex> lock(worker_->mutex);
    worker_->fd = fd;
    worker_->position = position;
    worker_->buffer = buffer;
    worker_->count = count;
    worker_->asked = true;
    worker_->busy = true;
  }
  worker_->changed.notify_all();
  return true;
}

size_t ReadAhead::Finish() {
  if (!worker_) return 0;
  std::unique_lock<std::mutex> lock(worker_->mutex);
  worker_->changed.wait(lock, [this] { return !worker_->busy; });
  return worker_->got;
}
