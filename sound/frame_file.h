// A file of sound frames that each tell their own length (MPEG audio,
// AC-3): the scan that checks the file from its first frame to its end and
// counts it, and the source that walks the frames again (one piece each).
// The codecs' parsers say what a frame is (sound/mpeg_audio_frames.h,
// sound/ac3_frames.h).
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sound/sound_source.h"

struct FrameFacts {
  uint32_t bytes = 0;    // the frame, header included
  uint32_t samples = 0;  // per channel
  uint32_t sampleRate = 0;
  uint32_t bitrate = 0;
  int channels = 0;
  uint32_t stream = 0;   // what frames of one stream share (version, layer, rate, channels)
};
// The frame at the bytes (kFramePeek of them, 0xFF past the end); false: none.
constexpr int kFramePeek = 8;
using FrameParser = std::function<bool(const uint8_t* bytes, FrameFacts* facts)>;

struct FrameScan {
  uint64_t first = 0;   // the first frame taken
  uint64_t frames = 0;  // frames taken
  uint64_t bytes = 0;   // their bytes
  uint64_t end = 0;     // after the last
  FrameFacts head;      // the first frame's facts
  bool oneBitrate = true;
  uint32_t largest = 0;
};

// Scans the frames from `first` to the end of input (a tag at the end may
// follow them). A refusal: bytes that are no frame, a frame cut short.
SoundRefusal ScanFrames(ByteInput& input, uint64_t first, const FrameParser& parse, FrameScan* scan);

// True at a tag that may end a file of frames (ID3v1, APE, Lyrics3) or
// nothing but zero bytes to the end.
bool TrailingTag(ByteInput& input, uint64_t at);

// The source over a scanned file; format filled in by the codec's opener.
std::unique_ptr<SoundSource> MakeFrameSource(std::shared_ptr<ByteInput> input, const FrameScan& scan,
                                             FrameParser parse, const SoundFormat& format);

// The format facts every frame file shares: constant bit rate as a byte
// stream (scale 1, rate = bytes a second, dwSampleSize 1), else a frame a unit
// (scale = samples per frame, dwSampleSize 0); the WAVEFORMATEX's first 18 bytes.
void FrameFormat(const FrameScan& scan, uint16_t formatTag, SoundFormat* format);
// Little-endian stores into a format block.
void PutU16(std::vector<uint8_t>& to, uint16_t v);
void PutU32(std::vector<uint8_t>& to, uint32_t v);
