// One input's analysis (AviSource::Analyse) on a thread of its own, so that
// the merge job can analyse its other input at the same time.
//
// The job's sink is only ever called on the job's thread: the task keeps the
// bar values its analysis reports, and Finish hands them on in order, asking
// the sink about Cancel after each one as the analysis itself does. The user
// sees what the analysis would have shown on the job's thread, only sooner.
//
//   AnalysisTask task(source, analysis, 5, 5);
//   task.Start();                      // no thread to be had: Finish does it all
//   ... other work; on failure task.Stop() before closing the source ...
//   if (!task.Finish(sink)) ... source.Fault()
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "avi/avi_analysis.h"
#include "avi/walk_sink.h"

class AviSource;
class StoredChunkWatch;

class AnalysisTask : private WalkSink {
 public:
  // The bar moves over cells base .. base + span (AviSource::Analyse).
  // watch (may be null): as AviSource::Analyse's.
  AnalysisTask(AviSource& source, AviAnalysis& analysis, int32_t base, int32_t span,
               StoredChunkWatch* watch = nullptr);
  ~AnalysisTask() { Stop(); }
  AnalysisTask(const AnalysisTask&) = delete;
  AnalysisTask& operator=(const AnalysisTask&) = delete;

  // Starts the analysis on a thread of its own, when one can be had.
  void Start();
  // Waits for the analysis, handing its bar values to sink, and stops it
  // once sink is cancelled. AviSource::Analyse's result: false when the
  // indexes are broken or the analysis was cancelled (the source's Fault()).
  bool Finish(WalkSink& sink);
  // Stops the analysis and waits for its thread; the source may be closed
  // afterwards. Its result is dropped.
  void Stop();

  // Tests: while set, Start starts no thread, as if none could be had.
  static void RefuseThreads(bool refuse) { refuseThreads_ = refuse; }

 private:
  // The analysis thread's sink.
  void Progress(int cells) override;
  bool Cancelled() const override { return stop_.load(); }
  void Run();

  AviSource& source_;
  AviAnalysis& analysis_;
  const int32_t base_;
  const int32_t span_;
  StoredChunkWatch* const watch_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int> cells_;  // bar values reported, guarded by mutex_
  bool done_ = false;       // the analysis returned, guarded by mutex_
  bool result_ = false;
  std::exception_ptr error_;
  static std::atomic<bool> refuseThreads_;
};
