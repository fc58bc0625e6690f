// What a long-running piece of work (the chunk walk, an engine) needs from
// whoever runs it: somewhere to report progress and a way to learn that the
// user asked to stop. The jobs' wider sink (JobSink) extends this one.
#pragma once

class WalkSink {
 public:
  // The bar moved to `cells` (0..100); the status line keeps its text.
  virtual void Progress(int cells) = 0;
  // True once the user asked to stop; polled at fixed points.
  virtual bool Cancelled() const = 0;

 protected:
  ~WalkSink() = default;
};
