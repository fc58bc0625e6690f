// A writer's bar on a job's sink: every value the skeleton reports goes to
// the status line under one text (the split's "File Creating", the chain's
// "Writing"), and the sink's cancel is the writer's.
#pragma once
#include "texts/text_pair.h"
#include "job/job_sink.h"

class StatusBar : public WalkSink {
 public:
  // repeat: a value equal to the one shown is shown again (else passed over).
  StatusBar(JobSink& sink, const TextPair& text, bool repeat = false) : sink_(sink), text_(text), repeat_(repeat) {}

  void Progress(int cells) override {
    if (!repeat_ && cells == shown_) return;
    shown_ = cells;
    sink_.Status(sink_.Pick(text_.english, text_.japanese), cells);
  }
  bool Cancelled() const override { return sink_.Cancelled(); }

 private:
  JobSink& sink_;
  TextPair text_;
  bool repeat_;
  int shown_ = -1;
};
