#include "repair/repair_job.h"

#include <cstdio>

#include "job/file_probe.h"
#include "job/input_session.h"
#include "job/job_run.h"
#include "job/job_sink.h"
#include "job/output_commit.h"
#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "io/output_file.h"
#include "scan/damage_report.h"
#include "scan/repair_scan.h"
#include "repair/repair_writer.h"

namespace {

using ull = unsigned long long;

class RepairRun : public JobRun<RepairOutcome, RepairResult> {
 public:
  RepairRun(const RepairRequest& request, JobSink& sink, const OdmlLimits& limits, RepairOutcome& outcome)
      : JobRun(sink, outcome, RepairResultText), request_(request), limits_(limits) {}
  RepairOutcome& Run();

 private:
  // The fault FailedReading found: the repair looks at the input itself,
  // after its scan and after its copy, and ends on what it finds there.
  const ReadFault& InputFault() override { return fault_; }
  bool Succeeded(RepairResult result) const override { return result <= RepairResult::NothingToRepair; }
  RepairOutcome& Refuse(RepairRefusal refusal);
  // Ends with the input's read error or change, if it had one.
  bool FailedReading() {
    input_.CheckSize();
    if (!input_.Fault()) return false;
    fault_ = input_.Fault();
    FailReading();
    return true;
  }
  std::string Kept() const;

