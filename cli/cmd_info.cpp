// tavrin info: analyses one file and prints a summary for a person, the
// analysis record's layout (--layout) or the whole record (--json).
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "job/file_probe.h"
#include "avi/avi_analysis.h"
#include "avi/avi_source.h"
#include "avi/fourcc.h"
#include "avi/video_facts.h"
#include "cli/info_summary.h"
#include "cli/json.h"
#include "cli/parsed_args.h"
#include "cli/usage.h"
#include "scan/damage_report.h"

namespace {

const char* TypeName(StreamType type) {
  switch (type) {
    case StreamVideo: return "video";
    case StreamAudio: return "audio";
    default: return "other";
  }
}

using ull = unsigned long long;

std::string FormText(uint32_t code) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    const char c = char(code >> (8 * i));
    text += c >= 0x20 && c <= 0x7E ? c : '.';
  }
  return text;
}

JsonObject AnalysisJson(const AviAnalysis& a) {
  JsonArray streams;
  for (uint32_t s = 0; s < a.streamCount; ++s) {
    const StreamEntry& e = a.streams[s];
    streams.Add(JsonObject()
                    .Int("lengthOffset", e.lengthOffset)
                    .Int("suggestedBufferSizeOffset", e.suggestedBufferSizeOffset)
                    .Int("sampleSizeOffset", e.sampleSizeOffset)
                    .Int("type", int(e.type))
                    .Int("idx1EntryCount", e.idx1EntryCount)
                    .Double("rate", e.rate));
  }
  return JsonObject()
      .Int("riffSizeOffset", a.riffSizeOffset)
      .Int("microSecPerFrameOffset", a.microSecPerFrameOffset)
      .Int("totalFramesOffset", a.totalFramesOffset)
      .Int("streamsOffset", a.streamsOffset)
      .Int("moviOffset", a.moviOffset)
      .Int("idx1Offset", a.idx1Offset)
      .Int("streamCount", a.streamCount)
      .Int("idx1EntryTotal", a.idx1EntryTotal)
      .Int("firstVideoStream", a.firstVideoStream)
      .Int("hasIndx", a.hasIndx)
      .Int("hasRecEntries", a.hasRecEntries)
      .Array("streams", streams);
}

// The facts the summary prints of the picture, key-frame spacing too.
JsonObject VideoFactsJson(const VideoFacts& f) {
  return JsonObject()
      .Fixed("seconds", f.seconds, 3)
      .Int("frames", f.frames)
      .Fixed("fps", f.fps, 3)
      .String("codec", f.codec)
      .Int("key_frames", f.keyFrames)
      .Fixed("key_frame_spacing_average", f.AverageGroup(), 1)
      .Int("key_frame_spacing_longest", f.longestGroup)
      .Fixed("key_frame_spacing_longest_seconds", f.longestGroupSeconds, 2);
}

void PrintText(const AviAnalysis& a) {
  std::printf("RIFF size field at      %llu\n", ull(a.riffSizeOffset));
  std::printf("avih frame time at      %llu\n", ull(a.microSecPerFrameOffset));
  std::printf("avih total frames at    %llu\n", ull(a.totalFramesOffset));
  std::printf("avih streams at         %llu\n", ull(a.streamsOffset));
  std::printf("movi list type at       %llu\n", ull(a.moviOffset));
  std::printf("idx1 chunk at           %llu\n", ull(a.idx1Offset));
  std::printf("streams                 %u\n", a.streamCount);
  std::printf("idx1 entries            %u\n", a.idx1EntryTotal);
  std::printf("first video stream      %d\n", a.firstVideoStream);
  std::printf("OpenDML index (indx)    %s\n", a.hasIndx ? "yes" : "no");
  std::printf("rec entries             %s\n", a.hasRecEntries ? "yes" : "no");
  for (uint32_t s = 0; s < a.streamCount; ++s) {
    const StreamEntry& e = a.streams[s];
    std::printf("stream %u: %s, rate %g, %u idx1 entries, dwLength at %llu, dwSuggestedBufferSize at %llu",
                s, TypeName(e.type), e.rate, e.idx1EntryCount, ull(e.lengthOffset),
                ull(e.suggestedBufferSizeOffset));
    if (e.type == StreamAudio) std::printf(", dwSampleSize at %llu", ull(e.sampleSizeOffset));
    std::printf("\n");
  }
}

}  // namespace

