#include "merge/analysis_task.h"

#include <chrono>

#include "avi/avi_source.h"

namespace {

// How often Finish asks the sink about Cancel while no bar value arrives.
constexpr std::chrono::milliseconds kCancelPoll(20);

}  // namespace

std::atomic<bool> AnalysisTask::refuseThreads_{false};

AnalysisTask::AnalysisTask(AviSource& source, AviAnalysis& analysis, int32_t base, int32_t span,
                           StoredChunkWatch* watch)
    : source_(source), analysis_(analysis), base_(base), span_(span), watch_(watch) {}

void AnalysisTask::Start() {
  if (thread_.joinable() || refuseThreads_) return;
  try {
    thread_ = std::thread(&AnalysisTask::Run, this);
  } catch (...) {  // no thread to be had: Finish analyses on the caller's thread
  }
}

void AnalysisTask::Run() {
  bool result = false;
  std::exception_ptr error;
  try {
    result = source_.Analyse(analysis_, this, base_, span_, watch_);
  } catch (...) {  // handed to the caller's thread by Finish
    error = std::current_exception();
  }
  std::lock_guard<std::mutex> lock(mutex_);
  result_ = result;
  error_ = error;
  done_ = true;
  changed_.notify_all();
}

void AnalysisTask::Progress(int cells) {
  std::lock_guard<std::mutex> lock(mutex_);
  cells_.push_back(cells);
  changed_.notify_all();
}

bool AnalysisTask::Finish(WalkSink& sink) {
  if (!thread_.joinable()) return source_.Analyse(analysis_, &sink, base_, span_, watch_);
  std::unique_lock<std::mutex> lock(mutex_);
  size_t handed = 0;
  auto ready = [&] { return done_ || handed < cells_.size(); };
  while (!stop_) {
    if (handed < cells_.size()) {
      // Each bar value, then Cancel, as the analysis asks on its own thread.
      const int cells = cells_[handed++];
      lock.unlock();
      sink.Progress(cells);
      if (sink.Cancelled()) stop_ = true;
      lock.lock();
    } else if (done_) {
      break;
    } else if (!changed_.wait_for(lock, kCancelPoll, ready)) {
      lock.unlock();
      if (sink.Cancelled()) stop_ = true;
      lock.lock();
    }
  }
  lock.unlock();
  thread_.join();
  if (error_) std::rethrow_exception(error_);
  return result_;
}

void AnalysisTask::Stop() {
  if (!thread_.joinable()) return;
  stop_ = true;
  thread_.join();
}
