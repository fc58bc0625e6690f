// What a recording's picture is, in a few numbers: its playing time, frames
// and rate, codec and how far apart its key frames lie. `tavrin info` prints
// them, the Split page shows them on one line under the file's name.
#pragma once
#include <cstdint>
#include <string>

#include "avi/avi_analysis.h"

class ByteInput;

struct VideoFacts {
  bool hasVideo = false;
  double seconds = 0;             // frames x the avih frame time
  uint32_t frames = 0;            // index entries of the first video stream
  double fps = 0;                 // its strh dwRate / dwScale
  std::string codec;              // its codec as info names it ("FMP4")
  uint32_t keyFrames = 0;
  uint32_t longestGroup = 0;      // most frames from one key frame to the next (or the end)
  double longestGroupSeconds = 0;
  double AverageGroup() const { return keyFrames ? double(frames) / double(keyFrames) : 0.0; }
};

// Reads the facts of the analysed input (an OpenDML file through its
// flattened view, as the jobs read it).
VideoFacts ReadVideoFacts(ByteInput& input, const AviAnalysis& analysis);

// Opens and analyses the AVI file path and reads its facts: false when it
// cannot be opened, is no AVI file or cannot be read.
bool ReadVideoFactsOfFile(const std::string& path, VideoFacts* facts);

// A time as H:MM:SS.fff ("0:02:30.040").
std::string PlayingTimeText(double seconds);

// The facts on one line, in the user's language (UTF-8):
// "0:02:30.040, 3751 frames, 25.000 fps, FMP4; key frames every 25.0 frames, at most 26 (1.04 s)".
std::string VideoFactsLine(const VideoFacts& facts, int englishUi);
