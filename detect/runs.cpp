// Runs of black frames or silent samples (detect/runs.h).
#include "detect/runs.h"

void RunFinder::Add(uint64_t at, uint64_t count, bool in) {
  if (count == 0) return;
  if (in) {
    if (!open_) current_ = Run{at, 0};
    open_ = true;
    current_.count = at + count - current_.first;
    return;
  }
  Finish();
}

void RunFinder::Finish() {
  if (open_ && current_.count >= shortest_) runs_.push_back(current_);
  open_ = false;
}
