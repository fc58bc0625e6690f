// The merge job: checks both inputs, analyses the second and then the first,
// compares their headers, runs the merge engine and shows its outcome.
#include "merge/merge_job.h"

#include "app/file_probe.h"
#include "app/job_sink.h"
#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "merge/merge_engine.h"

namespace {

constexpr double kSearchWindowSeconds = 60.0;
constexpr int32_t kPluginMode = 1;

class MergeRun {
 public:
  MergeRun(const MergeRequest& request, JobSink& sink) : request_(request), sink_(sink) {}
  MergeOutcome Run();

 private:
  const char* Text(const TextPair& pair) const { return sink_.Pick(pair.english, pair.japanese); }

  // Ends with result and its message (the inputs are closed first).
  MergeOutcome& Fail(MergeResult result, MessageOwner owner = MessageOwner::ProgressWindow) {
    first_.Close();
    second_.Close();
    outcome_.result = result;
    if (const TextPair* text = MergeResultText(result)) {
      outcome_.message = Text(*text);
      sink_.Message(outcome_.message.c_str(), owner);
    }
    return outcome_;
  }
  MergeOutcome& FailWith(MergeResult result, const std::string& path, const std::string& why) {
    outcome_.detail = path + ": " + why;
    return Fail(result);
  }

  // The size check of one input: false (after the failure) when it fails.
  bool Probe(const std::string& path, uint32_t* size, MergeResult notOpen, MergeResult tooLarge) {
    std::string reason;
    switch (ProbeInputFile(path.c_str(), size, &reason)) {
      case ProbeResult::CannotOpen: FailWith(notOpen, path, reason); return false;
      case ProbeResult::TooLarge: FailWith(tooLarge, path, reason); return false;
      case ProbeResult::Ok: return true;
    }
    return false;
  }

  void Analyse(ByteInput& file, uint32_t size, AviAnalysis& analysis, int base) {
    WalkProgress progress;
    progress.sink = &sink_;
    progress.base = base;
    progress.span = 5;
    progress.total = size;
    AnalyseFile(analysis, file, size, progress);
  }

  const MergeRequest& request_;
  JobSink& sink_;
  MergeOutcome outcome_;
  ByteInput first_;
  ByteInput second_;
  AviAnalysis firstAnalysis_{};
  AviAnalysis secondAnalysis_{};
};

MergeOutcome MergeRun::Run() {
  uint32_t firstSize = 0, secondSize = 0;
  if (!Probe(request_.first, &firstSize, MergeResult::File1NotOpen, MergeResult::File1TooLarge)) return outcome_;
  if (!Probe(request_.second, &secondSize, MergeResult::File2NotOpen, MergeResult::File2TooLarge)) return outcome_;
  if (!first_.Open(request_.first.c_str()))
    return FailWith(MergeResult::File1NotOpen, request_.first, first_.OpenError());
  if (!second_.Open(request_.second.c_str()))
    return FailWith(MergeResult::File2NotOpen, request_.second, second_.OpenError());

  // The second input first, then the first: the bar moves 0..5, then 5..10.
  sink_.Status(Text(kMergeFile2Analyzing), 0);
  if (sink_.Cancelled()) return Fail(MergeResult::Cancelled);
  if (second_.U32At(0) != kRiff)
    return FailWith(MergeResult::File2NotRiff, request_.second, "does not begin with \"RIFF\"");
  Analyse(second_, secondSize, secondAnalysis_, 0);

  sink_.Status(Text(kMergeFile1Analyzing), 5);
  if (sink_.Cancelled()) return Fail(MergeResult::Cancelled);
  if (first_.U32At(0) != kRiff) {
    outcome_.detail = request_.first + ": does not begin with \"RIFF\"";
    return Fail(MergeResult::File1NotRiff, MessageOwner::MainWindow);
  }
  Analyse(first_, firstSize, firstAnalysis_, 5);
  // A walk stopped by Cancel leaves a partial record; comparing it would
  // report a sound file as unsupported.
  if (sink_.Cancelled()) return Fail(MergeResult::Cancelled);

  outcome_.structure = CompareStructure(firstAnalysis_, secondAnalysis_, first_, second_);
  if (outcome_.structure.code != 0) {
    outcome_.detail = outcome_.structure.Describe();
    return Fail(outcome_.structure.code <= 7 ? MergeResult::Unsupported : MergeResult::StructureDiffers);
  }
  if (sink_.Cancelled()) return Fail(MergeResult::Cancelled);

  outcome_.engineStarted = true;
  const MergeSources sources{{first_, firstAnalysis_}, {second_, secondAnalysis_}, request_.first, request_.second};
  MergeEngineOutput engine;
  MergeResult result = MergeEngine(sources, kSearchWindowSeconds, kPluginMode, sink_, engine);
  first_.Close();
  second_.Close();
  outcome_.mergedName = engine.mergedName;
  outcome_.figures = engine.figures;
  if (sink_.Cancelled()) return Fail(MergeResult::Cancelled);
  if (result != MergeResult::Completed) return Fail(result);

  outcome_.result = MergeResult::Completed;
  outcome_.message = engine.text;
  sink_.Message(outcome_.message.c_str(), MessageOwner::ProgressWindow);
  return outcome_;
}

}  // namespace

MergeOutcome MergeJob(const MergeRequest& request, JobSink& sink) {
  MergeRun run(request, sink);
  return run.Run();
}
