// The window's own word after a split that completed: the job says
// "Completed" as the command line does, and the window adds below it which
// player to use (texts::kSplitPlayerHint). Passes everything on to the host's
// sink but holds a "Completed" back until the job has ended, since a size
// split ends with the same word and gets no advice:
//
//   PlayerHintSink sink(AppJobSink());
//   const SplitOutcome outcome = SplitJob(request, sink);
//   sink.Finish(outcome.result == SplitResult::Completed);
#pragma once
#include <cstring>
#include <string>

#include "job/job_sink.h"
#include "texts/split_texts.h"

class PlayerHintSink : public JobSink {
 public:
  explicit PlayerHintSink(JobSink& host) : host_(host) {}
  int EnglishUi() const override { return host_.EnglishUi(); }
  void Status(const char* text, int cells) override { host_.Status(text, cells); }
  void Progress(int cells) override { host_.Progress(cells); }
  bool Cancelled() const override { return host_.Cancelled(); }
  bool BeginCommit() override { return host_.BeginCommit(); }
  void Message(const char* text, MessageOwner owner) override {
    if (std::strcmp(text, host_.Pick(texts::kSplitCompleted.english, texts::kSplitCompleted.japanese)) != 0)
      return host_.Message(text, owner);
    held_ = true;
    owner_ = owner;
  }

  // Shows the held "Completed", with the advice when the split completed.
  void Finish(bool splitCompleted) {
    if (!held_) return;
    held_ = false;
    std::string text = host_.Pick(texts::kSplitCompleted.english, texts::kSplitCompleted.japanese);
    if (splitCompleted)
      text += std::string("\n\n") + host_.Pick(texts::kSplitPlayerHint.english, texts::kSplitPlayerHint.japanese);
    host_.Message(text.c_str(), owner_);
  }

 private:
  JobSink& host_;
  bool held_ = false;
  MessageOwner owner_ = MessageOwner::ProgressWindow;
};
