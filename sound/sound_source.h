// A sound that becomes an AVI stream: its format block and stream header
// facts, and its bytes as a walk of pieces that can be started again as
// often as the output skeleton walks its listing (sizing, OpenDML layout,
// chunks, index). Three sources: a WAV file (sound/wav_file.h), a file of
// MPEG audio or AC-3 frames (sound/mpeg_audio_frames.h, sound/ac3_frames.h)
// and the chunks of a stream of an AVI file (sound/avi_stream_sound.h).
//
// Time is counted in the stream's units, each lasting scale / rate seconds:
//   PCM            a unit is a sample (scale 1, rate the sample rate), a
//                  piece any run of whole samples;
//   variable rate  a unit is a frame (scale = samples per frame), a piece one
//                  frame, dwSampleSize 0;
//   constant rate  a unit is a byte (scale 1, rate the byte rate), a piece
//                  one frame, dwSampleSize 1.
// A compressed piece (a frame, a chunk) is never cut; PCM pieces may be cut
// at any whole sample.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "avi/byte_input.h"

struct SoundFormat {
  std::vector<uint8_t> strf;  // the format block (WAVEFORMATEX and what follows)
  std::vector<uint8_t> strh;  // a stream header to start from (56 bytes), or empty: a fresh one
  uint16_t formatTag = 0;
  uint16_t channels = 0;
  uint16_t blockAlign = 0;  // PCM: bytes of one sample of all channels
  uint32_t sampleRate = 0;
  bool pcm = false;
  uint32_t scale = 0, rate = 0;  // a unit lasts scale / rate seconds
  uint32_t sampleSize = 0;       // strh dwSampleSize
  uint64_t units = 0;            // the whole sound (strh dwLength)
  uint64_t pieces = 0;           // frames (compressed) or pieces (PCM)
  std::string kind;              // for messages: "PCM", "MPEG-1 Layer III, 128 kbit/s" ...
};

// Bytes of the sound: a range of its file.
struct SoundPiece {
  uint64_t at = 0;
  uint32_t bytes = 0;
  uint64_t units = 0;  // its duration
};

class SoundCursor {
 public:
  virtual ~SoundCursor() = default;
  // The next piece; false after the last (or on a read that failed: Failed()).
  virtual bool Next(SoundPiece* piece) = 0;
  virtual bool Failed() const { return false; }
};

class SoundSource {
 public:
  virtual ~SoundSource() = default;
  virtual const SoundFormat& Format() const = 0;
  // The file the pieces lie in.
  virtual std::shared_ptr<ByteInput> Input() const = 0;
  // A walk from the first piece.
  virtual std::unique_ptr<SoundCursor> Begin() const = 0;
};

// Why a sound file cannot be used: its words in both languages.
struct SoundRefusal {
  enum Kind { None, NotSound, Truncated, Empty, Unstatable, Unreadable } kind = None;
  std::string english, japanese;
  explicit operator bool() const { return kind != None; }
};
