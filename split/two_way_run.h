// The run of a split into two files (by time or by size): the split's run
// whose outcome names the input a repair can rebuild and whose window
// result of a completed split names what was written and where it cut.
#pragma once
#include <string>

#include "share/split_result.h"
#include "share/split_run.h"

class TwoWayRun : public SplitRun<SplitOutcome> {
 public:
  TwoWayRun(JobSink& sink, SplitOutcome& outcome) : SplitRun(sink, outcome) {}

 protected:
  ~TwoWayRun() = default;

  void MarkRepairable(const std::string& path) override { outcome_.repairable = path; }
  void Show(const std::string& text, bool failed) override {
    outcome_.message = text;
    std::string shown = failed ? sink_.WithDetail(text, outcome_.detail) : text;
    if (outcome_.result == SplitResult::Completed && sink_.ShowsDetail()) {
      const std::string done = SplitDoneText(outcome_, sink_.EnglishUi());
      if (!done.empty()) shown += "\n\n" + done;
    }
    sink_.Message(shown.c_str(), MessageOwner::ProgressWindow);
  }
};
