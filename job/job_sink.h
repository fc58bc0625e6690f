// What a split or merge job needs from the program that runs it (the window's
// progress dialog, the command line, a test): the status line and bar, the
// cancel flag, message boxes and the interface language.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

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

  // Asked when some of a job's final names already hold a file (an earlier
  // run's parts): first as soon as the job knows its names, before it writes
  // anything (MayWriteOver), then once the outputs are complete, before
  // BeginCommit, about the names that hold a file by then. True replaces
  // them, false ends the job cancelled (nothing written, or nothing moved).
  // The command line replaces, as scripts expect; the window asks the user,
  // once a job for each name (its sink remembers the names it was answered).
  virtual bool MayReplace(const std::vector<std::string>& existing) {
    (void)existing;
    return true;
  }

  // True where a failure's box also says, below its text and a blank line,
  // which file failed and why (the outcome's detail, as the command line
  // prints it on its error stream): the window. The outcome's message stays
  // the program's own text either way.
  virtual bool ShowsDetail() const { return false; }
  // shown, and below it detail where ShowsDetail() (unless empty or already said).
  std::string WithDetail(const std::string& shown, const std::string& detail) const {
    if (!ShowsDetail() || detail.empty() || shown.find(detail) != std::string::npos) return shown;
    return shown + "\n\n" + detail;
  }

  const char* Pick(const char* english, const char* japanese) const {
    return EnglishUi() ? english : japanese;
  }

 protected:
  ~JobSink() = default;
};
