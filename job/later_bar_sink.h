// A sink that shows a writer's bar, which runs from 10 to 100, over the
// host's cells from `from` to `to`: the writing after work that had the
// cells from 10 to `from` (an exact cut's re-encode) and before work that
// has those from `to` on (its check of the seams). All else is passed on.
#pragma once
#include <algorithm>

#include "job/forwarding_sink.h"

class LaterBarSink final : public ForwardingSink {
 public:
  LaterBarSink(JobSink& host, int from, int to = 100) : ForwardingSink(host), from_(from), to_(to) {}
  void Status(const char* text, int cells) override { host_.Status(text, Moved(cells)); }
  void Progress(int cells) override { host_.Progress(Moved(cells)); }
  // The work after the writing shows its own cells (from `to` on); what the
  // writer shows after that (its commit) stays there rather than going back.
  void After(int cells) {
    floor_ = cells;
    host_.Progress(cells);
  }

 private:
  int Moved(int cells) const {
    return cells <= 10 ? cells : std::max(floor_, from_ + (cells - 10) * (to_ - from_) / 90);
  }

  const int from_, to_;
  int floor_ = 0;
};
