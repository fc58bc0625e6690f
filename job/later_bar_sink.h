// A sink that shows a writer's bar, which runs from 10 to 100, over the
// host's cells from `from` to 100: the writing after work that had the
// cells from 10 to `from` (an exact cut's re-encode). All else is passed on.
#pragma once
#include "job/forwarding_sink.h"

class LaterBarSink final : public ForwardingSink {
 public:
  LaterBarSink(JobSink& host, int from) : ForwardingSink(host), from_(from) {}
  void Status(const char* text, int cells) override { host_.Status(text, Moved(cells)); }
  void Progress(int cells) override { host_.Progress(Moved(cells)); }

 private:
  int Moved(int cells) const { return cells <= 10 ? cells : from_ + (cells - 10) * (100 - from_) / 90; }

  const int from_;
};
