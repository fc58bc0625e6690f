#include "avi/background_walk.h"

#include <windows.h>

#include <atomic>

#include "avi/byte_input.h"
#include "avi/walk_sink.h"

// The same as background_walk_posix.cpp on the system's own thread (the
// Windows build's C++ library may have no std::thread): the walk reads
// through a reader of its own over the shared file (io/positioned_read.h).
struct BackgroundWalk::Worker : WalkSink {
  ByteInput input;
  AviAnalysis analysis{};
  std::atomic<bool> stop{false};
  HANDLE thread = nullptr;
  BackgroundWalk::Watcher watch;

  void Progress(int) override {}
  bool Cancelled() const override { return stop.load(std::memory_order_relaxed); }

  static DWORD WINAPI Main(void* self) {
    static_cast<Worker*>(self)->Run();
    return 0;
  }
  void Run() {
    WalkProgress progress;
    progress.sink = this;  // for stopping only: no total, so no reports
    if (watch) progress.visitor = watch(input);
    AnalyseFile(analysis, input, input.Size(), progress);
  }
};

BackgroundWalk::BackgroundWalk() = default;

BackgroundWalk::~BackgroundWalk() {
  if (!worker_) return;
  worker_->stop = true;
  WaitForSingleObject(worker_->thread, INFINITE);
  CloseHandle(worker_->thread);
}

bool BackgroundWalk::Start(const ByteInput& file) {
  std::unique_ptr<Worker> worker(new Worker);
  if (!worker->input.OpenDuplicate(file)) return false;
  worker->watch = watch_;
  worker->thread = CreateThread(nullptr, 0, &Worker::Main, worker.get(), 0, nullptr);
  if (!worker->thread) return false;
  worker_ = std::move(worker);
  return true;
}

bool BackgroundWalk::Wait(AviAnalysis* analysis, const std::function<bool()>& keepWaiting) {
  if (!worker_) return false;
  // The thread's end is the walk's end: its record is complete then.
  while (WaitForSingleObject(worker_->thread, 50) == WAIT_TIMEOUT) {
    if (!keepWaiting()) {
      worker_->stop = true;
      return false;
    }
  }
  *analysis = worker_->analysis;
  return true;
}
