// Where the frames of a compressed sound stream begin inside a run of its
// bytes, without the run's start being a frame's: the bytes an exact cut
// reads around the time it cuts at (share/share_builder.h). MPEG audio (MP3,
// MP2) and AC-3 frames tell their own length in their header; a run is
// taken up at the first place where three frames of one stream follow one
// another (or the frames run to its end), so a sync pattern inside a frame's
// data is no frame start.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// WAVE format tags whose frames tell their length.
bool FramesTellLength(uint16_t formatTag);

struct FrameStart {
  uint32_t at = 0;       // within the run
  uint32_t samples = 0;  // the frame's samples per channel
  uint32_t sampleRate = 0;
};

// The frames found in data[0 .. size), in order; empty for a tag whose
// frames do not tell their length or a run with no chain of frames. A frame
// whose end lies past the run is listed too (its start is known).
std::vector<FrameStart> FindFrameStarts(uint16_t formatTag, const uint8_t* data, size_t size);
