// Where an exact cut cuts a compressed sound stream stored as a byte stream
// (strh dwSampleSize not 0: MP3 or AC-3 muxed as constant bit rate): at the
// start of the whole frame nearest the picture's time, so that no output
// begins or ends inside a frame. A chunk may hold several frames, and a
// frame may go on in the next chunk (GStreamer's and others' writers), so
// the frames are found in the stream's bytes around that time, read from
// the chunks the index names there.
#pragma once
#include <cstdint>

#include "share/split_source.h"

struct FrameBoundary {
  uint64_t at = 0;           // the stream's byte at which the frame begins
  double frameSeconds = 0;   // that frame's length (0: not known)
};

// Where to look: the stream, its format tag, the index entry of the chunk
// holding byte `fromByte` of the stream (kNowhere: the stream has no more
// chunks; the boundary is then fromByte itself), and the byte position of
// the time asked for (fractional: time x bytes a second).
struct FrameSearch {
  int stream = 0;
  uint16_t formatTag = 0;
  uint32_t fromEntry = 0;
  uint64_t fromByte = 0;
  double target = 0;
  double bytesPerSecond = 0;
};

// How far before and after the target the frames are looked for: two of
// the longest frames there are (an AC-3 frame at 640 kbit/s and 32 kHz is
// 3840 bytes).
constexpr uint64_t kFrameReach = 8192;

// The boundary nearest search.target. Frames the codec's headers tell
// (MPEG audio, AC-3); for other codecs, or bytes in which no chain of
// frames is found, the chunks' starts stand for the frames' (a writer puts
// whole frames in a chunk when it knows nothing of them).
FrameBoundary NearestFrameBoundary(const SplitSource& src, const FrameSearch& search);
