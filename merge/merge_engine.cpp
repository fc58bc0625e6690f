#include "merge/merge_engine.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/host.h"
#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "avi/index_reader.h"
#include "merge/merge_texts.h"

namespace {

uint64_t ChunkCost(uint64_t length) { return length + (length & 1) + 24; }  // header, pad, entry

bool EndsWithNoCase(const char* text, size_t length, const char* suffix) {
  size_t n = std::strlen(suffix);
  if (length < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(uint8_t(text[length - n + i])) != std::tolower(uint8_t(suffix[i]))) return false;
  return true;
}

// The window as the plug-in receives it: cut toward zero to a 32-bit integer.
int32_t WholeSeconds(double window) {
  double whole = std::trunc(window);
  if (!(whole > -2147483648.0)) return whole != whole ? 0 : -2147483647 - 1;
  if (whole > 2147483647.0) return 2147483647;
  return int32_t(whole);
}

}  // namespace

int32_t MakeMergedName(char* path) {
  size_t length = std::strlen(path);
  if (length < 5) return kMergeBadSourceName;
  if (length > 6 && EndsWithNoCase(path, length, "-1.avi"))
    length -= 6;  // the first output of a split
  else if (path[length - 4] == '.')
    length -= 4;  // any three-letter extension
  if (length + 6 >= size_t(kPathBytes)) return kMergeNoOutputName;
  std::memcpy(path + length, "-m.avi", 7);
  return 0;
}

uint64_t CountMergedBytes(JobState& state, const MergePlan& plan) {
  const AviAnalysis& a = state.analysis;
  uint64_t bytes = 0;

  uint32_t taken[kMaxStreams] = {};
  IndexReader first(state.inputFile, a.idx1Offset, a.idx1EntryTotal);
  for (uint32_t i = 0; i < first.Total(); ++i) {
    IndexEntry e = first.At(i);
    int s = StreamOfCkid(e.ckid);
    if (s < 0 || taken[s] >= plan.keepCount[s]) continue;  // keepCount is 0 beyond streamCount
    taken[s]++;
    bytes += ChunkCost(e.length);
  }

  bool seen[kMaxStreams] = {};
  IndexReader second(state.secondInputFile, a.secondIdx1Offset, a.secondIdx1EntryTotal);
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

MergeFigures ComputeFigures(JobState& state, const MergePlan& plan, uint64_t mergedBytes) {
  const AviAnalysis& a = state.analysis;
  const int video = a.firstVideoStream;
  const double u = double(MicroSecPerFrame(state));
  const double n1 = double(a.streams[video].idx1EntryCount);
  const double n2 = double(a.secondIdx1EntryCount[video]);
  const double kept = double(plan.keepCount[video]);
  MergeFigures f;
  f.overlapSeconds = u * (n1 - kept) * 0.000001;
  f.seconds = u * (kept + n2) * 0.000001;
  f.sizeMegabytes = double(uint64_t(a.moviOffset) + mergedBytes + 12) / 1048576.0;
  return f;
}

void FormatSummary(const MergeFigures& figures, int englishUi, char* out, size_t size) {
  const double t = figures.seconds;
  double minutes = std::floor(t / 60.0);
  double seconds = t - 60.0 * minutes;
  // The Japanese summary shows whole seconds (its tenths always read 0).
  if (!englishUi) seconds = std::floor(seconds);
  std::snprintf(out, size, MergeString(MergeText::SummaryFormat, englishUi), figures.sizeMegabytes,
                minutes, seconds, figures.overlapSeconds);
}

int32_t MergeEngine(JobState& state, double window, int32_t mode) {
  MergePlan plan;
  if (PlanMerge(state, window, plan) == PlanOutcome::Cancelled) return 0;
  if (mode == 0) return 0;

  char name[kPathBytes];
  std::memcpy(name, state.inputPath, sizeof name);
  name[kPathBytes - 1] = 0;
  int32_t named = MakeMergedName(name);
  if (named != 0) return named;
  std::memcpy(state.inputPath, name, sizeof name);

  uint64_t bytes = CountMergedBytes(state, plan);
  MergeFigures figures = ComputeFigures(state, plan, bytes);

  int32_t pluginResult = 0;
  int32_t seconds = WholeSeconds(window);
  state.mergePlan = &plan;
  const bool completed = state.host.callPlugin &&
                         state.host.callPlugin(state.host.context, mode, seconds, &pluginResult) &&
                         pluginResult == 0;
  state.mergePlan = nullptr;
  if (completed) {
    SetStatusText(state, MergeString(MergeText::Completed, state.englishUi));
    return 0;
  }
  FormatSummary(figures, state.englishUi, state.statusText, sizeof state.statusText);
  return 0;
}
