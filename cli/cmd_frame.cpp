// tavrin frame: one frame of a file's first video stream as a PNG picture
// (8-bit RGB at the stored size), decoded by codec/frame_decoder.h. The
// frame is named by number or by time: the frame shown at T is
// floor(T x dwRate / dwScale), exact.
#include <cstdio>
#include <string>

#include "avi/avi_source.h"
#include "avi/exact_time.h"
#include "avi/key_frame_list.h"
#include "avi/read_fault.h"
#include "cli/analysed_input.h"
#include "cli/command.h"
#include "cli/json.h"
#include "cli/parsed_args.h"
#include "cli/usage.h"
#include "scan/damage_report.h"
#ifndef TAVRIN_NO_CODEC
#include "codec/frame_decoder.h"
#include "codec/png_writer.h"
#include "io/output_file.h"
#endif

namespace {

struct FrameRequest {
  std::string path;
  std::string output;
  bool byTime = false;
  ExactTime at;
  uint32_t frame = 0;
  bool json = false;
};

// The request the arguments make: "" or what is wrong with them.
std::string ReadFrameArgs(const Command& self, int argc, char** argv, FrameRequest* request) {
  ParsedArgs args;
  const std::string problem = ScanArgs(self, argc, argv, &args);
  if (!problem.empty()) return problem;
  if (args.operands.empty()) return "no input file";
  request->path = args.operands[0];
  request->output = args.Value("--output");
  request->json = args.Has("--json");
  if (args.Has("--at") == args.Has("--frame")) return "give the frame by --at T or by --frame N (one of them)";
  if (args.Has("--at")) {
    request->byTime = true;
    TimeTextProblem why = TimeTextProblem::kNone;
    if (!ParseClockTime(args.Value("--at").c_str(), &request->at, &why))
      return "--at '" + args.Value("--at") + "': " + TimeTextProblemText(why).english;
    return "";
  }
  const std::string n = args.Value("--frame");
  if (n.empty() || n.size() > 10 || n.find_first_not_of("0123456789") != std::string::npos ||
      std::stoull(n) > 0xFFFFFFFFull)
    return "--frame takes a frame number (0, 1, 2, ...), not '" + n + "'";
  request->frame = uint32_t(std::stoull(n));
  return "";
}

int Failure(const FrameRequest& request, const std::string& why) {
  std::fprintf(stderr, "tavrin frame: '%s': %s\n", request.path.c_str(), why.c_str());
  if (request.json) JsonObject().Int("result", 1).String("message", why).Print(stdout);
  return 1;
}

#ifdef TAVRIN_NO_CODEC
int RunFrameRequest(const FrameRequest& request) {
  return Failure(request, "this build of tavrin has no video decoders");
}
#else
// For a recording that ended badly (cut short, its index lost or broken),
// what is wrong with it and the repair hint (the analysis finds no frames
// in it to speak of); else why.
std::string DamageOr(const FrameRequest& request, const std::string& why) {
  const DamageReport damage = InspectDamage(request.path);
  return damage.damaged ? damage.english : why;
}

// FILE's folder and stem with "-NNNNNN.png": clip.avi, frame 1500: clip-001500.png.
std::string DefaultOutput(const std::string& path, uint32_t frame) {
  const size_t slash = path.find_last_of("/\\");
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot <= nameStart) dot = path.size();
  char number[16];
  std::snprintf(number, sizeof number, "-%06u.png", unsigned(frame));
  return path.substr(0, dot) + number;
}

// The picture into its file: written under a temporary name and moved into place.
bool WritePicture(const Picture& picture, const std::string& path, std::string* why) {
  OutputFile out;
  if (out.Create(path) && WritePng(picture, out) && out.Finish() && out.Commit()) return true;
  *why = "'" + path + "' cannot be written: " + out.Reason();
  return false;
}

int RunFrameRequest(const FrameRequest& request) {
  AviSource input;
  AviAnalysis analysis;
  const InputRefusal refusal = OpenAnalysed(request.path.c_str(), &input, &analysis);
  if (!refusal.why.empty()) return Failure(request, refusal.why);
  auto readFault = [&] { return Failure(request, DescribeReadFault(input.File().Fault(), 1)); };
  KeyFrameList keys;
  const FrameListProblem problem = ListKeyFrames(input, analysis, &keys);
  if (input.File().Fault()) return readFault();
  if (problem != FrameListProblem::None)
    return Failure(request, DamageOr(request, FrameListProblemText(problem)->english));

  FrameDecoder decoder(input, analysis, keys);
  if (decoder.Open() != DecodeStatus::Ok) return Failure(request, decoder.Failure());
  const StreamFormat& format = decoder.Format();
  const bool rated = format.rate != 0 && format.scale != 0;
  uint64_t frame = request.frame;
  if (request.byTime)
    frame = rated ? FrameFloorAtRate(request.at, format.rate, format.scale) : FrameAtOrBefore(request.at, keys.frameMicros);
  // The frame's time at the stream's rate (for the message only).
  const double seconds = rated ? double(frame) * format.scale / format.rate : double(frame) * keys.frameMicros / 1e6;
  if (frame >= keys.frames) {
    const double length = rated ? double(keys.frames) * format.scale / format.rate : 0;
    char text[160];
    std::snprintf(text, sizeof text, "%s is past the end (the video has %u frames, %.3f s)",
                  request.byTime ? ("the time " + ToText(request.at) + " s").c_str()
                                 : ("frame " + std::to_string(frame)).c_str(),
                  unsigned(keys.frames), length);
    return Failure(request, text);
  }
  Picture picture;
  const DecodeStatus decoded = decoder.Decode(uint32_t(frame), PictureFormat::Rgb24, &picture);
  if (decoded == DecodeStatus::ChunkUnreadable)
    return Failure(request, "frame " + std::to_string(frame) + ": " + DamageOr(request, decoder.Failure()));
  if (decoded != DecodeStatus::Ok) return Failure(request, "frame " + std::to_string(frame) + ": " + decoder.Failure());
  const std::string output = request.output.empty() ? DefaultOutput(request.path, uint32_t(frame)) : request.output;
  std::string reason;
  if (!WritePicture(picture, output, &reason)) return Failure(request, reason);
  const int key = keys.KeyAtOrBefore(uint32_t(frame));
  const uint32_t keyFrame = key >= 0 ? keys.keys[key].frame : 0;
  if (request.json) {
    JsonObject()
        .Int("result", 0)
        .Int("frame", frame)
        .Int("key_frame", keyFrame)
        .Fixed("seconds", seconds, 6)
        .String("output", output)
        .Print(stdout);
  } else {
    std::printf("frame %u (%.3f s, key frame %u), %ux%u, %s\n", unsigned(frame), seconds, unsigned(keyFrame),
                unsigned(picture.width), unsigned(picture.height), decoder.DecoderName().c_str());
    std::printf("%s\n", output.c_str());
  }
  return 0;
}
#endif

}  // namespace

int RunFrame(const Command& self, int argc, char** argv) {
  FrameRequest request;
  const std::string problem = ReadFrameArgs(self, argc, argv, &request);
  if (!problem.empty()) return UsageError(self, problem);
  const std::string naming = InputOutputProblem(request.path, request.output);
  if (!naming.empty()) return UsageError(self, naming);
  return RunFrameRequest(request);
}
