// Encoding a group of frames to match a stream (codec/frame_encoder.h).
#include "codec/frame_encoder.h"

#include <cmath>

#include "codec/decoding_state.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
}

namespace {

uint16_t* Matrix(const std::vector<uint16_t>& m) {
  if (m.size() != 64) return nullptr;
  uint16_t* out = static_cast<uint16_t*>(av_malloc(64 * sizeof(uint16_t)));
  if (out) for (int i = 0; i < 64; ++i) out[i] = m[size_t(i)];
  return out;
}

}  // namespace

FrameEncoder::~FrameEncoder() {
  av_packet_free(&packet_);
  av_frame_free(&frame_);
  avcodec_free_context(&codec_);
}

bool FrameEncoder::Open(const EncoderSettings& s, std::string* why) {
  settings_ = s;
  const AVCodec* encoder = avcodec_find_encoder(AVCodecID(s.codecId));
  if (!encoder) return *why = "this build has no encoder for the stream's codec", false;
  codec_ = avcodec_alloc_context3(encoder);
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (!codec_ || !frame_ || !packet_) return *why = "out of memory", false;
  AVCodecContext& c = *codec_;
  c.width = s.width;
  c.height = s.height;
  c.pix_fmt = AV_PIX_FMT_YUV420P;
  c.codec_tag = s.tag;
  // The VOL's time resolution is what the copied frames' time stamps are
  // read with (its bit count), so the encoder's time base must give it.
  const uint32_t resolution = s.timeResolution ? s.timeResolution : s.rate;
  c.time_base = AVRational{1, int(resolution ? resolution : 25)};
  c.framerate = AVRational{int(s.rate), int(s.scale)};
  c.sample_aspect_ratio = AVRational{s.aspectNum, s.aspectDen};
  c.gop_size = 1 << 30;  // one key frame: the first
  // A stream with B-frames is decoded a frame behind; frames made with
  // B-frames too keep that delay across the seam, and a VOL that says so.
  c.max_b_frames = s.bFrames ? 2 : 0;
  c.thread_count = 1;
  // No "Lavc" user data of its own: the source's is put in its place.
  c.flags |= AV_CODEC_FLAG_QSCALE | AV_CODEC_FLAG_PSNR | AV_CODEC_FLAG_BITEXACT;
  if (s.interlaced) c.flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
  if (s.quarterPel) c.flags |= AV_CODEC_FLAG_QPEL;
  c.global_quality = s.quantiser * FF_QP2LAMBDA;
  c.intra_matrix = Matrix(s.intra);
  c.inter_matrix = Matrix(s.inter);
  if (s.mpegQuant) av_opt_set_int(c.priv_data, "mpeg_quant", 1, 0);
  const int error = avcodec_open2(codec_, encoder, nullptr);
  if (error < 0) return *why = "the " + std::string(encoder->name) + " encoder does not open: " + AvError(error), false;
  return true;
}

bool FrameEncoder::Send(const AVFrame& picture, uint32_t n, std::string* why) {
  if (picture.format != AV_PIX_FMT_YUV420P) return *why = "the decoded pictures are not 4:2:0", false;
  av_frame_unref(frame_);
  if (av_frame_ref(frame_, &picture) < 0) return *why = "out of memory", false;
  const uint32_t resolution = codec_->time_base.den;
  frame_->pts = int64_t(std::llround(double(n) * resolution * settings_.scale / settings_.rate));
  // A forced P-frame ends the encoder's run of B-frames before it.
  frame_->pict_type = n == 0 ? AV_PICTURE_TYPE_I : settings_.noBFrames ? AV_PICTURE_TYPE_P : AV_PICTURE_TYPE_NONE;
  frame_->key_frame = n == 0;
  frame_->quality = codec_->global_quality;
  frame_->interlaced_frame = settings_.interlaced ? picture.interlaced_frame : 0;
  const int error = avcodec_send_frame(codec_, frame_);
  if (error < 0) return *why = "the encoder refused a frame: " + AvError(error), false;
  return true;
}

void FrameEncoder::Finish() { avcodec_send_frame(codec_, nullptr); }

bool FrameEncoder::Receive(std::vector<uint8_t>* bytes, bool* key, double* psnr, std::string* why) {
  const int got = avcodec_receive_packet(codec_, packet_);
  if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return false;
  if (got < 0) return *why = "the encoder failed: " + AvError(got), false;
  bytes->assign(packet_->data, packet_->data + packet_->size);
  *key = (packet_->flags & AV_PKT_FLAG_KEY) != 0;
  size_t size = 0;
  const uint8_t* stats = av_packet_get_side_data(packet_, AV_PKT_DATA_QUALITY_STATS, &size);
  *psnr = 99.0;
  if (stats && size >= 16) {
    uint64_t error = 0;
    for (int b = 0; b < 8; ++b) error |= uint64_t(stats[8 + b]) << (8 * b);
    const double pixels = double(codec_->width) * codec_->height;
    if (error) *psnr = 10.0 * std::log10(255.0 * 255.0 * pixels / double(error));
  }
  av_packet_unref(packet_);
  return true;
}
