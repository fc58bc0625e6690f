// Where the frame decoder (codec/frame_decoder.h) stands: FFmpeg's decoder
// and the MPEG-4 unpacking filter, the chunk sent last and the pictures that
// came out, each with the index it is shown at.
#pragma once
#include <cstdint>
#include <string>

#include "avi/key_frame_list.h"
#include "codec/frame_decoder.h"
#include "codec/mpeg4_packing.h"
#include "codec/picture_convert.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
}

class ByteInput;

// A decoded picture and the index it is shown at.
struct Shown {
  AVFrame* frame = nullptr;
  int64_t index = -1;
  int64_t chunk = -1;  // the chunk whose sending brought it out (-1: the end)
  bool Has() const { return index >= 0; }
  void Clear() {
    av_frame_unref(frame);
    index = chunk = -1;
  }
};

class DecodingState {
 public:
  DecodingState(AviSource& source, const AviAnalysis& analysis) : cursor(source, analysis) {}
  ~DecodingState() {
    av_frame_free(&held.frame);
    av_frame_free(&ahead.frame);
    av_frame_free(&scratch);
    av_packet_free(&packet);
    av_bsf_free(&unpack);
    avcodec_free_context(&codec);
  }

  AVCodecContext* codec = nullptr;
  AVBSFContext* unpack = nullptr;  // MPEG-4 Visual: mpeg4_unpack_bframes
  AVFrame* scratch = nullptr;
  AVPacket* packet = nullptr;
  PictureConverter converter;
  FrameCursor cursor;
  Mpeg4Packing packing;

  // Where decoding stands: the picture shown at or before the asked index,
  // one past it that came out already, the key frame decoding began at
  // (an index into keys), the next chunk to send and the chunk whose
  // sending brought out the pictures being received.
  Shown held, ahead;
  int startKey = -2;  // -1: frame 0 (no key frame before); -2: not started
  uint32_t nextChunk = 0;
  int64_t trigger = -1;
  int64_t lastShown = -1;
  int64_t endIndex = -1;  // where the pictures the end brings out are shown, in turn
  bool drained = false;  // every chunk sent and the end signalled
  uint64_t chunksSent = 0;
  // The first chunk since the start that the decoder refused, and why.
  int64_t errorChunk = -1;
  std::string error;

  void Restart(const KeyFrameList& keys, int key);
  // Sends the next chunk (or the end); false with *why when it cannot be read.
  DecodeStatus SendNext(ByteInput& input, const KeyFrameList& keys, std::string* why);
  // Takes the next picture out of the decoder into held or ahead (by
  // whether it is shown after `asked`); its avcodec_receive_frame result.
  int Receive(uint32_t asked);
  // Keeps the first refusal since the start as the reason.
  void Refused(int64_t chunk, int code);

 private:
  void SendPacket(AVPacket* packet, int64_t chunk);
  // The end of the stream, through the filter, to the decoder.
  void SendEnd();
  // e's bytes into packet; false with *why when the file cannot give them.
  bool ReadChunk(ByteInput& input, const FrameEntry& e, std::string* why);
  // packet, the bytes of e, to the decoder (unpacked first); false when
  // out of memory.
  bool SendChunk(const FrameEntry& e);
};

// FFmpeg's words for an error code.
std::string AvError(int code);
