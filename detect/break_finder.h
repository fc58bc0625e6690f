// Finding the breaks of a recording in one read of the file: black
// stretches, silences and scene changes, for a cut list to drop.
//
// The index is read in order and each chunk once: the first video
// stream's chunks go to the decoder (codec/luma_stream.h, a reduced size
// where the codec allows it), the first sound stream's are read as they
// are when PCM (to the sample) and decoded otherwise
// (codec/sound_decoder.h). The video is decoded on threads of its own
// while the sound is read: where it splits into stretches that decode
// alone (detect/split_points.h), one stretch per core, each with a
// single-threaded decoder, their marks joined as one pass would find them
// (detect/frame_marks.h). Frames are numbered as everywhere in Tavrin
// (every index entry of the first video stream is one frame) and timed at
// the stream's rate (strh dwRate / dwScale).
//
// Black: a frame with at least 98% of its pixels at or below 0.10 of the
// luma range (detect/picture_measure.h); a run of them lasting at least
// minSeconds, from its first to its last black frame. Silence: every
// channel below -50 dBFS for at least minSeconds. Scenes:
// detect/scene_cuts.h.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "avi/avi_analysis.h"

class AviSource;
class WalkSink;

struct BreakRequest {
  bool black = true;
  bool silence = true;
  bool scenes = true;
  double minSeconds = 0.5;
  // Each side of the pictures divided by 2^lowres where the decoder can.
  int lowres = 2;
};

struct TimedRange {
  double start = 0;  // seconds
  double end = 0;
};

struct BlackRange : TimedRange {
  uint32_t firstFrame = 0;
  uint32_t frames = 0;
};

struct SceneChange {
  uint32_t frame = 0;
  double seconds = 0;
};

struct Breaks {
  std::vector<BlackRange> black;
  std::vector<TimedRange> silence;
  std::vector<SceneChange> scenes;
  bool hasSound = false;  // the file has a sound stream
  uint32_t frames = 0;
  std::string videoDecoder;  // "mpeg4 at 1/4 size", "... in 2 stretches at once"
  std::string soundReader;   // "PCM" or the decoder's name
};

enum class BreakStatus { Ok, Cancelled, Failed };

// Reads source (analysed) once; *why says what failed. sink (may be null)
// shows the reading on cells 10 to 100, after the analysis's first tenth.
BreakStatus FindBreaks(AviSource& source, const AviAnalysis& analysis, const BreakRequest& request, WalkSink* sink,
                       Breaks* breaks, std::string* why);
