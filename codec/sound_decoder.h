// A compressed sound stream (MP3, MP2, AC-3, AAC, ADPCM, A-law...) decoded
// for its loudness (each sample's magnitude on the loudest channel, 0..1 of
// full scale) or to be heard (16-bit interleaved PCM, codec/pcm_source.h). The chunks of an AVI need not end on the codec's
// frames (MP3 chunks often split one), so the bytes go through FFmpeg's
// parser first where the codec has one.
//
//   SoundDecoder sound;
//   if (!sound.Open(format, &why)) ...
//   sound.Decode(bytes, size, &peaks) for each chunk; sound.Finish(&peaks);
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "avi/stream_format.h"

struct AVCodecContext;
struct AVCodecParserContext;
struct AVFrame;
struct AVPacket;

class SoundDecoder {
 public:
  SoundDecoder() = default;
  ~SoundDecoder();
  SoundDecoder(const SoundDecoder&) = delete;
  SoundDecoder& operator=(const SoundDecoder&) = delete;

  // Opens the decoder for a stream of this WAVEFORMATEX; false with *why.
  bool Open(const StreamFormat& format, std::string* why);
  // One chunk's bytes; the samples that come out are appended to *peaks.
  void Decode(const uint8_t* data, size_t size, std::vector<float>* peaks);
  void Finish(std::vector<float>* peaks);
  // The same, the samples appended as 16-bit PCM of the first channels
  // (at most 2: mono or stereo, what every sound device plays), interleaved.
  void DecodePcm(const uint8_t* data, size_t size, std::vector<int16_t>* pcm);
  void FinishPcm(std::vector<int16_t>* pcm);
  // Forgets what it holds, for bytes from another place in the stream.
  void Reset();

  // The decoded sound's samples a second (0 before the first frame came out:
  // then the stream's own).
  uint32_t SampleRate() const;
  // Samples the decoder gives before the first sample of the sound it was
  // given (its own delay and the usual encoder's), to be taken off.
  uint32_t Delay() const { return delay_; }
  std::string DecoderName() const;
  uint64_t Refused() const { return refused_; }

 private:
  // Where the samples go: peaks_ or pcm_, one of them set for each call.
  void Feed(const uint8_t* data, size_t size);
  void Flush();
  void Parsed(const uint8_t* out, int outSize);
  void ToDecoder(AVPacket* packet);
  void Drain();

  std::vector<float>* peaks_ = nullptr;
  std::vector<int16_t>* pcm_ = nullptr;

  AVCodecContext* codec_ = nullptr;
  AVCodecParserContext* parser_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  int codecId_ = 0;
  uint32_t rate_ = 0;
  uint32_t delay_ = 0;
  uint64_t refused_ = 0;
};

// Whether a WAVEFORMATEX tag is PCM the caller reads itself: integer PCM
// (1) or IEEE float (3), and WAVE_FORMAT_EXTENSIBLE is left to the caller.
bool IsPlainPcm(uint16_t formatTag);
