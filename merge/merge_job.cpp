// The merge job: checks both inputs, analyses the second and then the first,
// compares their headers, runs the merge engine and shows its outcome.
//
// The first input is analysed on a thread of its own while this thread
// analyses the second. What the user sees stays in the order above: the
// second input's failures come first, and the first input's bar values are
// shown only after the second's (merge/analysis_task.h).
#include "merge/merge_job.h"

#include "job/input_session.h"
#include "job/job_run.h"
#include "job/job_sink.h"
#include "avi/avi_source.h"
#include "avi/fourcc.h"
#include "avi/stored_chunks.h"
#include "avi/stream_format.h"
#include "merge/analysis_task.h"
#include "merge/merge_engine.h"
#include "merge/merge_output.h"
#include "merge/merge_plan.h"
#include "scan/damage_report.h"
#include "texts/merge_texts.h"

namespace {

constexpr int32_t kWriteMode = 1;

class MergeRun : public JobRun<MergeOutcome, MergeResult> {
 public:
  MergeRun(const MergeRequest& request, JobSink& sink, MergeOutcome& outcome)
      : JobRun(sink, outcome, MergeResultText), request_(request) {}
  MergeOutcome& Run();

 private:
  // A fault of either input, the first's before the second's.
  const ReadFault& InputFault() override {
    static const ReadFault none;
    const ReadFault* fault = FirstReadFault({&first_.File().Fault(), &second_.File().Fault()});
    return fault ? *fault : none;
  }
  void CheckInputSize() override {
    first_.File().CheckSize();
    second_.File().CheckSize();
  }
  // Every end stops the first input's analysis and closes both inputs (the
  // faults stay); a read fault's end names no file to repair.
  void Ending(MergeResult result) override {
    firstTask_.Stop();
    if (result != MergeResult::Cancelled) {
      CheckInputSize();
      if (InputFault()) outcome_.repairable.clear();
    }
    first_.Close();
    second_.Close();
  }
  // The first input found not a RIFF file is told over the main window.
  MessageOwner OwnerOf(MergeResult result) const override {
    return result == MergeResult::File1NotRiff ? MessageOwner::MainWindow : MessageOwner::ProgressWindow;
  }
  // Every end but the completion has its detail below, a read fault's too;
  // the completion its sound warnings, unless the host shows them apart.
  void Show(const std::string& text, bool) override {
    outcome_.message = text;
    std::string shown = text;
    if (outcome_.result != MergeResult::Completed)
      shown = sink_.WithDetail(text, outcome_.detail);
    else if (!request_.warningsApart)
      for (size_t i = 0; i < outcome_.warnings.size(); ++i) shown += (i ? "\n" : "\n\n") + outcome_.warnings[i];
    sink_.Message(shown.c_str(), OwnerOf(outcome_.result));
  }

  // The size check of one input: false (after the failure) when it fails.
  bool Probe(const std::string& path, MergeResult notOpen, MergeResult tooLarge) {
    const InputStop stop = LookAtInput(path);
    if (stop) Fail(stop.kind == InputStop::TooLarge ? tooLarge : notOpen, path + ": " + stop.why);
    return !stop;
  }

  // Judges one input's analysis (AviSource::Analyse's result `analysed`).
  // False (after the failure) when its OpenDML indexes are broken or the run
  // was cancelled.
  bool Analysed(bool analysed, const AviSource& input, const std::string& path, const char* which) {
    if (analysed) return true;
    const OdmlFault& fault = input.Fault();
    if (fault.problem == OdmlProblem::kCancelled) {
      Fail(MergeResult::Cancelled);
      return false;
    }
    // Broken OpenDML indexes: the code of an OpenDML file, and what is wrong.
    outcome_.structure.code = 6;
    outcome_.structure.field = DescribeOdmlFault(fault, 1) + " in the " + which + " file";
    outcome_.detail = path + ": " + DescribeOdmlFault(fault, 1);
    std::string why = DescribeOdmlFault(fault, sink_.EnglishUi());
    const DamageReport damage = InspectDamage(path);
    if (damage.damaged) {
      outcome_.repairable = path;
      outcome_.detail += "\n" + damage.Reason();
      why += "\n\n" + damage.In(sink_.EnglishUi());
    }
    Fail(MergeResult::Unsupported, "", why);
    return false;
  }

  // Headers that differ only in what each writer records per file (buffer
  // sizes, lengths, rates of bytes): the files can be joined instead.
  std::string JoinHint() {
    const FormatDifference d = CompareFormats(ReadStreamFormats(firstAnalysis_, first_.Input()),
                                              ReadStreamFormats(secondAnalysis_, second_.Input()));
    return d.Same() ? Text(kMergeCanJoinInstead) : std::string();
  }

