// Decoding any frame of the first video stream (codec/frame_decoder.h).
#include "codec/frame_decoder.h"

#include <cstdlib>
#include <cstring>

#include "avi/avi_source.h"
#include "avi/byte_input.h"
#include "codec/decoding_state.h"
#include "codec/video_codecs.h"
#include "codec/video_format.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

FrameDecoder::FrameDecoder(AviSource& source, const AviAnalysis& analysis, const KeyFrameList& keys)
    : source_(source), analysis_(analysis), keys_(keys) {}

FrameDecoder::~FrameDecoder() = default;

DecodeStatus FrameDecoder::Fail(DecodeStatus status, const std::string& why) {
  failure_ = why;
  return status;
}

std::string FrameDecoder::DecoderName() const {
  return state_ && state_->codec && state_->codec->codec ? state_->codec->codec->name : "";
}

uint64_t FrameDecoder::ChunksDecoded() const { return state_ ? state_->chunksSent : 0; }

namespace {

// The extradata as the decoder wants it: zero padding after it, and for
// bottom-up BI_RGB the "BottomUp" mark FFmpeg's raw decoder turns the rows by
// (what its AVI reader appends).
bool SetExtradata(AVCodecContext* codec, std::vector<uint8_t> bytes, bool bottomUp) {
  if (bottomUp) bytes.insert(bytes.end(), {'B', 'o', 't', 't', 'o', 'm', 'U', 'p', 0});
  if (bytes.empty()) return true;
  codec->extradata = static_cast<uint8_t*>(av_mallocz(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE));
  if (codec->extradata == nullptr) return false;
  std::memcpy(codec->extradata, bytes.data(), bytes.size());
  codec->extradata_size = int(bytes.size());
  return true;
}

}  // namespace

DecodeStatus FrameDecoder::Open() {
  av_log_set_level(AV_LOG_QUIET);
  VideoFormat format;
  if (!ReadVideoFormat(analysis_, source_.Input(), &format))
    return Fail(DecodeStatus::NoDecoder, "the file has no video stream with a picture format (strf)");
  format_ = format.stream;
  const StreamFormat& f = format_;
  const VideoCodecChoice choice = ChooseVideoCodec(f.compression, f.handler, f.bitCount, f.height);
  const std::string named = "codec " + FourCcText(f.Codec()) + (f.compression == 0 ? " (BI_RGB, " + std::to_string(f.bitCount) + " bits)" : "");
  const AVCodec* decoder = choice.codecId ? avcodec_find_decoder(AVCodecID(choice.codecId)) : nullptr;
  if (decoder == nullptr) return Fail(DecodeStatus::NoDecoder, "no decoder for its " + named);
  if (f.width <= 0 || f.height == 0 || f.width > 16384 || std::abs(f.height) > 16384)
    return Fail(DecodeStatus::DecoderFailed, "its frame size " + std::to_string(f.width) + "x" +
                                                 std::to_string(f.height) + " is no picture's");

  state_.reset(new DecodingState(source_, analysis_));
  DecodingState& s = *state_;
  s.codec = avcodec_alloc_context3(decoder);
  s.scratch = av_frame_alloc();
  s.held.frame = av_frame_alloc();
  s.ahead.frame = av_frame_alloc();
  s.packet = av_packet_alloc();
  if (!s.codec || !s.scratch || !s.held.frame || !s.ahead.frame || !s.packet)
    return Fail(DecodeStatus::DecoderFailed, "out of memory");
  s.codec->width = f.width;
  s.codec->height = std::abs(f.height);
  s.codec->codec_tag = choice.rawTag ? choice.rawTag : f.compression;
  s.codec->bits_per_coded_sample = f.bitCount;
  // One thread: pictures come out right after the chunk that completes
  // them, which is how their index is known.
  s.codec->thread_count = 1;
  if (!SetExtradata(s.codec, format.extradata, choice.bottomUp))
    return Fail(DecodeStatus::DecoderFailed, "out of memory");
  int error = avcodec_open2(s.codec, decoder, nullptr);
  if (error < 0) return Fail(DecodeStatus::DecoderFailed, "the " + std::string(decoder->name) +
                                                              " decoder does not open for its " + named + ": " + AvError(error));
  if (choice.mpeg4Part2) {
    const AVBitStreamFilter* filter = av_bsf_get_by_name("mpeg4_unpack_bframes");
    if (filter == nullptr || av_bsf_alloc(filter, &s.unpack) < 0 ||
        avcodec_parameters_from_context(s.unpack->par_in, s.codec) < 0 || av_bsf_init(s.unpack) < 0)
      return Fail(DecodeStatus::DecoderFailed, "FFmpeg's mpeg4_unpack_bframes filter is missing");
  }
  return DecodeStatus::Ok;
}

