// One run of a job, the part every command shares: the sink and the texts
// in the user's language, the ends (a failure with its message, the read
// fault's end, the structure's refusal with the repair hint, the summary of
// a completed job), the input's first steps, the output's name checked and
// the output settled. A command derives its run from it and adds only its
// plan and its listings.
//
// Result is the command's result enumeration, with Completed, Cancelled,
// InputNotOpen, InputNotRiff, OpenDml, Damaged, NameIsInput, NoOutputName,
// CannotWrite, TooLarge, ReadError and InputChanged (those of the steps it
// takes); Outcome has result, message and detail.
//
//   class DubRun : public JobRun<DubOutcome, DubResult> {
//     DubRun(JobSink& sink, DubOutcome& outcome) : JobRun(sink, outcome, DubResultText) {}
//     const ReadFault& InputFault() override { return input_.File().Fault(); }
//   };
#pragma once
#include <functional>
#include <initializer_list>
#include <string>
#include <type_traits>

#include "avi/avi_analysis.h"
#include "avi/avi_source.h"
#include "avi/odml_index.h"
#include "avi/read_fault.h"
#include "io/output_file.h"
#include "job/fault_end.h"
#include "job/file_probe.h"
#include "job/input_session.h"
#include "job/job_sink.h"
#include "job/output_commit.h"
#include "scan/damage_report.h"
#include "texts/text_pair.h"
#include "writer/write_result.h"

template <class Result, class = void>
struct HasCompleted : std::false_type {};
template <class Result>
struct HasCompleted<Result, std::void_t<decltype(Result::Completed)>> : std::true_type {};

template <class Outcome, class Result>
class JobRun {
 public:
  using TextOf = const TextPair* (*)(Result);

  JobRun(JobSink& sink, Outcome& outcome, TextOf textOf) : sink_(sink), outcome_(outcome), textOf_(textOf) {}
  JobRun(const JobRun&) = delete;
  JobRun& operator=(const JobRun&) = delete;

  JobSink& Sink() { return sink_; }
  const char* Text(const TextPair& pair) const { return sink_.Pick(pair.english, pair.japanese); }
  std::string Both(const std::string& english, const std::string& japanese) const {
    return sink_.EnglishUi() ? english : japanese;
  }
  // A text of the catalogue in the user's language, its places filled.
  std::string Both(const TextPair& text, std::initializer_list<std::string> values = {}) const {
    return Fill(Pick(text, sink_.EnglishUi()), values);
  }

  // Ends with result and its message; detail (English, for the command
  // line) when given; extra (in the user's language) follows the message
  // after a blank line. After a read error or a change of the input, that
  // fault's result instead.
  Outcome& Fail(Result result, const std::string& detail = "", const std::string& extra = "") {
    Ending(result);
    if (result != Result::Cancelled && InputFault()) return FailReading();
    outcome_.result = result;
    if (!detail.empty()) outcome_.detail = detail;
    if (result == Result::Cancelled) ForgetOutputs();
    if (const TextPair* text = textOf_(result))
      Show(std::string(Text(*text)) + (extra.empty() ? "" : "\n\n" + extra), !Succeeded(result));
    return outcome_;
  }
  // Ends with the input's read error or change.
  Outcome& FailReading() {
    const auto end = EndOnFault(InputFault(), sink_.EnglishUi(), Result::ReadError, Result::InputChanged);
    outcome_.result = end.result;
    outcome_.detail = end.detail;
    Show(std::string(Text(*textOf_(end.result))) + "\n\n" + end.why);
    return outcome_;
  }
  // The structure's refusal of the file at path: "PATH: english", with
  // "PATH: japanese" below the message when japanese is given. A recording
  // that ended badly is Damaged instead: what is missing is its end, which
  // the damage report says, with what a repair would keep.
  Outcome& Refuse(Result result, const std::string& path, const std::string& english,
                  const std::string& japanese = "") {
    CheckInputSize();
    if (InputFault()) return FailReading();
    const DamageReport damage = InspectDamage(path);
    if (!damage.damaged)
      return Fail(result, path + ": " + english, japanese.empty() ? "" : path + ": " + Both(english, japanese));
    return Fail(Result::Damaged, path + ": " + damage.Reason(), damage.In(sink_.EnglishUi()));
  }
  // Ends with the summary of a completed job.
  Outcome& Complete(const std::string& summary) {
    outcome_.result = Result::Completed;
    Show(summary);
    return outcome_;
  }

