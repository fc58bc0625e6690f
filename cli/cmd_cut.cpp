// tavrin cut: keeps or drops many ranges of a recording in one go, into one
// file or a file per kept range (cut/cut_job.h). Ctrl-C acts as the progress
// dialog's Cancel.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/clone_report.h"
#include "cli/interrupt.h"
#include "cli/json.h"
#include "cli/parsed_args.h"
#include "cli/path_limit.h"
#include "cli/usage.h"
#include "cli/working_sink.h"
#include "cli/cut_run.h"
#include "cut/cut_job.h"
#ifndef TAVRIN_NO_CODEC
#include "codec/exact_codec.h"
#endif

namespace {

// The request the arguments make: "" or what is wrong with them.
std::string ParseArgs(const Command& self, int argc, char** argv, CutRequest& request, ParsedArgs& args) {
  const std::string problem = ScanArgs(self, argc, argv, &args);
  if (!problem.empty()) return problem;
  if (args.operands.empty()) return "no input file";
  request.path = args.operands[0];
  request.keep = args.Values("--keep");
  request.drop = args.Values("--drop");
  request.list = args.Value("--list");
  request.output = args.Value("--output");
  request.separate = args.Has("--separate");
  request.writer.clone = args.Has("--clone");
  request.exact = args.Has("--exact");
  return "";
}

JsonObject RangeJson(const CutRangeFigures& r) {
  JsonArray asked;
  for (const std::string& a : r.asked) asked.String(a);
  return JsonObject()
      .Int("first_frame", r.firstFrame)
      .Int("frames", r.frames)
      .Fixed("start_seconds", r.startSeconds, 6)
      .Fixed("seconds", r.seconds, 6)
      .Array("asked", asked);
}

// An exact cut's figures of a range.
void AddExactJson(JsonObject& range, const CutRangeFigures& r) {
  range.Int("reencoded_frames", r.reencodedFrames);
  if (r.exact) range.Bool("exact", true);
  else range.Bool("exact", false).String("not_exact", r.notExactWhy);
  if (r.reencodedFrames) range.Fixed("lowest_psnr", r.lowestPsnr, 2);
  else range.Null("lowest_psnr");
  // Compressed sound cut at whole frames: how far each end lies from the
  // picture in the source, and how late the sound plays in the output.
  JsonArray sound;
  for (const CutSoundFigures& f : r.sound) {
    JsonObject one;
    one.Int("stream", f.stream).Fixed("start_ms", f.startOffset * 1000, 3);
    if (f.endCut) one.Fixed("end_ms", f.endOffset * 1000, 3);
    else one.Null("end_ms");
    sound.Add(one.Fixed("sync_ms", f.sync * 1000, 3).Fixed("frame_ms", f.frameSeconds * 1000, 3));
  }
  range.Array("sound", sound);
}

}  // namespace

int RunCut(const Command& self, int argc, char** argv) {
  CutRequest request;
  ParsedArgs args;
  const std::string problem = ParseArgs(self, argc, argv, request, args);
  if (!problem.empty()) return UsageError(self, problem);
  for (const std::string* path : {&request.path, &request.output, &request.list})
    if (!path->empty() && !PathUsableWhole(path->c_str())) return UsageError(self, PathTooLong(path->c_str()));
  return RunCutRequest(request, args.Has("--json"), args.EnglishUi(), "cut");
}

int RunCutRequest(CutRequest& request, bool json, int englishUi, const char* name) {
#ifndef TAVRIN_NO_CODEC
  std::unique_ptr<ExactCoder> coder = request.exact ? MakeExactCoder() : nullptr;
  request.coder = coder.get();
#endif
  WorkingSink sink(englishUi);
  InterruptAsCancel interrupt(sink);
  const CutOutcome outcome = CutJob(request, sink);
  sink.EndBar();
  const int32_t result = outcome.Number();
  const bool succeeded = outcome.result == CutResult::Completed;
  if (outcome.result == CutResult::Cancelled) std::fprintf(stderr, "tavrin %s: cancelled\n", name);
  if (succeeded && request.writer.clone)
    std::fprintf(stderr, "tavrin %s: %s\n", name, CloneLine(outcome.clone, "the input").c_str());
  if (!outcome.detail.empty()) std::fprintf(stderr, "tavrin %s: %s\n", name, outcome.detail.c_str());

  if (json) {
    JsonObject out;
    out.Int("result", result);
    if (outcome.message.empty()) out.Null("message");
    else out.String("message", outcome.message);
    out.Array("outputs", outcome.outputs);
    if (!outcome.listFormat.empty()) out.String("list_format", outcome.listFormat);
    if (succeeded) {
      JsonArray ranges, files, drops;
      for (const CutRangeFigures& r : outcome.ranges) {
        JsonObject range = RangeJson(r);
        if (request.exact) AddExactJson(range, r);
        ranges.Add(range);
      }
      for (size_t i = 0; i < outcome.outputs.size(); ++i)
        files.Add(JsonObject().String("name", outcome.outputs[i]).Int("bytes", outcome.bytes[i]));
      for (const CutDropFigures& d : outcome.drops) drops.Add(JsonObject().String("asked", d.asked).Int("frames", d.frames));
      out.Array("ranges", ranges).Int("frames", outcome.videoFrames).Int("dropped_frames", outcome.droppedFrames);
      if (!request.drop.empty() || !outcome.drops.empty()) out.Array("dropped", drops);
      out.Array("files", files);
      if (request.writer.clone) AddCloneJson(out, outcome.clone);
    }
    if (!outcome.detail.empty()) out.String("detail", outcome.detail);
    out.Print(stdout);
  } else if (succeeded) {
    std::printf("%s\n", outcome.message.c_str());
    if (!outcome.listFormat.empty()) std::printf("cut list read as %s\n", outcome.listFormat.c_str());
    for (size_t i = 0; i < outcome.ranges.size(); ++i) {
      const CutRangeFigures& r = outcome.ranges[i];
      std::string asked;
      for (const std::string& a : r.asked) asked += (asked.empty() ? "" : ", ") + a;
      std::printf("range %zu: frames %u to %u (%.3f s, %.3f s long), asked %s\n", i + 1, unsigned(r.firstFrame),
                  unsigned(r.firstFrame + r.frames - 1), r.startSeconds, r.seconds, asked.c_str());
    }
    for (size_t i = 0; i < outcome.outputs.size(); ++i)
      std::printf("%s: %llu bytes\n", outcome.outputs[i].c_str(), static_cast<unsigned long long>(outcome.bytes[i]));
  } else if (!outcome.message.empty()) {
    std::printf("%s\n", outcome.message.c_str());
  }
  if (succeeded) return 0;
  return IsUsageRefusal(outcome.result) ? 2 : 1;
}