  const RepairRequest& request_;
  OdmlLimits limits_;
  ByteInput input_;
  RepairScan scan_;
  ReadFault fault_;
};

RepairOutcome& RepairRun::Refuse(RepairRefusal refusal) {
  const std::string& path = request_.path;
  switch (refusal) {
    case RepairRefusal::NotRiff: return Fail(RepairResult::NotAvi, path + ": does not begin with \"RIFF\"");
    case RepairRefusal::NotAvi: {
      std::string form;
      for (int i = 0; i < 4; ++i) {
        const char c = char(scan_.riffForm >> (8 * i));
        form += c >= 0x20 && c <= 0x7E ? c : '.';
      }
      return Fail(RepairResult::NotAvi, path + ": a RIFF file of form \"" + form + "\", not \"AVI \"");
    }
    case RepairRefusal::NoHeader:
      return Fail(RepairResult::NoHeader, path + ": no hdrl list with avih and a stream header (strh)");
    case RepairRefusal::TooManyStreams:
      return Fail(RepairResult::NoHeader, path + ": more than 10 stream headers");
    case RepairRefusal::NoDataList: return Fail(RepairResult::NoDataList, path + ": no LIST movi");
    case RepairRefusal::NoWholeChunk:
      return Fail(RepairResult::NoWholeChunk, path + ": no whole chunk of the header's streams in the data lists");
    case RepairRefusal::TooManyChunks:
      return Fail(RepairResult::TooLarge, path + ": more than " + std::to_string(kMaxRepairChunks) + " chunks");
    case RepairRefusal::Cancelled: return Fail(RepairResult::Cancelled);
    case RepairRefusal::None: break;
  }
  return outcome_;
}

// What the repaired file keeps, in words for the command line.
std::string RepairRun::Kept() const {
  std::string text = std::to_string(scan_.chunks.Size()) + " chunks kept (";
  for (uint32_t s = 0; s < scan_.streamCount; ++s) {
    const RepairStream& st = scan_.streams[s];
    if (s) text += ", ";
    text += "stream " + std::to_string(s) + ": " + std::to_string(st.chunks);
    if (st.fccType == kVids) {
      const uint64_t indexed = st.indexedKey + st.indexedNotKey;
      text += " frames, key flags of " + std::to_string(indexed) + " from the index";
      if (st.chunks > indexed) text += std::string(" and of ") + std::to_string(st.chunks - indexed) + " by " + KeyRuleName(st.rule);
    } else {
      text += " chunks";
    }
  }
  text += ")";
  if (scan_.partialChunk) text += "; the partial chunk at the end left out";
  if (scan_.skippedBytes) text += "; " + std::to_string(scan_.skippedBytes) + " bytes that held no chunk left out";
  return text;
}

RepairOutcome& RepairRun::Run() {
  const std::string& path = request_.path;
  sink_.Status(Text(kRepairReading), 0);
  if (sink_.Cancelled()) return Fail(RepairResult::Cancelled);
  // The session's first look; the open is the scan's own (it reads the raw
  // chunks, neither indexes nor headers).
  if (const InputStop stop = LookAtInput(path)) return Fail(RepairResult::InputNotOpen, stop.detail);
  if (!input_.Open(path.c_str())) return Fail(RepairResult::InputNotOpen, path + ": " + input_.OpenError());

  ScanForRepair(input_, scan_, &sink_, 0, 10);
  if (FailedReading()) return outcome_;
  if (scan_.refusal != RepairRefusal::None) return Refuse(scan_.refusal);
  outcome_.frames = uint32_t(scan_.VideoFrames());
  outcome_.seconds = scan_.Seconds();
  if (scan_.Intact()) {
    outcome_.nothingToRepair = true;
    return Fail(RepairResult::NothingToRepair, path + ": whole, and its index names every chunk");
  }
  const DamageReport damage = DescribeDamage(scan_);

  const std::string output = request_.output.empty() ? RepairedName(path) : request_.output;
  if (output == path || SameFile(output.c_str(), path.c_str()))
    return Fail(RepairResult::OutputIsInput, output + ": names the input");
  RepairedFigures figures;
  std::string problem;
  if (!MeasureRepairedFile(input_, scan_, limits_, &figures, &problem))
    return Fail(RepairResult::TooLarge, output + ": " + problem);

  if (!MayWriteOver({output}, sink_)) return Fail(RepairResult::Cancelled);  // No writes nothing
  OutputFile out;
  if (!out.Create(output)) return Fail(RepairResult::CannotCreate, output + ": " + out.Reason());
  sink_.Status(Text(kRepairWriting), 10);
  WriteResult written = WriteRepairedFile(input_, scan_, out, &sink_, 10, 90, limits_, &problem, request_.writer);
  // A read error or a change of the input under the copy: not what it held.
  written = CommitOutput(out, written, sink_, [this] { return input_.CheckSize(), bool(input_.Fault()); });
  if (written != WriteResult::Written) {
    const std::string reason = out.Reason();
    out.Abandon();
    if (written != WriteResult::Cancelled && FailedReading()) return outcome_;
    switch (written) {
      case WriteResult::Cancelled: return Fail(RepairResult::Cancelled);
      case WriteResult::InputShort:
      case WriteResult::InputChanged:
      case WriteResult::ReadFailed:
        return Fail(RepairResult::WriteFailed, path + ": the file changed while it was read");
      case WriteResult::TooLarge: return Fail(RepairResult::TooLarge, output + ": " + problem);
      default: return Fail(RepairResult::WriteFailed, output + ": " + (reason.empty() ? "write failed" : reason));
    }
  }
  outcome_.written = output;
  outcome_.bytes = out.Position();
  outcome_.clone.asked = request_.writer.clone;
  outcome_.clone.Add(out.SharesBlocks(), out.SharedBytes(), out.Position());
  outcome_.result = RepairResult::Repaired;
  char summary[256];
  const double minutes = double(uint64_t(outcome_.seconds) / 60);
  std::snprintf(summary, sizeof summary, Text(kRepairSummary), unsigned(outcome_.frames), minutes,
                outcome_.seconds - minutes * 60);
  std::string message = summary;
  if (scan_.KeyFramesUntold()) message += std::string("\n\n") + Text(kRepairKeysUntold);
  outcome_.detail = output + ": " + Kept() + (figures.openDml ? "; written as OpenDML" : "") + "\n" +
                    damage.Reason();
  Show(message);
  return outcome_;
}

}  // namespace

std::string RepairedName(const std::string& path) {
  std::string stem = path;
  if (stem.size() >= 4) {
    std::string tail = stem.substr(stem.size() - 4);
    for (char& c : tail) c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (tail == ".avi") stem.resize(stem.size() - 4);
  }
  return stem + "-r.avi";
}

RepairOutcome RepairJob(const RepairRequest& request, JobSink& sink) {
  return RepairJobWithLimits(request, sink, OdmlLimits());
}

RepairOutcome RepairJobWithLimits(const RepairRequest& request, JobSink& sink, const OdmlLimits& limits) {
  RepairOutcome outcome;
  RepairRun(request, sink, limits, outcome).Run();
  return outcome;
}
