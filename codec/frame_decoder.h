// Any frame of an AVI's first video stream as a picture, decoded by FFmpeg's
// libraries (the only room that includes them).
//
// Frame N is the picture shown at index N: the decoder is fed the chunks in
// the file's (decode) order from the key frame at or before N, and each
// picture it gives out is shown at the index of the chunk that brought it
// out, less the decoder's reordering delay (0 without B-frames; 1 for
// MPEG-4 Visual with B-frames, as a player holds back one frame). A chunk of
// no bytes is a dropped frame: the picture before it stays. MPEG-4 Visual
// "packed" B-frames (DivX 5, Xvid: a P and a B frame in one chunk, then an
// empty or tiny chunk) are unpacked first, as FFmpeg's mpeg4_unpack_bframes
// filter does, so that every chunk brings one picture again.
//
// Chunks are read one at a time through the file's ByteInput; the decoder
// stays open between requests, so asking for N + 1 after N decodes one more
// chunk. Errors of the decoder are results with a reason.
//
//   FrameDecoder decoder(source, analysis, keys);
//   if (!decoder.Open()) say(decoder.Failure());
//   Picture picture;
//   if (decoder.Decode(n, PictureFormat::Rgb24, &picture) != DecodeStatus::Ok) say(decoder.Failure());
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "avi/avi_analysis.h"
#include "avi/key_frame_list.h"
#include "avi/stream_format.h"
#include "codec/picture.h"

class AviSource;
class DecodingState;
struct AVFrame;

// Native: no conversion; the decoder's own picture is at Shown().
enum class PictureFormat { Rgb24, Grey8, Native };

enum class DecodeStatus {
  Ok,
  NoDecoder,      // the stream's codec is none this build decodes
  DecoderFailed,  // the decoder refused the stream's data
  ChunkUnreadable,  // a chunk lies past the end of the file, or a read failed
  PastEnd,        // N is not below the frame count
  NoPicture,      // the chunks gave no picture at or before N
};

class FrameDecoder {
 public:
  // source, analysis and keys must outlive the decoder.
  FrameDecoder(AviSource& source, const AviAnalysis& analysis, const KeyFrameList& keys);
  ~FrameDecoder();
  FrameDecoder(const FrameDecoder&) = delete;
  FrameDecoder& operator=(const FrameDecoder&) = delete;

  // Reads the first video stream's format and opens its decoder.
  DecodeStatus Open();
  // Frame `frame` as a picture of the stream's stored size.
  DecodeStatus Decode(uint32_t frame, PictureFormat format, Picture* picture);

  // The reason of the last status other than Ok, in English.
  const std::string& Failure() const { return failure_; }
  // The picture the last Decode gave, as the decoder made it (valid until
  // the next Decode); null before one.
  const AVFrame* Shown() const { return shown_; }
  // The stream's format as read by Open().
  const StreamFormat& Format() const { return format_; }
  // The decoder's name ("mpeg4").
  std::string DecoderName() const;
  // Chunks sent to the decoder since it was opened (for the benchmark and tests).
  uint64_t ChunksDecoded() const;

 private:
  DecodeStatus Fail(DecodeStatus status, const std::string& why);
  // The picture `shown`, brought out by chunk `chunk`, converted as frame `frame`.
  DecodeStatus Give(const AVFrame* shown, int64_t chunk, uint32_t frame, PictureFormat format, Picture* picture);

  AviSource& source_;
  const AviAnalysis& analysis_;
  const KeyFrameList& keys_;
  StreamFormat format_;
  std::unique_ptr<DecodingState> state_;
  std::string failure_;
  const AVFrame* shown_ = nullptr;
};