int RunInfo(const Command& self, int argc, char** argv) {
  ParsedArgs args;
  const std::string problem = ScanArgs(self, argc, argv, &args);
  if (!problem.empty()) return UsageError(self, problem);
  // A word such as "-x" is no file name here but a mistaken option.
  if (!args.dashOperands.empty()) return UsageError(self, "unexpected argument '" + args.dashOperands[0] + "'");
  if (args.operands.empty()) {
    PrintUsage(self, stderr);
    return 2;
  }
  const char* path = args.operands[0].c_str();
  const bool json = args.Has("--json");
  const bool layout = args.Has("--layout");
  uint64_t size = 0;
  std::string reason;
  switch (ProbeInputFile(path, &size, &reason)) {
    case ProbeResult::CannotOpen:
      std::fprintf(stderr, "tavrin info: cannot open '%s': %s\n", path, reason.c_str());
      return 1;
    case ProbeResult::TooLarge:
      std::fprintf(stderr, "tavrin info: cannot read the size of '%s': %s\n", path, reason.c_str());
      return 1;
    case ProbeResult::Ok:
      break;
  }
  AviSource input;
  if (!input.Open(path)) {
    std::fprintf(stderr, "tavrin info: cannot open '%s': %s\n", path, input.File().OpenError());
    return 1;
  }
  // A read error or a change of the file under the run: said as such, not
  // as what the missing bytes would seem to show.
  auto failedReading = [&] {
    if (!input.File().Fault()) return false;
    std::fprintf(stderr, "tavrin info: %s\n", DescribeReadFault(input.File().Fault(), 1).c_str());
    return true;
  };
  const uint32_t riff = input.File().U32At(0), form = input.File().U32At(8);
  if (failedReading()) return 1;
  if (riff != kRiff) {
    std::fprintf(stderr, "tavrin info: '%s' is not an AVI file (it does not begin with \"RIFF\")\n", path);
    return 1;
  }
  if (form != kAviForm) {
    std::fprintf(stderr, "tavrin info: '%s' is not an AVI file (a RIFF file of form \"%s\", not \"AVI \")\n", path,
                 FormText(input.File().U32At(8)).c_str());
    return 1;
  }
  // An OpenDML file is analysed as the version-1 file it stands for; its
  // own layout (or why its indexes are refused) follows.
  AviAnalysis a{};
  const bool read = input.Analyse(a, nullptr, 0, 10);
  if (failedReading()) return 1;
  const OdmlFacts& facts = input.Reader().Facts();
  const bool odml = !read || input.IsOpenDml();
  // A recording that ended badly (cut short, no index, a broken one): why,
  // and what a repair would keep. Looked for when the file cannot be split.
  InfoSummary summary;
  if (read && !json && !layout) summary = SummariseFile(path, input, a);
  DamageReport damage;
  if (!read || summary.splitVerdict.rfind("no", 0) == 0 || (read && (json || layout) && !a.idx1Offset))
    damage = InspectDamage(path);
  const std::string why = damage.Reason();
  const std::string repair = damage.damaged ? damage.english.substr(damage.english.find('\n') + 1) : "";
  if (json) {
    JsonObject out = read ? AnalysisJson(a) : JsonObject().String("refused", DescribeOdmlFault(facts.fault, 1));
    if (read && a.firstVideoStream >= 0) out.Object("video", VideoFactsJson(ReadVideoFacts(input.Input(), a)));
    if (odml) out.String("layout", DescribeOdmlLayout(facts));
    if (damage.damaged) out.String("damage", why).String("repair", repair);
    out.Print(stdout);
  } else {
    if (read && layout) PrintText(a);
    if (damage.damaged && summary.splitVerdict.rfind("no", 0) == 0) summary.splitVerdict = "no: " + why;
    if (damage.damaged && summary.mergeVerdict.rfind("no", 0) == 0) summary.mergeVerdict = "no: " + why;
    if (read && !layout && damage.damaged && a.riffSizeOffset == 0) {
      // The walk found nothing (a cut RIFF list): the summary would only guess.
      std::printf("file          %s (%llu bytes)\nsplit         %s\nmerge         %s\n", path, ull(summary.fileBytes),
                  summary.splitVerdict.c_str(), summary.mergeVerdict.c_str());
    } else if (read && !layout) {
      PrintInfoSummary(stdout, path, a, summary);
    }
    if (damage.damaged) std::printf("damage        %s\nrepair        %s\n", why.c_str(), repair.c_str());
    if (odml) std::printf("%s", DescribeOdmlLayout(facts).c_str());
  }
  if (read) return 0;
  std::fprintf(stderr, "tavrin info: '%s' cannot be read: %s\n", path, DescribeOdmlFault(facts.fault, 1).c_str());
  return 1;
}
