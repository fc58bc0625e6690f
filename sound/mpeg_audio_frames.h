// MPEG audio (MPEG-1, MPEG-2 and 2.5, Layers I, II, III) as a file of
// frames: an .mp3 or .mp2 as encoders write it.
//
// The file is read frame by frame from its frame headers (4 bytes each: the
// sync, version, layer, bit rate, sample rate and padding give the frame's
// length). Left out: an ID3v2 tag in front, a first frame that is the
// encoder's Xing / Info (LAME) or VBRI header rather than sound, and an
// ID3v1 or APE tag at the end. The first frame is only taken where another
// frame of the same kind follows it (or the file ends with it), so a stray
// 0xFF in a tag's padding is no frame. A free-format stream (bit rate index
// 0) has no length in its headers and is refused; so are bytes after the
// frames that are neither frames nor a tag (garbage, another format), and a
// last frame cut short.
//
// Constant bit rate (every frame at one bit rate) goes into the AVI as a
// byte stream (nBlockAlign 1, the byte rate); any other as one frame a
// chunk (nBlockAlign = samples per frame, dwSampleSize 0), as players expect.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "sound/sound_source.h"

struct MpegFrameHeader {
  int version = 0;    // 1, 2, or 25 (MPEG-2.5)
  int layer = 0;      // 1, 2, 3
  uint32_t bitrate = 0;     // bits a second
  uint32_t sampleRate = 0;
  uint32_t bytes = 0;       // the whole frame, header included
  uint32_t samples = 0;     // per channel
  int channels = 0;
  int mode = 0;             // 0 stereo, 1 joint, 2 dual, 3 mono
  int modeExtension = 0;
  int emphasis = 0;
  bool crc = false;
  int bitrateIndex = 0;
};

// The header in the four bytes; false when they are none (or free format).
bool ParseMpegFrameHeader(const uint8_t b[4], MpegFrameHeader* header);
// Two frames of one stream: version, layer, sample rate and channels agree.
bool SameMpegStream(const MpegFrameHeader& x, const MpegFrameHeader& y);
// Where the sound's first frame lies after an ID3v2 tag at `at` (0 when none).
uint64_t SkipId3v2(ByteInput& input, uint64_t at);

// Opens path as MPEG audio: the source, or null with *refusal.
std::unique_ptr<SoundSource> OpenMpegAudio(const std::string& path, SoundRefusal* refusal);
