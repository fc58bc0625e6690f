// Ctrl-C as the progress dialog's Cancel: while an object of this class
// lives, SIGINT only sets the sink's cancel flag. Keep it alive until the
// command's last line is printed, so a late Ctrl-C cannot cut the output.
#pragma once
#include <csignal>
#include <cstdio>

#include "app/native_host.h"

class InterruptAsCancel {
 public:
  explicit InterruptAsCancel(NativeSink& sink);
  ~InterruptAsCancel();
  InterruptAsCancel(const InterruptAsCancel&) = delete;
  InterruptAsCancel& operator=(const InterruptAsCancel&) = delete;

 private:
  struct sigaction previous_ = {};
};
