// FFmpeg's MPEG-4 Visual or MS-MPEG4 v3 encoder set up to match a stream:
// its size, pixel aspect, time resolution, interlacing, quarter-pixel
// motion and quantiser matrices, so that the source's own frames can follow
// the frames it makes. The first frame is a key frame and the rest one
// closed group, all at one quantiser (the source's: codec/exact_codec.cpp).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

struct EncoderSettings {
  int codecId = 0;
  uint32_t tag = 0;  // the stream's FourCC
  int width = 0, height = 0;
  uint32_t rate = 0, scale = 0;  // strh: frames a second = rate / scale
  uint32_t timeResolution = 0;   // the VOL's (0: rate)
  int aspectNum = 0, aspectDen = 1;
  bool interlaced = false;
  bool quarterPel = false;
  bool mpegQuant = false;
  std::vector<uint16_t> intra, inter;  // loaded matrices, raster order (empty: the default)
  int quantiser = 2;  // 1 finest .. 31 coarsest
  bool bFrames = false;  // the stream has B-frames: so do the frames made (the decoder's delay stays)
  // With bFrames: the VOL still says B-frames may come (the delay stays),
  // but every frame after the key frame is a P-frame, one picture a chunk,
  // as a packed stream's chunk may be.
  bool noBFrames = false;
};

class FrameEncoder {
 public:
  FrameEncoder() = default;
  ~FrameEncoder();
  FrameEncoder(const FrameEncoder&) = delete;
  FrameEncoder& operator=(const FrameEncoder&) = delete;

  bool Open(const EncoderSettings& settings, std::string* why);
  // Picture number n of the group (0: its key frame).
  bool Send(const AVFrame& picture, uint32_t n, std::string* why);
  // The next frame made: its bytes, whether a key frame and its Y-PSNR.
  // False when none is ready (*why set only on an error).
  bool Receive(std::vector<uint8_t>* bytes, bool* key, double* psnr, std::string* why);
  // No more pictures: Receive gives out those held back.
  void Finish();

 private:
  AVCodecContext* codec_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  EncoderSettings settings_;
};
