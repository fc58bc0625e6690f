// The checks every share of an input starts from (share/split_source.h).
#include "share/split_source.h"

#include <cstring>

#include "avi/avi_source.h"
#include "avi/byte_input.h"

namespace {

SplitResult CheckStructure(const AviAnalysis& a) {
  if (a.riffSizeOffset == 0 || a.microSecPerFrameOffset == 0 || a.totalFramesOffset == 0 ||
      a.streamsOffset == 0 || a.moviOffset == 0)
    return SplitResult::NoHeaderFields;
  if (a.streamCount == 0) return SplitResult::NoStreams;
  for (uint32_t n = 0; n < a.streamCount; ++n)
    if (a.streams[n].lengthOffset == 0) return SplitResult::BadStreamHeader;
  // The headers are copied segment by segment between the patched fields, so
  // every dwLength must lie after dwTotalFrames, in stream order, and before
  // the movi list's "LIST" code.
  uint64_t earliest = uint64_t(a.totalFramesOffset) + 4;
  for (uint32_t n = 0; n < a.streamCount; ++n) {
    if (a.streams[n].lengthOffset < earliest) return SplitResult::BadStreamHeader;
    earliest = uint64_t(a.streams[n].lengthOffset) + 4;
  }
  if (earliest + 8 > a.moviOffset) return SplitResult::BadStreamHeader;
  if (a.firstVideoStream < 0) return SplitResult::NoVideo;
  if (a.idx1Offset == 0) return SplitResult::NoIndex;
  if (a.hasIndx != 0) return SplitResult::OpenDml;
  if (a.streams[a.firstVideoStream].idx1EntryCount == 0) return SplitResult::NoVideoEntries;
  return SplitResult::Completed;
}

}  // namespace

SplitResult StartSplitPlan(const SplitSource& source, SplitPlan& plan) {
  const AviAnalysis& a = source.analysis;
  std::memset(&plan, 0, sizeof plan);
  SplitResult code = CheckStructure(a);
  if (code != SplitResult::Completed) return code;
  plan.videoFrames = a.streams[a.firstVideoStream].idx1EntryCount;
  plan.frameMicros = source.input.U32At(a.microSecPerFrameOffset);
  return SplitResult::Completed;
}

SplitSource SplitSourceOf(AviSource& input, const AviAnalysis& analysis, const std::string& path) {
  return SplitSource{input.Input(), analysis, path, input.IsOpenDml() ? &input : nullptr};
}
