// Writing half of the split engine: names and creates the two outputs and
// writes them as the two shares of the input (share/output_share.h) that the
// plan gives them.
#include <cstdio>
#include <cstring>
#include <memory>

#include "job/job_sink.h"
#include "job/output_commit.h"
#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "io/file_system.h"
#include "io/output_file.h"
#include "avi/source_window.h"
#include "split/split_engine.h"
#include "share/share_math.h"

namespace {

uint32_t StreamLength(const SplitSource& source, const SplitPlan& plan, uint32_t n, bool first) {
  const AviAnalysis& a = source.analysis;
  const StreamEntry& s = a.streams[n];
  const StreamCut& cut = plan.cuts[n];
  if (int32_t(n) == a.firstVideoStream)
    return first ? plan.splitFrame : plan.videoFrames - plan.secondStartFrame;
  const uint32_t length = source.input.U32At(s.lengthOffset);
  if (s.type == StreamAudio) {
    // Kept within the source's own length even when its audio runs short.
    const uint64_t samples = SamplesForFrames(plan.frameMicros, first ? plan.splitFrame : plan.secondStartFrame, s);
    if (first) return samples < length ? uint32_t(samples) : length;
    return samples < length ? length - uint32_t(samples) : 0;
  }
  if (s.idx1EntryCount == 0) return 0;
  const uint32_t entries = first ? cut.firstCount : s.idx1EntryCount - cut.secondStart;
  return ProportionOf(entries, length, s.idx1EntryCount);
}

// What output x (0 first, 1 second) of the plan receives. The first file
// takes each stream's entries 0 .. firstCount - 1 (an audio stream's last
// one shortened to its head), the second its entries from secondStart on
// (an audio stream's first one shortened to its tail).
OutputShare ShareOf(const SplitSource& source, const SplitPlan& plan, int x) {
  const AviAnalysis& a = source.analysis;
  OutputShare share;
  share.frames = x == 0 ? plan.splitFrame : plan.videoFrames - plan.secondStartFrame;
  for (uint32_t n = 0; n < a.streamCount; ++n) {
    const StreamCut& cut = plan.cuts[n];
    StreamShare& s = share.streams[n];
    if (x == 0) {
      s.begin = 0;
      s.end = cut.firstCount < cut.entries ? cut.firstCount : cut.entries;
      if (s.end == cut.firstCount) s.lastHead = cut.firstPartialBytes;
      s.moviBytes = cut.firstMoviBytes;
    } else {
      s.begin = cut.secondStart;
      s.end = cut.entries;
      s.firstTail = cut.secondPartialBytes;
      s.moviBytes = cut.secondMoviBytes;
    }
    s.length = StreamLength(source, plan, n, x == 0);
  }
  return share;
}

void Report(JobSink& sink, int cells) { sink.Status(sink.Pick(kSplitFileCreating.english, kSplitFileCreating.japanese), cells); }

}  // namespace

bool MakeSplitOutputNames(const std::string& input, std::string* first, std::string* second) {
  const size_t folder = filesys::FolderOf(input).size();
  const size_t name = input.size() - folder;
  // Four characters go (normally ".avi") only when the last component has them.
  const size_t keep = name >= 4 ? input.size() - 4 : input.size();
  if (keep + 6 > filesys::LongestPathBytes()) return false;
  *first = input.substr(0, keep) + "-1.avi";
  *second = input.substr(0, keep) + "-2.avi";
  return true;
}

void PlannedOutputSizes(const SplitSource& source, const SplitPlan& plan, uint64_t sizes[2]) {
  for (int x = 0; x < 2; ++x) sizes[x] = ShareFileBytes(source.analysis, ShareOf(source, plan, x));
}

std::string SplitOutputRefusal(const SplitSource& source, const SplitPlan& plan, int output) {
  return ShareRefusal(source, ShareOf(source, plan, output));
}

SplitResult WriteSplitStreams(const SplitSource& src, const SplitPlan& plan, OutputStream* streams[2],
                              JobSink& sink, int* failedOutput, ChunkCopy copy, const OdmlLimits& odmlLimits,
                              std::string* problem, const WriterOptions& options) {
  const OutputShare shares[2] = {ShareOf(src, plan, 0), ShareOf(src, plan, 1)};
  const ShareOutput both[2] = {{&shares[0], streams[0]}, {&shares[1], streams[1]}};
  ShareWriting how;
  how.stretch = WholeIndex(src.analysis);
  how.copy = copy;
  how.odml = odmlLimits;
  how.options = options;
  return SplitResultOf(WriteShares(src, both, 2, how, sink), failedOutput, problem);
}

