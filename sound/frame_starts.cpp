#include "sound/frame_starts.h"

#include "sound/ac3_frames.h"
#include "sound/frame_file.h"
#include "sound/mpeg_audio_frames.h"

namespace {

constexpr uint16_t kMpegLayer12 = 0x0050, kMpegLayer3 = 0x0055, kAc3 = 0x2000;
constexpr int kChain = 3;  // frames in a row that make a place a frame start

// The frame at p (kFramePeek bytes readable); false: none.
bool FrameAt(uint16_t tag, const uint8_t* p, FrameFacts* f) {
  if (tag == kAc3) {
    Ac3FrameHeader h;
    if (!ParseAc3FrameHeader(p, &h)) return false;
    *f = FrameFacts{h.bytes, 1536, h.sampleRate, h.bitrate, h.channels, h.sampleRate << 4 | uint32_t(h.channels)};
    return true;
  }
  MpegFrameHeader h;
  if (!ParseMpegFrameHeader(p, &h)) return false;
  *f = FrameFacts{h.bytes, h.samples, h.sampleRate, h.bitrate, h.channels,
                  uint32_t(h.version) << 24 | uint32_t(h.layer) << 16 | uint32_t(h.channels) << 20 | h.sampleRate};
  return true;
}

// The frame at `at` of the run, its header wholly inside it.
bool FrameIn(uint16_t tag, const uint8_t* data, size_t size, size_t at, FrameFacts* f) {
  return at + kFramePeek <= size && FrameAt(tag, data + at, f) && f->bytes > 0;
}

// True when kChain frames of one stream begin at `at` (or those that do run
// to the end of the run).
bool ChainAt(uint16_t tag, const uint8_t* data, size_t size, size_t at) {
  FrameFacts first, f;
  if (!FrameIn(tag, data, size, at, &first)) return false;
  size_t next = at + first.bytes;
  for (int k = 1; k < kChain; ++k) {
    if (next + kFramePeek > size) return true;
    if (!FrameIn(tag, data, size, next, &f) || f.stream != first.stream) return false;
    next += f.bytes;
  }
  return true;
}

}  // namespace

bool FramesTellLength(uint16_t formatTag) {
  return formatTag == kMpegLayer12 || formatTag == kMpegLayer3 || formatTag == kAc3;
}

std::vector<FrameStart> FindFrameStarts(uint16_t formatTag, const uint8_t* data, size_t size) {
  std::vector<FrameStart> starts;
  if (!FramesTellLength(formatTag)) return starts;
  size_t at = 0;
  while (at + kFramePeek <= size) {
    if (!ChainAt(formatTag, data, size, at)) {
      ++at;  // bytes between frames (a chunk's padding, a broken frame): look for the chain again
      continue;
    }
    FrameFacts f;
    while (FrameIn(formatTag, data, size, at, &f)) {
      starts.push_back(FrameStart{uint32_t(at), f.samples, f.sampleRate});
      at += f.bytes;
    }
  }
  return starts;
}
