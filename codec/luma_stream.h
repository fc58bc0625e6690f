// The first video stream decoded from start to end for measuring its
// pictures (black frames, scene changes): only the luma plane, at a reduced
// size where the decoder can give one (FFmpeg's "lowres" for MPEG-4 Visual,
// H.263, MJPEG, MPEG-1/2: a half, quarter or eighth of each side without
// the full-size inverse transform), with the decoder's own threads.
//
// The caller reads the chunks in file order and sends each one; every
// picture that comes out goes to `take` with the frame (index entry) it is
// shown at: the pictures come out in display order, so the k-th picture is
// shown at the k-th chunk that brought a picture, whatever the reordering
// (B-frames) and frame threading delay. A frame without a picture of its
// own (an empty chunk: a dropped frame) is not given: the picture before
// stays on screen.
//
//   LumaStream video(format);
//   if (!video.Open(2, &why)) ...
//   video.Send(frame, bytes, size, key, take) for each chunk; video.Finish(take);
//
// Stretches of the stream that decode alone (from a key frame that needs
// nothing before it) may each get a stream of their own, one thread each
// (detect/split_points.h); Balanced() then tells whether every chunk sent
// brought exactly one picture, as the stretches' pictures must to be
// numbered as in one pass.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "codec/mpeg4_packing.h"
#include "codec/picture.h"
#include "codec/video_format.h"

struct AVCodecContext;
struct AVBSFContext;
struct AVBufferRef;
struct AVFrame;
struct AVPacket;

// One picture's luma, as the decoder holds it (valid during the call only).
struct LumaPlane {
  const uint8_t* data = nullptr;
  int stride = 0;
  int width = 0;
  int height = 0;
  // Full range (0..255, JPEG) rather than video range (16..235).
  bool fullRange = false;
};

using LumaTaker = std::function<void(uint32_t frame, const LumaPlane& luma)>;

class LumaStream {
 public:
  explicit LumaStream(const VideoFormat& format);
  ~LumaStream();
  LumaStream(const LumaStream&) = delete;
  LumaStream& operator=(const LumaStream&) = delete;

  // Opens the decoder asking for each side divided by 2^lowres (as far as
  // the decoder allows) with `threads` threads of its own (0: one per
  // core); false with *why.
  bool Open(int lowres, int threads, std::string* why);
  // One chunk of the stream, frame `frame`.
  void Send(uint32_t frame, const uint8_t* data, size_t size, bool key, const LumaTaker& take);
  // The same without a copy: the caller reads the chunk's `size` bytes
  // into Buffer(size) (null: out of memory), then sends them.
  uint8_t* Buffer(size_t size);
  void SendBuffer(uint32_t frame, size_t size, bool key, const LumaTaker& take);
  // The end: the pictures the decoder still holds.
  void Finish(const LumaTaker& take);

  // The reduction the decoder took (0: full size) and its name.
  int Lowres() const;
  std::string DecoderName() const;
  // Chunks the decoder refused (damaged data; decoding goes on).
  uint64_t Refused() const { return refused_; }
  // After Finish: every chunk sent brought one picture, none was refused.
  bool Balanced() const { return sent_.empty() && unmatched_ == 0 && refused_ == 0; }
  // Every picture of the codec decodes alone (MJPEG, raw video).
  bool IntraOnly() const;
  // MPEG-4 Visual, whose I-VOPs decode alone.
  bool Mpeg4Part2() const { return unpack_ != nullptr; }

 private:
  void ThroughFilter(const LumaTaker& take);
  void ToDecoder(AVPacket* packet, const LumaTaker& take);
  void Drain(const LumaTaker& take);
  void Give(const AVFrame& frame, uint32_t index, const LumaTaker& take);

  VideoFormat format_;
  AVCodecContext* codec_ = nullptr;
  AVBSFContext* unpack_ = nullptr;
  AVPacket* packet_ = nullptr;
  // The chunks' bytes, used again for the next chunk once the decoder has
  // let go of them (a decoder thread may still hold the last ones).
  AVBufferRef* buffer_ = nullptr;
  AVFrame* frame_ = nullptr;
  Mpeg4Packing packing_;
  std::deque<uint32_t> sent_;  // the frames of the packets the decoder holds, in order
  uint64_t refused_ = 0;
  uint64_t unmatched_ = 0;  // pictures after every sent chunk had one
  // Pixel layouts without a plain 8-bit luma plane (RGB, packed YUV) are
  // converted to grey first.
  struct GreyConversion;
  std::unique_ptr<GreyConversion> grey_;
};
