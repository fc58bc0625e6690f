#include <windows.h>

#include <cerrno>
#include <deque>

#include "io/write_behind.h"

// The same as write_behind_posix.cpp on the system's own thread, lock and
// condition variable (the Windows build's C++ library has no std::thread).
struct WriteBehind::Worker {
  struct Request {
    std::FILE* file;
    const uint8_t* data;
    size_t count;
  };
  CRITICAL_SECTION lock;
  CONDITION_VARIABLE changed;
  std::deque<Request> queue;
  uint64_t handedOver = 0;
  uint64_t done = 0;
  int error = 0;
  bool quit = false;
  HANDLE thread = nullptr;

  Worker() {
    InitializeCriticalSection(&lock);
    InitializeConditionVariable(&changed);
  }
  ~Worker() { DeleteCriticalSection(&lock); }

  static DWORD WINAPI Main(void* self) {
    static_cast<Worker*>(self)->Run();
    return 0;
  }
  void Run() {
    EnterCriticalSection(&lock);
    for (;;) {
      while (queue.empty() && !quit) SleepConditionVariableCS(&changed, &lock, INFINITE);
      if (queue.empty()) break;  // quit, with nothing left to write
      const Request r = queue.front();
      const bool skip = error != 0;
      LeaveCriticalSection(&lock);
      int failure = 0;
      if (!skip && std::fwrite(r.data, 1, r.count, r.file) != r.count) failure = errno ? errno : EIO;
      EnterCriticalSection(&lock);
      queue.pop_front();
      if (failure != 0 && error == 0) error = failure;
      ++done;
      WakeAllConditionVariable(&changed);
    }
    LeaveCriticalSection(&lock);
  }
  void WaitUntil(uint64_t ticket) {
    EnterCriticalSection(&lock);
    while (done < ticket) SleepConditionVariableCS(&changed, &lock, INFINITE);
    LeaveCriticalSection(&lock);
  }
};

WriteBehind::WriteBehind() = default;

WriteBehind::~WriteBehind() {
  if (!worker_) return;
  EnterCriticalSection(&worker_->lock);
  worker_->quit = true;
  WakeAllConditionVariable(&worker_->changed);
  LeaveCriticalSection(&worker_->lock);
  WaitForSingleObject(worker_->thread, INFINITE);  // the queue is written out first
  CloseHandle(worker_->thread);
}

uint64_t WriteBehind::Start(std::FILE* file, const uint8_t* data, size_t count) {
  if (!worker_) {
    worker_.reset(new Worker);
    worker_->thread = CreateThread(nullptr, 0, &Worker::Main, worker_.get(), 0, nullptr);
    if (!worker_->thread) {  // no thread to be had: the caller writes for itself
      worker_.reset();
      return 0;
    }
  }
  EnterCriticalSection(&worker_->lock);
  worker_->queue.push_back({file, data, count});
  const uint64_t ticket = ++worker_->handedOver;
  WakeAllConditionVariable(&worker_->changed);
  LeaveCriticalSection(&worker_->lock);
  return ticket;
}

void WriteBehind::WaitFor(uint64_t ticket) {
  if (worker_ && ticket != 0) worker_->WaitUntil(ticket);
}

void WriteBehind::WaitAll() {
  if (!worker_) return;
  EnterCriticalSection(&worker_->lock);
  const uint64_t last = worker_->handedOver;
  LeaveCriticalSection(&worker_->lock);
  worker_->WaitUntil(last);
}

int WriteBehind::Error() const {
  if (!worker_) return 0;
  EnterCriticalSection(&worker_->lock);
  const int error = worker_->error;
  LeaveCriticalSection(&worker_->lock);
  return error;
}
