// tavrin info: analyses one file and prints a summary for a person, the
// analysis record's layout (--layout) or the whole record (--json).
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/file_probe.h"
#include "avi/avi_analysis.h"
#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "cli/commands.h"
#include "cli/info_summary.h"
#include "cli/json.h"

namespace {

const char* TypeName(StreamType type) {
  switch (type) {
    case StreamVideo: return "video";
    case StreamAudio: return "audio";
    default: return "other";
  }
}

void PrintJson(const AviAnalysis& a) {
  std::printf(
      "{\"riffSizeOffset\":%u,\"microSecPerFrameOffset\":%u,\"totalFramesOffset\":%u,"
      "\"streamsOffset\":%u,\"moviOffset\":%u,\"idx1Offset\":%u,\"streamCount\":%u,"
      "\"idx1EntryTotal\":%u,\"firstVideoStream\":%d,\"hasIndx\":%d,\"hasRecEntries\":%d,"
      "\"streams\":[",
      a.riffSizeOffset, a.microSecPerFrameOffset, a.totalFramesOffset, a.streamsOffset,
      a.moviOffset, a.idx1Offset, a.streamCount, a.idx1EntryTotal, a.firstVideoStream, a.hasIndx,
      a.hasRecEntries);
  for (uint32_t s = 0; s < a.streamCount; ++s) {
    const StreamEntry& e = a.streams[s];
    std::printf(
        "%s{\"lengthOffset\":%u,\"suggestedBufferSizeOffset\":%u,\"sampleSizeOffset\":%u,"
        "\"type\":%d,\"idx1EntryCount\":%u,\"rate\":%s}",
        s ? "," : "", e.lengthOffset, e.suggestedBufferSizeOffset,
        e.sampleSizeOffset, int(e.type), e.idx1EntryCount,
        JsonDouble(e.rate).c_str());
  }
  std::printf("]}\n");
}

void PrintText(const AviAnalysis& a) {
  std::printf("RIFF size field at      %u\n", a.riffSizeOffset);
  std::printf("avih frame time at      %u\n", a.microSecPerFrameOffset);
  std::printf("avih total frames at    %u\n", a.totalFramesOffset);
  std::printf("avih streams at         %u\n", a.streamsOffset);
  std::printf("movi list type at       %u\n", a.moviOffset);
  std::printf("idx1 chunk at           %u\n", a.idx1Offset);
  std::printf("streams                 %u\n", a.streamCount);
  std::printf("idx1 entries            %u\n", a.idx1EntryTotal);
  std::printf("first video stream      %d\n", a.firstVideoStream);
  std::printf("OpenDML index (indx)    %s\n", a.hasIndx ? "yes" : "no");
  std::printf("rec entries             %s\n", a.hasRecEntries ? "yes" : "no");
  for (uint32_t s = 0; s < a.streamCount; ++s) {
    const StreamEntry& e = a.streams[s];
    std::printf("stream %u: %s, rate %g, %u idx1 entries, dwLength at %u, dwSuggestedBufferSize at %u",
                s, TypeName(e.type), e.rate, e.idx1EntryCount, e.lengthOffset,
                e.suggestedBufferSizeOffset);
    if (e.type == StreamAudio) std::printf(", dwSampleSize at %u", e.sampleSizeOffset);
    std::printf("\n");
  }
}

}  // namespace

int RunInfo(int argc, char** argv) {
  const char* path = nullptr;
  bool json = false;
  bool layout = false;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--json") == 0) {
      json = true;
    } else if (std::strcmp(argv[i], "--layout") == 0) {
      layout = true;
    } else if (!path && (argv[i][0] != '-' || argv[i][1] == 0)) {
      path = argv[i];
    } else {
      std::fprintf(stderr, "tavrin info: unexpected argument '%s'\n", argv[i]);
      return 2;
    }
  }
  if (!path) {
    std::fputs("usage: tavrin info FILE [--layout | --json]\n", stderr);
    return 2;
  }
  uint32_t size = 0;
  std::string reason;
  switch (ProbeInputFile(path, &size, &reason)) {
    case ProbeResult::CannotOpen:
      std::fprintf(stderr, "tavrin info: cannot open '%s': %s\n", path, reason.c_str());
      return 1;
    case ProbeResult::TooLarge:
      std::fprintf(stderr, "tavrin info: '%s' is 2 GiB or larger (%s)\n", path, reason.c_str());
      return 1;
    case ProbeResult::Ok:
      break;
  }
  ByteInput input;
  if (!input.Open(path)) {
    std::fprintf(stderr, "tavrin info: cannot open '%s': %s\n", path, input.OpenError());
    return 1;
  }
  if (input.U32At(0) != kRiff) {
    std::fprintf(stderr, "tavrin info: '%s' is not an AVI file (it does not begin with \"RIFF\")\n", path);
    return 1;
  }
  AviAnalysis a{};
  WalkProgress progress;
  progress.span = 10;
  progress.total = size;
  AnalyseFile(a, input, size, progress);
  if (json)
    PrintJson(a);
  else if (layout)
    PrintText(a);
  else
    PrintInfoSummary(stdout, path, a, SummariseFile(path, input, a));
  return 0;
}