DecodeStatus FrameDecoder::Decode(uint32_t frame, PictureFormat format, Picture* picture) {
  shown_ = nullptr;
  if (!state_ || state_->codec == nullptr) return Fail(DecodeStatus::DecoderFailed, "the decoder is not open");
  if (frame >= keys_.frames)
    return Fail(DecodeStatus::PastEnd, "frame " + std::to_string(frame) + " is past the end (the video has " +
                                           std::to_string(keys_.frames) + " frames)");
  DecodingState& s = *state_;
  const int key = keys_.KeyAtOrBefore(frame);
  const uint32_t keyChunk = key >= 0 ? keys_.keys[key].frame : 0;
  // Go on from where the last request left off when it lies in this
  // frame's group (or this group began since) and has shown nothing after it.
  const int64_t earliest = s.held.Has() ? s.held.index : s.ahead.Has() ? s.ahead.index : s.lastShown + 1;
  const bool goOn = s.startKey != -2 && earliest <= int64_t(frame) && (s.startKey == key || keyChunk < s.nextChunk);
  if (!goOn) s.Restart(keys_, key);

  for (;;) {
    if (s.held.Has() && s.held.index == int64_t(frame)) return Give(s.held.frame, s.held.chunk, frame, format, picture);
    if (s.ahead.Has()) {
      if (s.ahead.index <= int64_t(frame)) {
        std::swap(s.held, s.ahead);
        s.ahead.Clear();
        continue;
      }
      // Indexes without a picture of their own (dropped frames) show the one before.
      if (s.held.Has()) return Give(s.held.frame, s.held.chunk, frame, format, picture);
      // The first picture since the key frame is shown after this frame:
      // B-frames of an open group want the group before.
      const bool earlierStart = s.startKey > 0 || (s.startKey == 0 && keys_.keys[0].frame > 0);
      if (!earlierStart) return Give(s.ahead.frame, s.ahead.chunk, frame, format, picture);
      s.Restart(keys_, s.startKey - 1);
      continue;
    }
    const int got = s.Receive(frame);
    if (got == 0) continue;
    if (got == AVERROR(EAGAIN)) {
      std::string why;
      const DecodeStatus sent = s.SendNext(source_.Input(), keys_, &why);
      if (sent == DecodeStatus::ChunkUnreadable) {
        s.startKey = -2;  // the next request starts anew
        return Fail(sent, source_.File().Fault() ? "a read of the file failed" : why);
      }
      if (sent == DecodeStatus::Ok) continue;
    } else if (got != AVERROR_EOF) {
      s.Refused(int64_t(s.trigger), got);
      if (!s.drained) continue;
    }
    // The decoder has given out all it will.
    if (s.held.Has()) return Give(s.held.frame, s.held.chunk, frame, format, picture);
    s.startKey = -2;
    return Fail(DecodeStatus::NoPicture, s.error.empty() ? "the decoder gave no picture for frame " + std::to_string(frame)
                                                         : s.error);
  }
}

DecodeStatus FrameDecoder::Give(const AVFrame* shown, int64_t chunk, uint32_t frame, PictureFormat format,
                                Picture* picture) {
  DecodingState& s = *state_;
  // A chunk the decoder refused up to this frame or to the chunk that
  // brought the picture out (the picture before a refused chunk would pass
  // for a dropped frame), or a picture it marks as damaged, is no picture
  // of the recording.
  if (s.errorChunk >= 0 && (chunk < 0 || s.errorChunk <= chunk || s.errorChunk <= int64_t(frame)))
    return Fail(DecodeStatus::DecoderFailed, s.error);
  if (shown->decode_error_flags != 0 || (shown->flags & AV_FRAME_FLAG_CORRUPT))
    return Fail(DecodeStatus::DecoderFailed, "the decoder found the picture damaged");
  shown_ = shown;
  if (format == PictureFormat::Native) return DecodeStatus::Ok;
  const uint32_t width = format_.width > 0 ? uint32_t(format_.width) : uint32_t(shown->width);
  const uint32_t height = format_.height != 0 ? uint32_t(std::abs(format_.height)) : uint32_t(shown->height);
  if (!s.converter.Convert(*shown, width, height, format == PictureFormat::Grey8 ? 1 : 3, picture))
    return Fail(DecodeStatus::DecoderFailed, "the picture's pixel layout cannot be converted to RGB");
  return DecodeStatus::Ok;
}
