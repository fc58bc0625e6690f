// The run of a job that ends with the split's results (the two-way split,
// its split by size, the pieces): the job run on SplitResult, with the
// input's first steps as the split takes them (open, "Analyzing", bar 0 to
// 10, the walk beside on a guessed analysis) and the refusal of a recording
// that ended badly with what a repair would keep.
#pragma once
#include <string>

#include "avi/avi_source.h"
#include "job/job_run.h"
#include "scan/damage_report.h"
#include "share/share_input.h"
#include "share/split_result.h"

template <class Outcome>
class SplitRun : public JobRun<Outcome, SplitResult> {
  using Run = JobRun<Outcome, SplitResult>;

 public:
  SplitRun(JobSink& sink, Outcome& outcome) : Run(sink, outcome, SplitResultText) {}

 protected:
  ~SplitRun() = default;

  const ReadFault& InputFault() override { return input_.File().Fault(); }
  void CheckInputSize() override { input_.File().CheckSize(); }
  // A size split that wrote its files ends with its own success.
  bool Succeeded(SplitResult result) const override {
    return result == SplitResult::Completed || result == SplitResult::SizeSplitCompleted;
  }

  // Opens path and analyses it, the whole walk beside on confirmation_.
  // False once the outcome is finished.
  bool OpenAndAnalyseSplit(const std::string& path) {
    if (const InputStop opened = OpenInput(path, input_)) {
      const bool tooLarge = opened.kind == InputStop::TooLarge;
      return this->Fail(tooLarge ? SplitResult::InputTooLarge : SplitResult::InputNotOpen, opened.detail), false;
    }
    const InputStop stop = AnalyseSplitInput(path, input_, analysis_, this->sink_, &confirmation_.walk);
    switch (stop.kind) {
      case InputStop::None: return true;
      case InputStop::NotRiff: return this->Fail(SplitResult::InputNotRiff, stop.detail), false;
      case InputStop::Cancelled: return this->Fail(SplitResult::Cancelled), false;
      case InputStop::ReadFault: return this->FailReading(), false;
      default: return RefuseIndexes(path, stop.detail), false;
    }
  }

  // The refusal of result (the structure's, or a failed write) of a
  // recording that ended badly (cut short, no index or a broken one): its
  // message, then the reason and what a repair would keep. Any other end as
  // Fail ends it.
  Outcome& RefuseDamaged(SplitResult result, const std::string& path) {
    if (!SplitResultText(result) || !RefusesDamage(result)) return this->Fail(result);
    const DamageReport damage = InspectDamage(path);
    if (!damage.damaged) return this->Fail(result);
    this->outcome_.result = result;
    // A file cut short has its header, its avih and its movi list: what the
    // walk missed is the end of the file.
    if (result == SplitResult::NoHeaderFields) this->outcome_.detail = path + ":";
    AddDamageDetail(this->outcome_.detail, damage);
    MarkRepairable(path);
    this->Show(WithDamage(this->Text(*SplitResultText(result)), damage, this->sink_.EnglishUi()));
    return this->outcome_;
  }

  // An outcome that names an input a repair can rebuild names path.
  virtual void MarkRepairable(const std::string& path) { (void)path; }

  AviSource input_;
  AviAnalysis analysis_{};
  SplitConfirmation confirmation_{analysis_};

 private:
  // Broken OpenDML indexes: the OpenDML result, its text, then what is
  // wrong (and, for a recording that ended badly, what a repair would keep).
  void RefuseIndexes(const std::string& path, const std::string& detail) {
    Outcome& outcome = this->outcome_;
    outcome.engineStarted = true;  // a refused structure, as the engine's codes 1..7
    outcome.result = SplitResult::OpenDml;
    outcome.detail = detail;
    const DamageReport damage = InspectDamage(path);
    AddDamageDetail(outcome.detail, damage);
    if (damage.damaged) MarkRepairable(path);
    const int english = this->sink_.EnglishUi();
    this->Show(std::string(this->Text(*SplitResultText(SplitResult::OpenDml))) + "\n\n" +
               WithDamage(DescribeOdmlFault(input_.Fault(), english), damage, english));
  }
};
