// Ctrl-C as the progress dialog's Cancel: while an object of this class
// lives, Ctrl-C (and SIGTERM and SIGHUP, as sent by `timeout` or a closing
// terminal; on Windows Ctrl-Break and the console's closing) only set the
// sink's cancel flag, so the job stops at its next check and removes its
// temporary files. Keep the object alive until the command's last line is
// printed, so a late signal cannot cut the output. One implementation per
// platform (interrupt_posix.cpp, interrupt_win32.cpp).
// They nest: `tavrin batch` keeps one for the whole batch and each job its
// own, and the outer one takes the signals again when the inner one ends.
#pragma once
#include "job/native_sink.h"

class InterruptAsCancel {
 public:
  explicit InterruptAsCancel(NativeSink& sink);
  ~InterruptAsCancel();
  InterruptAsCancel(const InterruptAsCancel&) = delete;
  InterruptAsCancel& operator=(const InterruptAsCancel&) = delete;

 private:
  std::atomic<int32_t>* outerFlag_;
};

// True once an interrupt came while any InterruptAsCancel lived: the batch
// stops when a job was cancelled by one, however the job ended.
bool InterruptSeen();
