// Decoding the video stream in order for its luma (codec/luma_stream.h).
#include "codec/luma_stream.h"

#include <climits>
#include <cstring>

#include "codec/decoding_state.h"
#include "codec/picture_convert.h"
#include "codec/video_codecs.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
}

struct LumaStream::GreyConversion {
  PictureConverter converter;
  Picture picture;
};

namespace {

// The luma plane is plane 0, one byte a sample: every planar YUV layout of
// 8 bits and grey; not RGB, packed YUV (YUY2) or more than 8 bits.
bool HasPlainLuma(int pixelFormat) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(AVPixelFormat(pixelFormat));
  return d != nullptr && !(d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM)) &&
         d->comp[0].plane == 0 && d->comp[0].step == 1 && d->comp[0].depth == 8 && d->comp[0].shift == 0 &&
         (d->nb_components < 2 || d->comp[1].plane != 0);
}

bool IsFullRange(const AVFrame& f) {
  switch (f.format) {
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_YUVJ440P:
    case AV_PIX_FMT_YUVJ411P:
    case AV_PIX_FMT_GRAY8:
      return true;
    default:
      return f.color_range == AVCOL_RANGE_JPEG;
  }
}

}  // namespace

LumaStream::LumaStream(const VideoFormat& format) : format_(format) {}

LumaStream::~LumaStream() {
  av_frame_free(&frame_);
  av_packet_free(&packet_);
  av_buffer_unref(&buffer_);
  av_bsf_free(&unpack_);
  avcodec_free_context(&codec_);
}

int LumaStream::Lowres() const { return codec_ ? codec_->lowres : 0; }

std::string LumaStream::DecoderName() const { return codec_ && codec_->codec ? codec_->codec->name : ""; }

bool LumaStream::IntraOnly() const {
  const AVCodecDescriptor* d = codec_ ? avcodec_descriptor_get(codec_->codec_id) : nullptr;
  return d != nullptr && (d->props & AV_CODEC_PROP_INTRA_ONLY) != 0;
}

