#include "cli/info_summary.h"

#include <memory>

#include "avi/avi_source.h"
#include "avi/fourcc.h"
#include "avi/stream_description.h"
#include "avi/stream_format.h"
#include "avi/video_facts.h"
#include "split/split_engine.h"

namespace {

std::string SplitVerdict(const std::string& path, ByteInput& input, const AviAnalysis& a) {
  const SplitSource source{input, a, path};
  SplitPlan plan;
  const SplitResult result = PlanSplitAtFrame(source, 1, ExactTime(), plan);
  if (result == SplitResult::Completed) return "yes, at any key frame after the first";
  if (const char* why = SplitStructureDetail(result)) return std::string("no: ") + why;
  if (result == SplitResult::NoKeyFrame) return "no: the video has no key frame after its first frame to cut at";
  return "no";
}

// The merge's own structure check of the file against itself: the codes
// that refuse any file (no index, no video, ...). Each side reads through
// its own reader, as the merge job's two inputs do.
std::string MergeVerdict(const std::string& path, AviSource& source, const AviAnalysis& a) {
  ByteInput twinFile;
  if (!twinFile.Open(path.c_str())) return std::string("unknown: ") + twinFile.OpenError();
  std::unique_ptr<OdmlFlatView> twinView;
  ByteInput twinInput;
  if (source.IsOpenDml()) {
    twinView.reset(new OdmlFlatView(twinFile, source.Reader()));
    twinInput.OpenSource(*twinView);
  }
  ByteInput& twin = source.IsOpenDml() ? twinInput : twinFile;
  const StructureDifference d = CompareStructure(a, a, source.Input(), twin);
  if (d.code == 0) return "yes, with a file of the same structure (such as the parts of a split)";
  return "no: " + d.Describe();
}

void PrintStream(std::FILE* to, uint32_t n, const StreamFormat& s, const StreamEntry& entry) {
  std::fprintf(to, "stream %-7u%s\n", unsigned(n), DescribeStream(s, entry).Line().c_str());
}

}  // namespace

InfoSummary SummariseFile(const std::string& path, AviSource& source, const AviAnalysis& a) {
  ByteInput& input = source.Input();
  InfoSummary s;
  s.fileBytes = source.File().Size();
  if (a.microSecPerFrameOffset) s.microSecPerFrame = input.U32At(a.microSecPerFrameOffset);
  for (uint32_t n = 0; n < a.streamCount && n < uint32_t(kMaxStreams); ++n) s.streams[n] = a.streams[n].lengthOffset >= 40 ? ReadStreamFormat(input, a.streams[n].lengthOffset - 40) : StreamFormat();
  const VideoFacts facts = ReadVideoFacts(input, a);
  s.frames = facts.frames;
  s.keyFrames = facts.keyFrames;
  s.longestGroup = facts.longestGroup;
  s.splitVerdict = SplitVerdict(path, input, a);
  s.mergeVerdict = MergeVerdict(path, source, a);
  return s;
}

void PrintInfoSummary(std::FILE* to, const std::string& path, const AviAnalysis& a, const InfoSummary& s) {
  std::fprintf(to, "file          %s (%llu bytes)\n", path.c_str(), static_cast<unsigned long long>(s.fileBytes));
  const double seconds = double(s.microSecPerFrame) * double(s.frames) * 0.000001;
  if (a.firstVideoStream >= 0) {
    const StreamFormat& v = s.streams[a.firstVideoStream];
    const double fps = v.scale ? double(v.rate) / double(v.scale) : 0.0;
    std::fprintf(to, "playing time  %s (%.3f s)\n", PlayingTimeText(seconds).c_str(), seconds);
    std::fprintf(to, "frames        %u at %.3f fps\n", unsigned(s.frames), fps);
    if (s.keyFrames > 0) {
      std::fprintf(to, "key frames    %u, every %.1f frames on average, at most %u apart (%.2f s)\n",
                   unsigned(s.keyFrames), double(s.frames) / double(s.keyFrames), unsigned(s.longestGroup),
                   double(s.microSecPerFrame) * double(s.longestGroup) * 0.000001);
      std::fputs("              each listed by: tavrin keyframes FILE\n", to);
    } else {
      std::fputs("key frames    none in the index\n", to);
    }
  } else {
    std::fputs("playing time  unknown: no video stream\n", to);
  }
  for (uint32_t n = 0; n < a.streamCount && n < uint32_t(kMaxStreams); ++n)
    PrintStream(to, n, s.streams[n], a.streams[n]);
  std::fprintf(to, "split         %s\n", s.splitVerdict.c_str());
  std::fprintf(to, "merge         %s\n", s.mergeVerdict.c_str());
}