  // The input's first steps: the open (a failure's reason below the message
  // too when reasonBelow), the "RIFF" at its start and the analysis, bar
  // base .. base + span. False once the outcome is finished.
  bool OpenAndAnalyse(const std::string& path, AviSource& source, AviAnalysis& analysis, bool reasonBelow,
                      StoredChunkWatch* watch = nullptr, int32_t base = 0, int32_t span = 10) {
    if (const InputStop stop = OpenInput(path, source))
      return Fail(Result::InputNotOpen, stop.detail, reasonBelow ? stop.detail : ""), false;
    InputStop stop = CheckRiff(path, source);
    if (!stop) stop = AnalyseInput(path, source, analysis, sink_, base, span, watch);
    switch (stop.kind) {
      case InputStop::None: return true;
      case InputStop::NotRiff: return Fail(Result::InputNotRiff, stop.detail), false;
      case InputStop::Cancelled: return Fail(Result::Cancelled), false;
      case InputStop::BrokenIndexes:
        return Refuse(Result::OpenDml, path, stop.why, reasonBelow ? DescribeOdmlFault(source.Fault(), 0) : ""), false;
      default: return FailReading(), false;
    }
  }

  // The output's name may be written: not too long, and none of the
  // inputs. False once the outcome is finished.
  bool CheckOutputName(const std::string& name, std::initializer_list<const std::string*> inputs) {
    if (name.size() > 259) return Fail(Result::NoOutputName, name + ": longer than 259 bytes"), false;
    for (const std::string* input : inputs) {
      if (input->empty()) continue;
      if (name == *input || SameFile(name.c_str(), input->c_str()))
        return Fail(Result::NameIsInput, name + ": names the input " + *input), false;
    }
    return true;
  }

  // How a failed copy of the input is worded: the input ended before the
  // chunks its index names, or changed while it was read.
  using EndedEarly = std::function<Outcome&()>;
  // Ends the writing of out with result: flushed, synced and moved into
  // place when written (once mayCommit agrees), else removed and the
  // failure reported (the system's reason below the message too when
  // reasonBelow). True when the output stands (the caller then records and
  // completes it).
  bool Settle(OutputFile& out, WriteResult result, const std::string& problem, const EndedEarly& endedEarly,
              bool reasonBelow = false, const std::function<bool()>& mayCommit = {}) {
    const std::string name = out.FinalPath();
    // A read error or a change of the input under the copy: not what it held.
    result = CommitOutput(out, result, sink_, [this] { return CheckInputSize(), InputChanged(); }, mayCommit);
    if (result == WriteResult::Written) return true;
    out.Abandon();
    const std::string reason = out.Reason().empty() ? "write failed" : out.Reason();
    switch (result) {
      case WriteResult::Written: break;
      case WriteResult::Cancelled: Fail(Result::Cancelled); break;
      case WriteResult::InputShort:
      case WriteResult::InputChanged:
      case WriteResult::ReadFailed: endedEarly(); break;
      case WriteResult::TooLarge: Fail(Result::TooLarge, name + ": " + problem); break;
      case WriteResult::WriteFailed: Fail(Result::CannotWrite, name + ": " + reason, reasonBelow ? name + ": " + reason : ""); break;
    }
    return false;
  }

 protected:
  ~JobRun() = default;

  // The read error or change of the input seen so far; none by default.
  virtual const ReadFault& InputFault() {
    static const ReadFault none;
    return none;
  }
  // Looks at the inputs' sizes once more (a change shows in InputFault).
  virtual void CheckInputSize() {}
  // Called as Fail begins, before the inputs' faults are looked at: a run
  // with work of its own in the background stops it here.
  virtual void Ending(Result) {}
  // An input is not what was read: its fault, or the run's own reasons.
  virtual bool InputChanged() { return bool(InputFault()); }
  // Shows a message that ends the job and keeps it as the outcome's.
  // Whether result is a success (its detail is then no failure's reason).
  virtual bool Succeeded(Result result) const {
    if constexpr (HasCompleted<Result>::value) return result == Result::Completed;
    return false;
  }
  // The message is text; a host that shows details (the window) gets a
  // failure's detail below it, as the command line prints it.
  virtual void Show(const std::string& text, bool failed = false) {
    outcome_.message = text;
    const std::string shown = failed ? sink_.WithDetail(text, outcome_.detail) : text;
    sink_.Message(shown.c_str(), OwnerOf(outcome_.result));
  }
  // The window a result's message is shown over.
  virtual MessageOwner OwnerOf(Result) const { return MessageOwner::ProgressWindow; }
  // A cancelled job has written nothing: its outputs are forgotten.
  virtual void ForgetOutputs() {}

  JobSink& sink_;
  Outcome& outcome_;

 private:
  TextOf textOf_;
};
