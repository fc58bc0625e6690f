#include "merge/merge_engine.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "job/job_sink.h"
#include "texts/merge_texts.h"
#include "avi/byte_input.h"
#include "io/file_system.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "merge/merge_output.h"
#include "merge/overlap_sound.h"

namespace {

uint64_t ChunkCost(uint64_t length) { return length + (length & 1) + 24; }  // header, pad, entry

bool EndsWithNoCase(const char* text, size_t length, const char* suffix) {
  size_t n = std::strlen(suffix);
  if (length < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(uint8_t(text[length - n + i])) != std::tolower(uint8_t(suffix[i]))) return false;
  return true;
}

// The window as the joined file's writer receives it: cut toward zero to a 32-bit integer.
int32_t WholeSeconds(double window) {
  double whole = std::trunc(window);
  if (!(whole > -2147483648.0)) return whole != whole ? 0 : -2147483647 - 1;
  if (whole > 2147483647.0) return 2147483647;
  return int32_t(whole);
}

}  // namespace

MergeResult MakeMergedName(const std::string& firstPath, std::string* merged) {
  size_t length = firstPath.size();
  if (length < 5) return MergeResult::BadSourceName;
  const char* path = firstPath.c_str();
  if (length > 6 && EndsWithNoCase(path, length, "-1.avi"))
    length -= 6;  // the first output of a split
  else if (path[length - 4] == '.')
    length -= 4;  // any three-letter extension
  if (length + 6 > filesys::LongestPathBytes()) return MergeResult::NoOutputName;
  *merged = firstPath.substr(0, length) + "-m.avi";
  return MergeResult::Completed;
}

uint64_t CountMergedBytes(const MergeSources& in, const MergePlan& plan) {
  const AviAnalysis& a = in.first.analysis;
  const AviAnalysis& b = in.second.analysis;
  uint64_t bytes = 0;

  uint32_t taken[kMaxStreams] = {};
  IndexReader first(in.first.file, a.idx1Offset, a.idx1EntryTotal);  for (uint32_t i = 0; i < first.Total(); ++i) {
    IndexEntry e = first.At(i);
    int s = StreamOfCkid(e.ckid);
    if (s < 0 || taken[s] >= plan.keepCount[s]) continue;  // keepCount is 0 beyond streamCount
    taken[s]++;
    bytes += ChunkCost(e.length);
  }

  bool seen[kMaxStreams] = {};
  IndexReader second(in.second.file, b.idx1Offset, b.idx1EntryTotal);
  for (uint32_t i = 0; i < second.Total(); ++i) {
    IndexEntry e = second.At(i);
    int s = StreamOfCkid(e.ckid);
    // Streams the header does not describe are no part of the joined file.
    if (s < 0 || uint32_t(s) >= a.streamCount) continue;
    bool firstOfStream = !seen[s];
    seen[s] = true;
    uint64_t length = e.length;
    if (firstOfStream && a.streams[s].type == StreamAudio && plan.seamJoinBytes[s] != 0) {
      if (plan.seamPartialBytes[s] != 0) {
        bytes += ChunkCost(length + plan.seamPartialBytes[s]);
      } else {
        // The first input's last kept chunk and this one become one chunk.
        uint64_t joined = plan.seamJoinBytes[s];
        bytes -= joined + (joined & 1);
        bytes += (joined + length) + ((joined + length) & 1);
      }
      continue;
    }
    bytes += ChunkCost(length);
  }
  return bytes;
}

MergeFigures ComputeFigures(const MergeSources& in, const MergePlan& plan, uint64_t mergedBytes) {
  const AviAnalysis& a = in.first.analysis;
  const int video = a.firstVideoStream;
  const double u = double(MicroSecPerFrame(in));
  const double n1 = double(a.streams[video].idx1EntryCount);
  const double n2 = double(EntriesOfStream(in.second.analysis, video));
  const double kept = double(plan.keepCount[video]);
  MergeFigures f;
  f.counted = true;
  f.overlapSeconds = u * (n1 - kept) * 0.000001;
  f.seconds = u * (kept + n2) * 0.000001;
  f.sizeMegabytes = double(uint64_t(a.moviOffset) + mergedBytes + 12) / 1048576.0;
  f.overlapFrames = uint32_t(n1 - kept);
  f.frames = uint32_t(kept + n2);
  f.joinedBytes = MeasureJoinedFile(JoinRequestFor(in, plan)).fileBytes;
  return f;
}

std::string FormatSummary(const MergeFigures& figures, int englishUi) {
  const double t = figures.seconds;
  double minutes = std::floor(t / 60.0);
  double seconds = t - 60.0 * minutes;
  // The Japanese summary shows whole seconds (its tenths always read 0).
  if (!englishUi) seconds = std::floor(seconds);
  char text[260];
  std::snprintf(text, sizeof text, Pick(kMergeSummaryFormat, englishUi), figures.sizeMegabytes, minutes, seconds,
                figures.overlapSeconds);
  return text;
}

namespace {

// The joined file written and the overlap dropped, for the window's result.
std::string JoinedDoneText(const std::string& path, const MergeFigures& f, int englishUi) {
  char seconds[32], overlap[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", f.seconds);
  std::snprintf(overlap, sizeof overlap, "%.3f", f.overlapSeconds);
  return Fill(Pick(texts::kMergeJoinedDone, englishUi),
              {path.substr(filesys::FolderOf(path).size()), std::to_string(f.joinedBytes), seconds,
               std::to_string(f.frames), overlap, std::to_string(f.overlapFrames)});
}

}  // namespace

MergeResult MergeEngine(const MergeSources& in, double window, int32_t mode, JobSink& sink,
                        MergeEngineOutput& out, bool sumUp, const JoinedFileStep& writeJoined) {
  if (PlanMerge(in, window, sink, out.plan) == PlanOutcome::Cancelled) return MergeResult::Cancelled;
  if (mode == 0) return MergeResult::Completed;

  MergeResult named = MakeMergedName(in.firstPath, &out.mergedName);
  if (named != MergeResult::Completed) return named;

  uint64_t bytes = CountMergedBytes(in, out.plan);
  MergeFigures figures = ComputeFigures(in, out.plan, bytes);
  out.figures = figures;
  out.soundDiffers = SoundDiffersInOverlap(in, out.plan, 0, sink);
  if (sink.Cancelled()) return MergeResult::Cancelled;

  if (!sumUp) return MergeResult::Completed;  // the host writes the joined file itself

  JoinedFileWork work;
  work.mode = mode;
  work.windowSeconds = WholeSeconds(window);
  work.firstInput = in.firstPath;
  work.secondInput = in.secondPath;
  work.joinedPath = out.mergedName;
  if (writeJoined && writeJoined(work, sink)) {
    out.text = Pick(kMergeJoinedWritten, sink.EnglishUi());
    if (sink.ShowsDetail()) out.text += "\n\n" + JoinedDoneText(out.mergedName, figures, sink.EnglishUi());
    return MergeResult::Completed;
  }
  out.text = FormatSummary(figures, sink.EnglishUi());
  return MergeResult::Completed;
}
