// The whole chunk walk of a file (AnalyseFile) on a second thread, through a
// reader of its own. A job that goes ahead on GuessAnalysis starts it next
// and, before it commits anything, checks the guess against its record.
//
//   GuessAnalysis(guess, input, input.Size());
//   BackgroundWalk walk;
//   if (walk.Start(input)) ... work from guess ...
//   if (walk.Wait(&whole, keepWaiting) && SameAnalysis(whole, guess)) commit;
//
// One implementation per platform (background_walk_posix.cpp,
// background_walk_win32.cpp).
#pragma once
#include <functional>
#include <memory>

#include "avi/avi_analysis.h"

class ByteInput;

class BackgroundWalk {
 public:
  BackgroundWalk();
  ~BackgroundWalk();  // stops the walk and waits for its thread
  BackgroundWalk(const BackgroundWalk&) = delete;
  BackgroundWalk& operator=(const BackgroundWalk&) = delete;

  // Something that watches the walk pass the chunks, made on the walk's
  // thread over the walk's reader (set before Start; what it makes must
  // outlive the walk).
  using Watcher = std::function<ChunkVisitor*(ByteInput& input)>;
  void Watch(Watcher make) { watch_ = std::move(make); }
  // Starts walking file, which must be a file on disk; false, with nothing
  // started, where no second reader or thread is to be had.
  bool Start(const ByteInput& file);
  bool Started() const { return worker_ != nullptr; }
  // Waits for the walk's record, asking keepWaiting now and then whether to
  // go on waiting; false (the walk stopped) when it says no.
  bool Wait(AviAnalysis* analysis, const std::function<bool()>& keepWaiting);

 private:
  struct Worker;
  std::unique_ptr<Worker> worker_;
  Watcher watch_;
};
