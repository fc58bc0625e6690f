// The first sound stream of an AVI as 16-bit interleaved PCM (mono or
// stereo) from a chosen time, for the preview to play. Plain PCM is read as
// it is; compressed sound (MP3, AC-3...) goes through codec/sound_decoder.h.
// It holds one chunk and what one chunk decodes to, whatever the file's length.
//
//   PcmSource sound(input, analysis);
//   if (sound.Open(&why)) { sound.Seek(micros); while (sound.Read(buffer, n) > 0) ... }
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "avi/avi_analysis.h"
#include "avi/index_reader.h"
#include "avi/stream_format.h"

class ByteInput;
class SoundDecoder;

class PcmSource {
 public:
  PcmSource(ByteInput& input, const AviAnalysis& analysis);
  ~PcmSource();
  PcmSource(const PcmSource&) = delete;
  PcmSource& operator=(const PcmSource&) = delete;

  // Finds the first sound stream and opens its reader; false with *why
  // (no index, no sound stream, a format it cannot read).
  bool Open(std::string* why);
  uint32_t Rate() const { return format_.samplesPerSec; }
  uint16_t Channels() const { return channels_; }
  // The next Read starts at the sample micros after the sound's start.
  void Seek(uint64_t micros);
  // Up to frames sample frames (Channels() samples each) into out; fewer
  // only at the stream's end (or where the file cannot give its bytes).
  size_t Read(int16_t* out, size_t frames);

 private:
  bool Compressed() const { return decoder_ != nullptr; }
  // The chunk's start in samples, as its strh counts them.
  uint64_t StartOf(uint64_t bytesBefore, uint64_t chunksBefore) const;
  // Decodes (or converts) the next sound chunk into pending_; false at the end.
  bool NextChunk();
  void ConvertPcm(const uint8_t* data, size_t size);

  ByteInput& input_;
  const AviAnalysis& analysis_;
  IndexReader index_;
  StreamFormat format_;
  int stream_ = -1;
  uint16_t channels_ = 0;
  std::unique_ptr<SoundDecoder> decoder_;
  uint32_t entry_ = 0;         // the next index entry to look at
  bool finished_ = false;      // the decoder's last samples taken
  uint64_t position_ = 0;      // the sample pending_[0] is
  uint64_t target_ = 0;        // samples before it are dropped
  std::vector<uint8_t> chunk_;
  std::vector<int16_t> pending_;
  size_t used_ = 0;            // sample frames of pending_ already read
};