SplitResult WriteSplitOutputs(const SplitSource& source, const TimeSplit& time, const SplitPlan& plan,
                              JobSink& sink, SplitOutcome& outcome, ChunkCopy copy,
                              const std::function<bool()>& mayCommit) {
  std::string names[2];
  bool namesFit = MakeSplitOutputNames(source.path, &names[0], &names[1]);
  if (namesFit && !time.writer.folder.empty()) {
    for (std::string& name : names) name = filesys::PathInFolder(time.writer.folder, name);
    namesFit = names[0].size() <= filesys::LongestPathBytes();
  }
  SplitFigures& figures = outcome.figures;
  figures.planned = true;
  figures.cutFrame = plan.splitFrame;
  figures.cutSeconds = FramesToSeconds(plan.frameMicros, plan.splitFrame);
  figures.secondStartFrame = plan.secondStartFrame;
  figures.secondStartSeconds = FramesToSeconds(plan.frameMicros, plan.secondStartFrame);

  Report(sink, 10);
  if (sink.Cancelled()) return SplitResult::Cancelled;

  const bool wanted[2] = {time.create != CreateMode::Second, time.create != CreateMode::First};
  const SplitResult cannotCreate[2] = {SplitResult::CannotCreateFirst, SplitResult::CannotCreateSecond};
  if (!namesFit) {
    outcome.detail = source.path + ": the output names would be longer than " +
                     std::to_string(filesys::LongestPathBytes()) + " bytes";
    return cannotCreate[wanted[0] ? 0 : 1];
  }
  outcome.firstOutput = names[0];
  outcome.secondOutput = names[1];

  // An output made larger than its input by a looping index is refused before any file is created.
  for (int x = 0; x < 2; ++x) {
    const std::string why = wanted[x] ? SplitOutputRefusal(source, plan, x) : std::string();
    if (!why.empty()) {
      outcome.detail = names[x] + ": " + why;
      return SplitResult::OutputTooLarge;
    }
  }

  // Asked before any file is created: No writes nothing.
  std::vector<std::string> finals;
  for (int x = 0; x < 2; ++x)
    if (wanted[x]) finals.push_back(names[x]);
  if (!MayWriteOver(finals, sink)) return SplitResult::Cancelled;

  OutputFile files[2];
  OutputStream* streams[2] = {nullptr, nullptr};
  for (int x = 0; x < 2; ++x) {
    if (!wanted[x]) continue;
    if (!files[x].Create(names[x])) {
      outcome.detail = names[x] + ": " + files[x].Reason();
      return cannotCreate[x];  // files[] remove what was created
    }
    streams[x] = &files[x];
  }

  int failed = -1;
  std::string problem;
  SplitResult result =
      WriteSplitStreams(source, plan, streams, sink, &failed, copy, OdmlLimits(), &problem, time.writer);
  if (result == SplitResult::OutputTooLarge) {
    outcome.detail = names[failed] + ": " + problem;
    return result;
  }
  if (result == SplitResult::WriteFailed) {
    outcome.detail = failed < 0 ? source.path + ": the input ended before the chunks its index names"
                                : names[failed] + ": " + files[failed].Reason();
    return result;
  }
  if (result != SplitResult::Completed) return result;
  std::vector<OutputFile*> made;
  std::vector<int> madeAs;
  for (int x = 0; x < 2; ++x)
    if (wanted[x]) made.push_back(&files[x]), madeAs.push_back(x);
  // A read error or a change of the input under the copy (an index cut
  // away reads as no entries): the outputs are not what it held.
  const auto changed = [&source] { return source.input.CheckSize(), bool(source.input.Fault()); };
  // A cancel, or a guess not confirmed: the files go, nothing was replaced.
  const CommitEnd end = CommitOutputs(made, sink, changed, mayCommit);
  const int x = end.failed < madeAs.size() ? madeAs[end.failed] : 0;
  switch (end.step) {
    case CommitEnd::Committed: break;
    case CommitEnd::NotWritten:
      outcome.detail = names[x] + ": " + files[x].Reason();
      return SplitResult::WriteFailed;
    case CommitEnd::InputFault: return SplitResult::WriteFailed;  // the job reports the fault
    case CommitEnd::Cancelled: return SplitResult::Cancelled;
    case CommitEnd::NotMoved:
      outcome.detail = names[x] + ": " + files[x].Reason();
      return cannotCreate[x];
  }
  outcome.wroteFirst = wanted[0];
  outcome.wroteSecond = wanted[1];
  figures.firstBytes = wanted[0] ? files[0].Position() : 0;  // OpenDML outputs differ from the planned version-1 size
  figures.secondBytes = wanted[1] ? files[1].Position() : 0;
  outcome.clone = CloneReport{};
  outcome.clone.asked = time.writer.clone;
  for (int x = 0; x < 2; ++x)
    if (wanted[x]) outcome.clone.Add(files[x].SharesBlocks(), files[x].SharedBytes(), files[x].Position());
  return SplitResult::Completed;
}
