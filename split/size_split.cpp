#include "split/size_split.h"

#include <cmath>
#include <cstdio>

#include "app/file_probe.h"
#include "app/host.h"
#include "avi/fourcc.h"
#include "split/split_texts.h"

namespace {

// The first file's size when it ends at the first usable key frame at or
// after frame; false when there is none.
bool FirstFileAt(JobState& state, uint32_t frame, SplitPlan& plan, uint64_t* bytes) {
  if (PlanSplitAtFrame(state, frame, 0.0, plan) != 0) return false;
  *bytes = FirstOutputBytes(state.analysis, plan);
  return true;
}

int32_t Fail(JobState& state, int32_t code, const TextPair& text) {
  ShowMessage(state, Pick(text, state.englishUi));
  return code;
}

}  // namespace

uint64_t SizeLimitBytes(double megabytes) {
  if (!(megabytes > 0)) return 0;
  const double bytes = std::floor(megabytes * kBytesPerMegabyte);
  return bytes >= 18446744073709551615.0 ? UINT64_MAX : uint64_t(bytes);
}

int32_t PlanSizeSplit(JobState& state, uint64_t limitBytes, uint64_t inputBytes, double overlap,
                      SplitPlan& plan) {
  if (limitBytes == 0) return kSplitBadSize;
  // The structure first: an unsupported file is refused as such.
  int32_t code = PlanSplitAtFrame(state, 1, 0.0, plan);
  if (code != 0 && code != kSplitNoKeyFrame) return code;
  if (inputBytes <= limitBytes) return kSplitAlreadyFits;
  uint64_t bytes = 0;
  if (code != 0 || (bytes = FirstOutputBytes(state.analysis, plan)) > limitBytes) return kSplitSizeTooSmall;

  // The first file grows with the frame it ends at (more video, more audio
  // time, more entries), so the last frame whose key frame still fits is
  // found by halving: fits(lo) holds, fits(hi) does not.
  uint32_t lo = 1, hi = plan.videoFrames;
  while (hi - lo > 1) {
    const uint32_t mid = lo + (hi - lo) / 2;
    if (FirstFileAt(state, mid, plan, &bytes) && bytes <= limitBytes)
      lo = mid;
    else
      hi = mid;
  }
  return PlanSplitAtFrame(state, lo, overlap, plan);
}

int32_t RunSizeSplit(JobState& state, const SizeSplitRequest& request) {
  const int english = state.englishUi;
  state.firstOutputPath[0] = 0;
  state.secondOutputPath[0] = 0;
  const uint64_t limit = SizeLimitBytes(request.megabytes);
  if (limit == 0) return Fail(state, kSplitBadSize, SplitResultText(kSplitBadSize));

  std::snprintf(state.inputPath, sizeof state.inputPath, "%s", request.path);
  uint32_t fileSize = 0;
  switch (ProbeInputFile(state.inputPath, &fileSize)) {
    case ProbeResult::CannotOpen: return Fail(state, -9, SplitText(kTextFileNotOpen));
    case ProbeResult::TooLarge: return Fail(state, -10, SplitText(kTextFileTooLarge));
    case ProbeResult::Ok: break;
  }
  ByteInput& input = state.inputFile;
  if (!input.Open(state.inputPath)) return Fail(state, -9, SplitText(kTextFileNotOpen));

  AviAnalysis& a = state.analysis;
  ResetAnalysis(a);
  SetStatusText(state, Pick(SplitText(kTextAnalyzing), english));
  ReportProgress(state, 0);
  a.progressBase = 0;
  a.progressSpan = 10;
  a.progressTotal = fileSize;
  a.progressLast = 0;
  if (input.U32At(0) != kRiff) {
    input.Close();
    return Fail(state, -13, SplitText(kTextNotRiff));
  }
  WalkChunks(state, input, 0, fileSize, 0);
  a.chunkBase = DetectChunkBase(a, input);
  if (CancelSet(state)) {
    input.Close();
    return -1;
  }

  SplitPlan plan;
  const double overlap = request.createMode == kCreateFirst ? 0.0 : request.overlap;
  int32_t code = PlanSizeSplit(state, limit, fileSize, overlap, plan);
  if (code == 0) {
    const TimeSplitRequest writing{1, 0, 0, 0, overlap, request.createMode};
    code = WriteSplitOutputs(state, writing, plan);
  }
  input.Close();
  if (CancelSet(state) || code == -1) {
    // The writer leaves what it wrote of a cancelled run; none of it is kept.
    if (state.firstOutputPath[0] && request.createMode != kCreateSecond) std::remove(state.firstOutputPath);
    if (state.secondOutputPath[0] && request.createMode != kCreateFirst) std::remove(state.secondOutputPath);
    return -1;
  }
  if (code == kSplitCannotCreateSecond && request.createMode == kCreateBoth) std::remove(state.firstOutputPath);
  if (code != 0) return Fail(state, code, SplitResultText(code));
  return 0;
}
