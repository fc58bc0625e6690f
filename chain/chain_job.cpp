// The chain job: reads every input in turn (each is opened, analysed, checked
// and closed again, so that only a small record of it stays), refuses what
// is damaged or of another format than the first, has the seams planned when
// the pieces of one recording are merged, and writes the joined file under a
// temporary name that replaces the output only when it is complete.
#include "chain/chain_job.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "job/file_probe.h"
#include "job/input_session.h"
#include "job/job_run.h"
#include "job/job_sink.h"
#include "job/output_commit.h"
#include "avi/avi_source.h"
#include "avi/stored_chunks.h"
#include "avi/odml_index.h"
#include "io/output_file.h"
#include "avi/stream_format.h"
#include "chain/chain_writer.h"
#include "texts/chain_texts.h"
#include "chain/input_check.h"
#include "chain/input_pool.h"
#include "job/status_bar.h"

namespace {

// What stays of an input once it was read.
struct Part {
  std::string path;
  uint64_t fileSize = 0;
  AviAnalysis analysis{};
};

class JoinRun : public JobRun<JoinOutcome, JoinJobResult> {
 public:
  JoinRun(const JoinJobRequest& request, JobSink& sink, SeamPlanner* seams, JoinOutcome& outcome)
      : JobRun(sink, outcome, JoinJobResultText), request_(request), seams_(seams) {}
  JoinOutcome& Run();

 private:
  // The first read error or change of any input ends the job in place of
  // whatever failed after it.
  const ReadFault& InputFault() override { return fault_; }
  // Ends with result, detail "PATH: english" and that in the user's language
  // below the message.
  JoinOutcome& FailFile(JoinJobResult result, const std::string& path, const std::string& english,
                        const std::string& japanese) {
    return Fail(result, path + ": " + english, path + ": " + Both(english, japanese));
  }

  bool NameOutput();
  bool ReadInput(size_t i);
  bool Write(ChainRequest& chain);
  std::string Summary() const;

