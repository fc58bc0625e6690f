// tavrin keyframes: lists the key frames of a file's first video stream
// (avi/key_frame_list.h): each one's frame number, time, where its data lies
// in the file and its size, as a table or as one JSON line.
#include <cinttypes>
#include <cstdio>
#include <string>

#include "avi/avi_source.h"
#include "avi/key_frame_list.h"
#include "avi/read_fault.h"
#include "cli/analysed_input.h"
#include "cli/command.h"
#include "cli/json.h"
#include "cli/parsed_args.h"
#include "cli/usage.h"

namespace {

int Failure(const char* path, const std::string& why) {
  std::fprintf(stderr, "tavrin keyframes: '%s': %s\n", path, why.c_str());
  return 1;
}

// "H:MM:SS.ffffff", exact.
std::string Clock(uint64_t micros) {
  const uint64_t seconds = micros / 1000000;
  char text[48];
  std::snprintf(text, sizeof text, "%" PRIu64 ":%02u:%02u.%06u", seconds / 3600, unsigned(seconds / 60 % 60),
                unsigned(seconds % 60), unsigned(micros % 1000000));
  return text;
}

// Seconds with six decimals, exactly as the microseconds say ("41.48").
std::string Seconds(uint64_t micros) {
  char text[40];
  std::snprintf(text, sizeof text, "%" PRIu64 ".%06u", micros / 1000000, unsigned(micros % 1000000));
  std::string out = text;
  while (out.back() == '0') out.pop_back();
  if (out.back() == '.') out += '0';
  return out;
}

void PrintJson(const char* path, const KeyFrameList& list) {
  JsonArray keys;
  for (const FrameEntry& k : list.keys) {
    const uint64_t micros = list.MicrosOf(k.frame);
    keys.Add(JsonObject()
                 .Int("frame", k.frame)
                 .Int("time_us", micros)
                 .Raw("seconds", Seconds(micros))
                 .Int("offset", k.fileOffset)
                 .Int("size", k.size));
  }
  JsonObject()
      .String("file", path)
      .Int("frames", list.frames)
      .Int("frame_us", list.frameMicros)
      .Array("key_frames", keys)
      .Print(stdout);
}

void PrintTable(const char* path, const KeyFrameList& list) {
  std::printf("file          %s\n", path);
  std::printf("frames        %u, %u microseconds each\n", unsigned(list.frames), unsigned(list.frameMicros));
  std::printf("key frames    %u\n", unsigned(list.keys.size()));
  std::printf("%10s  %-18s %14s %10s\n", "frame", "time", "offset", "size");
  for (const FrameEntry& k : list.keys)
    std::printf("%10u  %-18s %14" PRIu64 " %10u\n", unsigned(k.frame), Clock(list.MicrosOf(k.frame)).c_str(),
                k.fileOffset, unsigned(k.size));
}

}  // namespace

int RunKeyframes(const Command& self, int argc, char** argv) {
  ParsedArgs args;
  const std::string usage = ScanArgs(self, argc, argv, &args);
  if (!usage.empty()) return UsageError(self, usage);
  if (args.operands.empty()) return UsageError(self, "no input file");
  const char* path = args.operands[0].c_str();
  const bool json = args.Has("--json");

  AviSource input;
  AviAnalysis analysis;
  const InputRefusal refusal = OpenAnalysed(path, &input, &analysis);
  // A read error or a change of the file under the run is said as such,
  // not as what the missing bytes would seem to show.
  auto readFault = [&] {
    std::fprintf(stderr, "tavrin keyframes: %s\n", DescribeReadFault(input.File().Fault(), 1).c_str());
    return 1;
  };
  if (refusal.readFault) return readFault();
  if (!refusal.why.empty()) return Failure(path, refusal.why);
  KeyFrameList list;
  const FrameListProblem problem = ListKeyFrames(input, analysis, &list);
  if (input.File().Fault()) return readFault();
  if (problem != FrameListProblem::None) return Failure(path, FrameListProblemText(problem)->english);
  if (json)
    PrintJson(path, list);
  else
    PrintTable(path, list);
  return 0;
}
