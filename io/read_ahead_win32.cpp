#include "io/read_ahead.h"

#include <windows.h>

#include "io/positioned_read.h"

// The same as read_ahead_posix.cpp on the system's own thread, lock and
// condition variable (the Windows build's C++ library may have no std::thread).
struct ReadAhead::Worker {
  CRITICAL_SECTION lock;
  CONDITION_VARIABLE changed;
  bool asked = false;  // a request waits for the thread
  bool busy = false;   // a request is not answered yet
  bool quit = false;
  int fd = -1;
  uint64_t position = 0;
  uint8_t* buffer = nullptr;
  size_t count = 0;
  size_t got = 0;
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
      while (!asked && !quit) SleepConditionVariableCS(&changed, &lock, INFINITE);
      if (quit) break;
      asked = false;
      LeaveCriticalSection(&lock);
      const size_t done = filesys::ReadAt(fd, position, buffer, count);
      EnterCriticalSection(&lock);
      got = done;
      busy = false;
      WakeAllConditionVariable(&changed);
    }
    LeaveCriticalSection(&lock);
  }
};

ReadAhead::ReadAhead() = default;

ReadAhead::~ReadAhead() {
  if (!worker_) return;
  Finish();  // the thread finishes a read under way first
  EnterCriticalSection(&worker_->lock);
  worker_->quit = true;
  WakeAllConditionVariable(&worker_->changed);
  LeaveCriticalSection(&worker_->lock);
  WaitForSingleObject(worker_->thread, INFINITE);
  CloseHandle(worker_->thread);
}

bool ReadAhead::Start(int fd, uint64_t position, uint8_t* buffer, size_t count) {
  if (fd < 0) return false;
  if (!worker_) {
    worker_.reset(new Worker);
    worker_->thread = CreateThread(nullptr, 0, &Worker::Main, worker_.get(), 0, nullptr);
    if (!worker_->thread) {  // no thread to be had: the caller reads for itself
      worker_.reset();
      return false;
    }
  }
  Finish();  // one read at a time
  EnterCriticalSection(&worker_->lock);
  worker_->fd = fd;
  worker_->position = position;
  worker_->buffer = buffer;
  worker_->count = count;
  worker_->asked = true;
  worker_->busy = true;
  WakeAllConditionVariable(&worker_->changed);
  LeaveCriticalSection(&worker_->lock);
  return true;
}

size_t ReadAhead::Finish() {
  if (!worker_) return 0;
  EnterCriticalSection(&worker_->lock);
  while (worker_->busy) SleepConditionVariableCS(&worker_->changed, &worker_->lock, INFINITE);
  const size_t got = worker_->got;
  LeaveCriticalSection(&worker_->lock);
  return got;
}
