// AC-3 (Dolby Digital) as a file of frames, as encoders write an .ac3: each
// frame starts with the sync word 0x0B77, and its frmsizecod and fscod give
// its length (a table of 16-bit words). A stream of one bit rate goes into
// the AVI as a byte stream (nBlockAlign 1, the byte rate), as real writers
// do; one whose rate changes as one frame a chunk. E-AC-3 (bsid above 10)
// is no AC-3 and refused; so are bytes after the frames that are no frame
// and a last frame cut short.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "sound/sound_source.h"

struct Ac3FrameHeader {
  uint32_t sampleRate = 0;
  uint32_t bitrate = 0;  // bits a second
  uint32_t bytes = 0;
  int channels = 0;      // full-band channels and the LFE
  int frmsizecod = 0;
};

bool ParseAc3FrameHeader(const uint8_t b[8], Ac3FrameHeader* header);

std::unique_ptr<SoundSource> OpenAc3(const std::string& path, SoundRefusal* refusal);
