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
#include <vector>

#include "job/job_sink.h"
#include "share/split_result.h"

class PlayerHintSink : public JobSink {
 public:
  explicit PlayerHintSink(JobSink& host) : host_(host) {}
  int EnglishUi() const override { return host_.EnglishUi(); }
  void Status(const char* text, int cells) override { host_.Status(text, cells); }
  void Progress(int cells) override { host_.Progress(cells); }
  bool Cancelled() const override { return host_.Cancelled(); }
  bool BeginCommit() override { return host_.BeginCommit(); }
  void Message(const char* text, MessageOwner owner) override {
    // The job's message, compared with the core's own UTF-8 text.
    if (std::strcmp(text, Completed()) != 0) return host_.Message(text, owner);
    held_.push_back(owner);
  }

  // Shows what was held, the last with the advice when the split completed.
  void Finish(bool splitCompleted) {
    for (size_t i = 0; i < held_.size(); ++i) {
      std::string text = Completed();
      if (splitCompleted && i + 1 == held_.size())
        text += std::string("\n\n") + ::Pick(kSplitPlayerAdvice, host_.EnglishUi());
      host_.Message(text.c_str(), held_[i]);
    }
    held_.clear();
  }

 private:
  const char* Completed() const { return ::Pick(*SplitResultText(SplitResult::Completed), host_.EnglishUi()); }

  JobSink& host_;
  std::vector<MessageOwner> held_;
};
