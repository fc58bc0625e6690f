// The window's own word after a split that completed: the job says
// "Completed" as the command line does, and the window adds below it which
// player to use (kSplitPlayerAdvice). Passes everything on to the host's
// sink but holds a "Completed" back until the job has ended, since a size
// split ends with the same word and gets no advice:
//
//   PlayerHintSink sink(AppJobSink());
//   const SplitOutcome outcome = SplitJob(request, sink);
//   sink.Finish(outcome.result == SplitResult::Completed);
#pragma once
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "job/forwarding_sink.h"
#include "share/split_result.h"

class PlayerHintSink : public ForwardingSink {
 public:
  explicit PlayerHintSink(JobSink& host) : ForwardingSink(host) {}
  void Message(const char* text, MessageOwner owner) override {
    // "Completed", alone or with what was written below it.
    const std::string shown = text;
    const std::string done = Completed();
    if (shown.compare(0, done.size(), done) != 0 || (shown.size() > done.size() && shown[done.size()] != '\n'))
      return host_.Message(text, owner);
    held_.push_back({shown, owner});
  }

  // Shows what was held, the last with the advice below "Completed" when
  // the split completed.
  void Finish(bool splitCompleted) {
    const std::string done = Completed();
    for (size_t i = 0; i < held_.size(); ++i) {
      std::string text = held_[i].first;
      if (splitCompleted && i + 1 == held_.size())
        text = done + "\n\n" + ::Pick(kSplitPlayerAdvice, host_.EnglishUi()) + text.substr(done.size());
      host_.Message(text.c_str(), held_[i].second);
    }
    held_.clear();
  }

 private:
  const char* Completed() const { return ::Pick(*SplitResultText(SplitResult::Completed), host_.EnglishUi()); }
  std::vector<std::pair<std::string, MessageOwner>> held_;
};
