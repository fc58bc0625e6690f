// What a split or merge job needs from the program that runs it (the window's
// progress dialog, the command line, a test): the status line and bar, the
// cancel flag, message boxes and the interface language.
#pragma once
#include <cstdint>

#include "avi/walk_sink.h"

enum class MessageOwner { ProgressWindow, MainWindow };

class JobSink : public WalkSink {
 public:
  // 1: English texts, 0: Japanese.
  virtual int EnglishUi() const = 0;
  // A new status line text and bar value (0..100); text is valid only during the call.
  virtual void Status(const char* text, int cells) = 0;
  // A modal message box with the program's caption; returns when dismissed.
  virtual void Message(const char* text, MessageOwner owner) = 0;

  // Asked once the outputs are complete, just before the first of them is
  // moved into place: false when a cancel came first (nothing is moved, the
  // job ends cancelled). From a true answer on a cancel comes too late:
  // Cancelled() stays false, every output is moved and the job ends as it
  // would have without the cancel. Sinks whose cancel can come from another
  // thread or a signal close it at once; this default only looks.
  virtual bool BeginCommit() { return !Cancelled(); }

  const char* Pick(const char* english, const char* japanese) const {
    return EnglishUi() ? english : japanese;
  }

 protected:
  ~JobSink() = default;
};
