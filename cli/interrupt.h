// Ctrl-C as the progress dialog's Cancel: while an object of this class
// lives, SIGINT (and SIGTERM and SIGHUP, as sent by `timeout` or a closing
// terminal) only set the sink's cancel flag, so the job stops at its next
// check and removes its temporary files. Keep the object alive until the
// command's last line is printed, so a late signal cannot cut the output.
#pragma once
#include <csignal>
#include <cstdio>

#include "app/native_sink.h"

class InterruptAsCancel {
 public:
  explicit InterruptAsCancel(NativeSink& sink);
  ~InterruptAsCancel();
  InterruptAsCancel(const InterruptAsCancel&) = delete;
  InterruptAsCancel& operator=(const InterruptAsCancel&) = delete;

 private:
  static constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction previous_[3] = {};
};