  const JoinJobRequest& request_;
  SeamPlanner* seams_;  // null: a join
  std::vector<Part> parts_;
  std::vector<StreamFormat> firstFormats_;
  std::vector<ChainLink> links_;
  ReadFault fault_;  // the first read error or change of any input
};

bool JoinRun::NameOutput() {
  std::string name = request_.output;
  if (name.empty() && seams_) {
    if (!seams_->Name(request_.inputs, &name)) {
      Fail(JoinJobResult::NoOutputName, request_.inputs[0] + ": no joined name can be made from it");
      return false;
    }
  } else if (name.empty()) {
    name = DefaultJoinedName(request_.inputs);
  }
  outcome_.output = name;
  if (!request_.write) return true;
  // Moving the finished file into place would put it over the input.
  for (const std::string& input : request_.inputs)
    if (name == input || SameFile(name.c_str(), input.c_str())) {
      FailFile(JoinJobResult::NameIsInput, name, Fill(texts::kJoinNamesInput.english, {input}),
               Fill(texts::kJoinNamesInput.japanese, {input}));
      return false;
    }
  return true;
}

// Opens, analyses and checks input i, then closes it again.
bool JoinRun::ReadInput(size_t i) {
  const std::string& path = request_.inputs[i];
  const size_t n = request_.inputs.size();
  const int32_t base = int32_t(10 * i / n);
  const int32_t span = int32_t(10 * (i + 1) / n) - base;
  sink_.Status(Text(kJoinAnalyzing), base);
  if (sink_.Cancelled()) return Fail(JoinJobResult::Cancelled), false;

  Part part;
  part.path = path;
  AviSource source;
  if (const InputStop stop = OpenInput(path, source, &part.fileSize))
    return FailFile(JoinJobResult::NotOpen, path, stop.why, stop.why), false;
  source.File().ReportFaultsTo(&fault_);
  part.fileSize = source.File().Size();
  // Whether the chunks lie as written is seen as the walk passes them, so
  // the writer takes runs of them without reading every header again.
  StoredChunkWatch watch;
  InputStop stop = CheckRiff(path, source);
  if (!stop) stop = AnalyseInput(path, source, part.analysis, sink_, base, span, &watch);
  switch (stop.kind) {
    case InputStop::None: break;
    case InputStop::NotRiff:
      return FailFile(JoinJobResult::NotRiff, path, stop.why, texts::kJoinNoRiff.japanese), false;
    case InputStop::Cancelled: return Fail(JoinJobResult::Cancelled), false;
    // A read fault is recorded in fault_, which Fail reports in place of the refusal.
    default:
      return FailFile(JoinJobResult::Damaged, path, stop.why, DescribeOdmlFault(source.Fault(), 0)), false;
  }
  if (sink_.Cancelled()) return Fail(JoinJobResult::Cancelled), false;

  const AviAnalysis& a = part.analysis;
  const InputProblem problem = CheckJoinInput(a, source.File(), source.Input());
  if (problem.kind != InputProblem::None)
    return FailFile(problem.kind == InputProblem::Damaged ? JoinJobResult::Damaged : JoinJobResult::Unsupported, path,
                    problem.english, problem.japanese),
           false;
  const std::vector<StreamFormat> formats = ReadStreamFormats(a, source.Input());
  if (i == 0) {
    firstFormats_ = formats;
  } else {
    const FormatDifference d = CompareFormats(firstFormats_, formats);
    if (!d.Same()) return FailFile(JoinJobResult::FormatDiffers, path, d.english, d.japanese), false;
  }

  if (fault_) return Fail(JoinJobResult::ReadError), false;
  links_.push_back(WholeLink(a, source.Input()));
  links_.back().chunksAsWritten = watch.ChunksAsWritten(a);
  parts_.push_back(std::move(part));
  return true;
}

bool JoinRun::Write(ChainRequest& chain) {
  const std::string& path = outcome_.output;
  if (!MayWriteOver({path}, sink_)) return Fail(JoinJobResult::Cancelled), false;  // No writes nothing
  OutputFile out;
  if (!out.Create(path)) return FailFile(JoinJobResult::CannotWrite, path, out.Reason(), out.Reason()), false;
  StatusBar bar(sink_, kJoinWriting);  // 10 .. 100
  std::string problem;
  WriteResult result = WriteJoinedFile(chain, out, &bar, OdmlLimits(), &problem, request_.writer);
  // A read error or a change of an input under the copy: not what it held.
  result = CommitOutput(out, result, sink_, [this] { return bool(fault_); }, {}, WriteResult::InputShort);
  if (result == WriteResult::Written) {
    outcome_.bytes = out.Position();
    outcome_.clone = CloneReport{};
    outcome_.clone.asked = request_.writer.clone;
    outcome_.clone.Add(out.SharesBlocks(), out.SharedBytes(), out.Position());
  }
  if (result != WriteResult::Written) out.Abandon();
  switch (result) {
    case WriteResult::Written:
      outcome_.written = path;
      return true;
    case WriteResult::Cancelled: Fail(JoinJobResult::Cancelled); return false;
    case WriteResult::InputShort:
    case WriteResult::InputChanged:
    case WriteResult::ReadFailed:
      Fail(JoinJobResult::Damaged, "an input ended before the chunks its index names, or changed while it was read",
           Text(texts::kJoinInputEndedEarly));
      return false;
    case WriteResult::TooLarge: FailFile(JoinJobResult::TooLarge, path, problem, problem); return false;
    case WriteResult::WriteFailed: break;
  }
  const std::string why = out.Reason().empty() ? "write failed" : out.Reason();
  FailFile(JoinJobResult::CannotWrite, path, why, why);
  return false;
}

std::string JoinRun::Summary() const {
  const bool english = sink_.EnglishUi() != 0;
  const double t = outcome_.seconds;
  const double minutes = std::floor(t / 60.0);
  double seconds = t - 60.0 * minutes;
  if (!english) seconds = std::floor(seconds);  // as the merge's Japanese summary shows them
  double overlap = 0;
  for (double s : outcome_.seamOverlapSeconds) overlap += s;
  char text[512];
  const char* title = request_.write ? Pick(texts::kCompleted, english)
                                     : Pick(seams_ ? texts::kJoinMergeOk : texts::kJoinJoinOk, english);
  const unsigned files = unsigned(parts_.size());
  const double megabytes = double(outcome_.bytes) / 1048576.0;
  std::snprintf(text, sizeof text, Pick(texts::kJoinSummary, english), title, files, megabytes, minutes, seconds);
  std::string summary = text;
  if (seams_) {
    std::snprintf(text, sizeof text, Pick(texts::kJoinSummaryOverlap, english), overlap);
    summary += text;
  }
  return summary;
}

JoinOutcome& JoinRun::Run() {
  if (request_.inputs.size() < 2) return Fail(JoinJobResult::TooFewInputs, "join needs two or more files");
  if (!NameOutput()) return outcome_;
  for (size_t i = 0; i < request_.inputs.size(); ++i)
    if (!ReadInput(i)) return outcome_;

  std::vector<std::string> paths;
  std::vector<uint64_t> sizes;
  for (const Part& p : parts_) paths.push_back(p.path), sizes.push_back(p.fileSize);
  InputPool pool(paths, sizes);
  pool.ReportFaultsTo(&fault_);
  const AviAnalysis& first = parts_[0].analysis;
  const int video = first.firstVideoStream;
  const std::shared_ptr<ByteInput> firstInput = pool.Open(0);
  const uint32_t microSecPerFrame = firstInput ? firstInput->U32At(first.microSecPerFrameOffset) : 0;
  if (seams_) {
    sink_.Status(Text(kJoinSeams), 10);
    std::vector<const AviAnalysis*> analyses;
    for (const Part& p : parts_) analyses.push_back(&p.analysis);
    switch (seams_->Plan(pool, analyses, sink_, links_, &outcome_.seamOverlapFrames)) {
      case SeamPlanner::Outcome::Planned: break;
      case SeamPlanner::Outcome::Cancelled: return Fail(JoinJobResult::Cancelled);
      case SeamPlanner::Outcome::InputGone:
        return Fail(JoinJobResult::Damaged, "an input changed or went away while it was read",
                    Text(texts::kJoinInputGone));
    }
    outcome_.warnings = seams_->Warnings(sink_.EnglishUi());
    for (uint32_t frames : outcome_.seamOverlapFrames)
      outcome_.seamOverlapSeconds.push_back(double(microSecPerFrame) * frames * 0.000001);
  }

  ChainRequest chain;
  chain.analysis = &first;
  chain.inputs = &pool;
  chain.links = links_;
  chain.raiseBufferSizes = true;
  const JoinedFigures figures = MeasureJoinedFile(chain);
  outcome_.frames = figures.totalFrames;
  outcome_.seconds = double(microSecPerFrame) * figures.lengths[video] * 0.000001;
  outcome_.bytes = figures.fileBytes;
  const std::string refusal = JoinedFileRefusal(chain, figures);
  if (!refusal.empty()) return FailFile(JoinJobResult::TooLarge, outcome_.output, refusal, refusal);
  if (sink_.Cancelled()) return Fail(JoinJobResult::Cancelled);
  if (fault_) return Fail(JoinJobResult::ReadError);
  if (request_.write && !Write(chain)) return outcome_;

  outcome_.result = JoinJobResult::Completed;
  outcome_.message = Summary();
  std::string shown = outcome_.message;
  for (size_t i = 0; i < outcome_.warnings.size(); ++i) shown += (i ? "\n" : "\n\n") + outcome_.warnings[i];
  sink_.Message(shown.c_str(), MessageOwner::ProgressWindow);
  return outcome_;
}

}  // namespace

std::string DefaultJoinedName(const std::vector<std::string>& inputs) {
  if (inputs.empty()) return "";
  const std::string& first = inputs[0];
  std::string stem = first;
  if (stem.size() > 4 && stem[stem.size() - 4] == '.') stem.resize(stem.size() - 4);  // any three-letter extension
  for (int n = 1;; ++n) {
    const std::string name = stem + (n == 1 ? "-j" : "-j" + std::to_string(n)) + ".avi";
    bool isInput = false;
    for (const std::string& input : inputs) isInput |= name == input || SameFile(name.c_str(), input.c_str());
    if (!isInput) return name;
  }
}

JoinOutcome RunChainJob(const JoinJobRequest& request, JobSink& sink, SeamPlanner* seams) {
  JoinOutcome outcome;
  JoinRun(request, sink, seams, outcome).Run();
  return outcome;
}

JoinOutcome JoinJob(const JoinJobRequest& request, JobSink& sink) { return RunChainJob(request, sink, nullptr); }