bool LumaStream::Open(int lowres, int threads, std::string* why) {
  av_log_set_level(AV_LOG_QUIET);
  const StreamFormat& f = format_.stream;
  const VideoCodecChoice choice = ChooseVideoCodec(f.compression, f.handler, f.bitCount, f.height);
  const AVCodec* decoder = choice.codecId ? avcodec_find_decoder(AVCodecID(choice.codecId)) : nullptr;
  if (decoder == nullptr) {
    *why = "no decoder for its video codec " + FourCcText(f.Codec());
    return false;
  }
  if (f.width <= 0 || f.height == 0 || f.width > 16384 || f.height > 16384 || f.height < -16384) {
    *why = "its frame size " + std::to_string(f.width) + "x" + std::to_string(f.height) + " is no picture's";
    return false;
  }
  codec_ = avcodec_alloc_context3(decoder);
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (!codec_ || !frame_ || !packet_) {
    *why = "out of memory";
    return false;
  }
  codec_->width = f.width;
  codec_->height = f.height < 0 ? -f.height : f.height;
  codec_->codec_tag = choice.rawTag ? choice.rawTag : f.compression;
  codec_->bits_per_coded_sample = f.bitCount;
  codec_->lowres = lowres < decoder->max_lowres ? lowres : decoder->max_lowres;
  // The decoder's own threads (frame and slice threading): pictures still
  // come out in display order, only later.
  codec_->thread_count = threads;
  codec_->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  std::vector<uint8_t> extra = format_.extradata;
  if (choice.bottomUp) extra.insert(extra.end(), {'B', 'o', 't', 't', 'o', 'm', 'U', 'p', 0});
  if (!extra.empty()) {
    codec_->extradata = static_cast<uint8_t*>(av_mallocz(extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (codec_->extradata == nullptr) {
      *why = "out of memory";
      return false;
    }
    std::memcpy(codec_->extradata, extra.data(), extra.size());
    codec_->extradata_size = int(extra.size());
  }
  const int error = avcodec_open2(codec_, decoder, nullptr);
  if (error < 0) {
    *why = "the " + std::string(decoder->name) + " decoder does not open: " + AvError(error);
    return false;
  }
  if (choice.mpeg4Part2) {
    const AVBitStreamFilter* filter = av_bsf_get_by_name("mpeg4_unpack_bframes");
    if (filter == nullptr || av_bsf_alloc(filter, &unpack_) < 0 ||
        avcodec_parameters_from_context(unpack_->par_in, codec_) < 0 || av_bsf_init(unpack_) < 0) {
      *why = "FFmpeg's mpeg4_unpack_bframes filter is missing";
      return false;
    }
  }
  return true;
}

void LumaStream::Send(uint32_t frame, const uint8_t* data, size_t size, bool key, const LumaTaker& take) {
  uint8_t* buffer = Buffer(size);
  if (buffer == nullptr) {
    ++refused_;
    return;
  }
  if (size > 0) std::memcpy(buffer, data, size);
  SendBuffer(frame, size, key, take);
}

uint8_t* LumaStream::Buffer(size_t size) {
  const size_t needed = size + AV_INPUT_BUFFER_PADDING_SIZE;
  if (needed > size_t(INT_MAX)) return nullptr;
  if (buffer_ == nullptr || !av_buffer_is_writable(buffer_) || size_t(buffer_->size) < needed) {
    av_buffer_unref(&buffer_);
    // Room for somewhat larger chunks than this one, so that the buffer is
    // seldom made anew.
    const size_t room = needed + needed / 2 < size_t(INT_MAX) ? needed + needed / 2 : needed;
    buffer_ = av_buffer_alloc(room);
    if (buffer_ == nullptr) return nullptr;
  }
  // The decoder reads past the end in whole words: the padding is zero.
  std::memset(buffer_->data + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
  return buffer_->data;
}

void LumaStream::SendBuffer(uint32_t frame, size_t size, bool key, const LumaTaker& take) {
  const uint8_t* data = buffer_ ? buffer_->data : nullptr;
  Mpeg4Packing::Send send = Mpeg4Packing::Send::AsIs;
  if (unpack_)
    send = packing_.Judge(data, size);
  else if (size == 0)
    send = Mpeg4Packing::Send::Nothing;  // a dropped frame: the picture before stays
  if (send == Mpeg4Packing::Send::Nothing) return;
  av_packet_unref(packet_);
  if (send == Mpeg4Packing::Send::StandIn) {
    if (av_new_packet(packet_, 4) < 0) {
      ++refused_;
      return;
    }
    std::memcpy(packet_->data, Mpeg4Packing::kVopStart, 4);
  } else {
    packet_->buf = av_buffer_ref(buffer_);
    if (packet_->buf == nullptr) {
      ++refused_;
      return;
    }
    packet_->data = packet_->buf->data;
    packet_->size = int(size);
  }
  packet_->pts = packet_->dts = frame;
  if (key) packet_->flags |= AV_PKT_FLAG_KEY;
  if (unpack_ && packing_.ThroughFilter()) {
    ThroughFilter(take);
    return;
  }
  ToDecoder(packet_, take);
  av_packet_unref(packet_);
}

void LumaStream::ThroughFilter(const LumaTaker& take) {
  if (av_bsf_send_packet(unpack_, packet_) < 0) {
    ++refused_;
    av_packet_unref(packet_);
  }
  while (av_bsf_receive_packet(unpack_, packet_) == 0) {
    ToDecoder(packet_, take);
    av_packet_unref(packet_);
  }
}

void LumaStream::ToDecoder(AVPacket* packet, const LumaTaker& take) {
  const uint32_t frame = uint32_t(packet->pts);
  for (;;) {
    const int sent = avcodec_send_packet(codec_, packet);
    if (sent == AVERROR(EAGAIN)) {
      Drain(take);
      continue;
    }
    if (sent < 0) {
      ++refused_;
      return;
    }
    break;
  }
  sent_.push_back(frame);
  Drain(take);
}

void LumaStream::Finish(const LumaTaker& take) {
  if (unpack_) {
    av_bsf_send_packet(unpack_, nullptr);
    while (av_bsf_receive_packet(unpack_, packet_) == 0) {
      ToDecoder(packet_, take);
      av_packet_unref(packet_);
    }
  }
  avcodec_send_packet(codec_, nullptr);
  Drain(take);
}

void LumaStream::Drain(const LumaTaker& take) {
  while (avcodec_receive_frame(codec_, frame_) == 0) {
    // A packet that brought no picture (a not-coded VOP the decoder
    // swallows) leaves its frame to the picture before.
    if (!sent_.empty()) {
      Give(*frame_, sent_.front(), take);
      sent_.pop_front();
    } else {
      ++unmatched_;
    }
    av_frame_unref(frame_);
  }
}

void LumaStream::Give(const AVFrame& frame, uint32_t index, const LumaTaker& take) {
  LumaPlane luma;
  if (HasPlainLuma(frame.format)) {
    luma.data = frame.data[0];
    luma.stride = frame.linesize[0];
    luma.width = frame.width;
    luma.height = frame.height;
    luma.fullRange = IsFullRange(frame);
  } else {
    if (!grey_) grey_.reset(new GreyConversion);
    if (!grey_->converter.Convert(frame, uint32_t(frame.width), uint32_t(frame.height), 1, &grey_->picture)) {
      ++refused_;
      return;
    }
    luma.data = grey_->picture.pixels.data();
    luma.stride = int(grey_->picture.width);
    luma.width = int(grey_->picture.width);
    luma.height = int(grey_->picture.height);
    luma.fullRange = true;  // swscale's grey is 0..255
  }
  take(index, luma);
}