  // For a refused structure: which input ended badly (cut short, no index
  // or a broken one), and what a repair would keep of it; "" when neither.
  std::string Damage() {
    std::string why;
    // A file cut short has its header: what the walk missed is its end.
    const bool replace = outcome_.structure.code == 1;
    const std::string* paths[2] = {&request_.first, &request_.second};
    const char* which[2] = {Pick(texts::kMergeFile1Label, sink_.EnglishUi()), Pick(texts::kMergeFile2Label, sink_.EnglishUi())};
    for (int i = 0; i < 2; ++i) {
      if (i == 1 && *paths[1] == *paths[0]) break;
      const DamageReport damage = InspectDamage(*paths[i]);
      if (!damage.damaged) continue;
      if (outcome_.repairable.empty()) outcome_.repairable = *paths[i];
      const std::string line = *paths[i] + ": " + damage.Reason();
      outcome_.detail = replace && why.empty() ? line : outcome_.detail + "\n" + line;
      why += std::string(why.empty() ? "" : "\n\n") + which[i] + damage.In(sink_.EnglishUi());
    }
    return why;
  }

  const MergeRequest& request_;
  // The inputs and what is learnt of them; handed to the host with
  // MergeRequest::keepPlanned.
  std::shared_ptr<PlannedMerge> state_ = std::make_shared<PlannedMerge>();
  AviSource& first_ = state_->first;
  AviSource& second_ = state_->second;
  AviAnalysis& firstAnalysis_ = state_->firstAnalysis;
  AviAnalysis& secondAnalysis_ = state_->secondAnalysis;
  StoredChunkWatch& firstWatch_ = state_->firstWatch;
  StoredChunkWatch& secondWatch_ = state_->secondWatch;
  // Declared after what it reads, so that it stops before they go.
  AnalysisTask firstTask_{first_, firstAnalysis_, 5, 5, &firstWatch_};
};

MergeOutcome& MergeRun::Run() {
  if (!Probe(request_.first, MergeResult::File1NotOpen, MergeResult::File1TooLarge)) return outcome_;
  if (!Probe(request_.second, MergeResult::File2NotOpen, MergeResult::File2TooLarge)) return outcome_;
  if (const InputStop stop = OpenLookedAt(request_.first, first_))
    return Fail(MergeResult::File1NotOpen, request_.first + ": " + stop.why);
  if (const InputStop stop = OpenLookedAt(request_.second, second_))
    return Fail(MergeResult::File2NotOpen, request_.second + ": " + stop.why);

  // The second input first, then the first: the bar moves 0..5, then 5..10.
  // The first input's analysis runs meanwhile, once both are RIFF files.
  sink_.Status(Text(kMergeFile2Analyzing), 0);
  if (sink_.Cancelled()) return Fail(MergeResult::Cancelled);
  if (second_.File().U32At(0) != kRiff)
    return Fail(MergeResult::File2NotRiff, request_.second + ": does not begin with \"RIFF\"");
  const bool firstIsRiff = first_.File().U32At(0) == kRiff;
  if (firstIsRiff) firstTask_.Start();
  if (!Analysed(second_.Analyse(secondAnalysis_, &sink_, 0, 5, &secondWatch_), second_, request_.second, "second"))
    return outcome_;

  sink_.Status(Text(kMergeFile1Analyzing), 5);
  if (sink_.Cancelled()) return Fail(MergeResult::Cancelled);
  if (!firstIsRiff) return Fail(MergeResult::File1NotRiff, request_.first + ": does not begin with \"RIFF\"");
  if (!Analysed(firstTask_.Finish(sink_), first_, request_.first, "first")) return outcome_;
  // A walk stopped by Cancel leaves a partial record; comparing it would
  // report a sound file as unsupported.
  if (sink_.Cancelled()) return Fail(MergeResult::Cancelled);

  outcome_.structure = CompareStructure(firstAnalysis_, secondAnalysis_, first_.Input(), second_.Input());
  if (outcome_.structure.code != 0) {
    outcome_.detail = outcome_.structure.Describe();
    if (outcome_.structure.code <= 7) return Fail(MergeResult::Unsupported, "", Damage());
    return Fail(MergeResult::StructureDiffers, "", JoinHint());
  }
  if (sink_.Cancelled()) return Fail(MergeResult::Cancelled);

  outcome_.engineStarted = true;
  state_->firstPath = request_.first;
  state_->secondPath = request_.second;
  MergeEngineOutput engine;
  const bool sumUp = !request_.keepPlanned;
  MergeResult result =
      MergeEngine(state_->Sources(), kSearchWindowSeconds, kWriteMode, sink_, engine, sumUp, request_.writeJoined);
  outcome_.mergedName = engine.mergedName;
  outcome_.figures = engine.figures;
  outcome_.warnings = SoundWarnings(engine.soundDiffers, sink_.EnglishUi());
  if (sink_.Cancelled()) return Fail(MergeResult::Cancelled);
  if (result != MergeResult::Completed) return Fail(result);
  if (first_.File().Fault() || second_.File().Fault()) return Fail(MergeResult::ReadError);
  if (!sumUp) {
    // The host writes the joined file: the inputs stay open for it.
    state_->plan = engine.plan;
    state_->joinedName = engine.mergedName;
    outcome_.result = MergeResult::Completed;
    outcome_.planned = state_;
    return outcome_;
  }
  first_.Close();
  second_.Close();
  return Complete(engine.text);
}

}  // namespace

MergeOutcome MergeJob(const MergeRequest& request, JobSink& sink) {
  MergeOutcome outcome;
  MergeRun(request, sink, outcome).Run();
  return outcome;
}
