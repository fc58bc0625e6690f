// The frame decoder's state (codec/decoding_state.h): starting at a key
// frame, sending chunks one at a time, receiving pictures.
#include "codec/decoding_state.h"

#include <cstring>

#include "avi/byte_input.h"

extern "C" {
#include <libavutil/error.h>
}

namespace {

// A chunk larger than this is a damaged index entry, not a picture.
constexpr uint32_t kMaxChunk = 256u << 20;

}  // namespace

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

void DecodingState::Restart(const KeyFrameList& keys, int key) {
  avcodec_flush_buffers(codec);
  if (unpack) av_bsf_flush(unpack);
  packing.Reset();
  held.Clear();
  ahead.Clear();
  startKey = key;
  const FrameEntry& from = key >= 0 ? keys.keys[key] : keys.first;
  cursor.Start(from);
  nextChunk = from.frame;
  trigger = lastShown = endIndex = -1;
  drained = false;
  errorChunk = -1;
  error.clear();
}

void DecodingState::Refused(int64_t chunk, int code) {
  if (errorChunk >= 0) return;
  errorChunk = chunk;
  error = chunk >= 0 ? "the decoder refused the chunk of frame " + std::to_string(chunk) + " (" + AvError(code) + ")"
                     : "the decoder failed at the end of the stream (" + AvError(code) + ")";
}

void DecodingState::SendPacket(AVPacket* p, int64_t chunk) {
  const int sent = avcodec_send_packet(codec, p);
  if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_EOF) Refused(chunk, sent);
}

void DecodingState::SendEnd() {
  drained = true;
  trigger = -1;
  // The pictures still held back by the reordering are the last ones.
  endIndex = int64_t(nextChunk) - codec->has_b_frames;
  if (unpack) {
    av_bsf_send_packet(unpack, nullptr);
    while (av_bsf_receive_packet(unpack, packet) == 0) {
      SendPacket(packet, -1);
      av_packet_unref(packet);
    }
  }
  SendPacket(nullptr, -1);
}

bool DecodingState::ReadChunk(ByteInput& input, const FrameEntry& e, std::string* why) {
  const std::string chunk = "the chunk of frame " + std::to_string(e.frame);
  if (e.size > kMaxChunk) {
    *why = chunk + " claims " + std::to_string(e.size) + " bytes";
    return false;
  }
  // Nothing is allocated for a chunk the file cannot hold.
  const std::string cutShort = chunk + " (" + std::to_string(e.size) + " bytes) runs past the end of the file: it is cut short";
  if (e.DataPosition() + e.size > input.Size()) {
    *why = cutShort;
    return false;
  }
  av_packet_unref(packet);
  if (e.size > 0 && av_new_packet(packet, int(e.size)) < 0) {
    *why = "out of memory";
    return false;
  }
  if (e.size > 0 && input.ReadBulk(e.DataPosition(), packet->data, e.size) != e.size) {
    *why = cutShort;
    return false;
  }
  return true;
}

bool DecodingState::SendChunk(const FrameEntry& e) {
  Mpeg4Packing::Send send = Mpeg4Packing::Send::AsIs;
  if (unpack)
    send = packing.Judge(packet->data, e.size);
  else if (e.size == 0)
    send = Mpeg4Packing::Send::Nothing;  // a dropped frame: the picture before stays
  if (send == Mpeg4Packing::Send::Nothing) return true;
  if (send == Mpeg4Packing::Send::StandIn) {
    av_packet_unref(packet);
    if (av_new_packet(packet, 4) < 0) return false;
    std::memcpy(packet->data, Mpeg4Packing::kVopStart, 4);
  }
  packet->pts = packet->dts = e.frame;
  if (e.key) packet->flags |= AV_PKT_FLAG_KEY;
  ++chunksSent;
  if (!unpack || !packing.ThroughFilter()) {
    SendPacket(packet, e.frame);
    av_packet_unref(packet);
    return true;
  }
  const int filtered = av_bsf_send_packet(unpack, packet);
  if (filtered < 0) {
    Refused(e.frame, filtered);
    av_packet_unref(packet);
  }
  while (av_bsf_receive_packet(unpack, packet) == 0) {
    SendPacket(packet, e.frame);
    av_packet_unref(packet);
  }
  return true;
}

DecodeStatus DecodingState::SendNext(ByteInput& input, const KeyFrameList& keys, std::string* why) {
  if (nextChunk >= keys.frames) {
    if (drained) return DecodeStatus::NoPicture;
    SendEnd();
    return DecodeStatus::Ok;
  }
  FrameEntry e;
  if (!cursor.Next(&e)) {
    *why = "the index ends before frame " + std::to_string(nextChunk);
    return DecodeStatus::ChunkUnreadable;
  }
  ++nextChunk;
  trigger = e.frame;
  if (!ReadChunk(input, e, why)) return DecodeStatus::ChunkUnreadable;
  if (SendChunk(e)) return DecodeStatus::Ok;
  *why = "out of memory";
  return DecodeStatus::ChunkUnreadable;
}

int DecodingState::Receive(uint32_t asked) {
  const int got = avcodec_receive_frame(codec, scratch);
  if (got < 0) return got;
  // Shown at the index of the chunk that brought it out, less the
  // decoder's reordering delay; pictures the end brings out take the last
  // indexes, one each. Quirk: started at the last key frame of an open
  // group, MPEG-4's B-frames after it lack their earlier reference and
  // bring out nothing, so the key frame's own picture only comes at the
  // end; counted on from the start it would pass for the B-frames'.
  int64_t index = trigger >= 0 ? trigger - codec->has_b_frames : endIndex++;
  if (index <= lastShown) index = lastShown + 1;
  lastShown = index;
  Shown& slot = index <= int64_t(asked) ? held : ahead;
  slot.Clear();
  av_frame_move_ref(slot.frame, scratch);
  slot.index = index;
  slot.chunk = trigger;
  return 0;
}

