// Decoding compressed sound for its loudness (codec/sound_decoder.h).
#include "codec/sound_decoder.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "codec/decoding_state.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/common.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

namespace {

AVCodecID SoundCodec(uint16_t tag) {
  switch (tag) {
    case 0x0002: return AV_CODEC_ID_ADPCM_MS;
    case 0x0006: return AV_CODEC_ID_PCM_ALAW;
    case 0x0007: return AV_CODEC_ID_PCM_MULAW;
    case 0x0011: return AV_CODEC_ID_ADPCM_IMA_WAV;
    case 0x0050: return AV_CODEC_ID_MP2;  // MPEG-1 Layer I/II; the parser tells the layer
    case 0x0055: return AV_CODEC_ID_MP3;
    case 0x00FF:
    case 0x1600:
    case 0x1610:
    case 0x706D: return AV_CODEC_ID_AAC;
    case 0x2000: return AV_CODEC_ID_AC3;
    case 0x2001: return AV_CODEC_ID_DTS;
    default: return AV_CODEC_ID_NONE;
  }
}

// The loudest channel of sample i of a decoded frame, 0..1.
float Peak(const AVFrame& f, int i, int channels) {
  float peak = 0;
  for (int c = 0; c < channels; ++c) {
    const bool planar = av_sample_fmt_is_planar(AVSampleFormat(f.format)) != 0;
    const uint8_t* base = f.extended_data[planar ? c : 0];
    const int at = planar ? i : i * channels + c;
    float v = 0;
    switch (f.format) {
      case AV_SAMPLE_FMT_FLT:
      case AV_SAMPLE_FMT_FLTP: v = reinterpret_cast<const float*>(base)[at]; break;
      case AV_SAMPLE_FMT_DBL:
      case AV_SAMPLE_FMT_DBLP: v = float(reinterpret_cast<const double*>(base)[at]); break;
      case AV_SAMPLE_FMT_S16:
      case AV_SAMPLE_FMT_S16P: v = reinterpret_cast<const int16_t*>(base)[at] / 32768.0f; break;
      case AV_SAMPLE_FMT_S32:
      case AV_SAMPLE_FMT_S32P: v = float(reinterpret_cast<const int32_t*>(base)[at] / 2147483648.0); break;
      case AV_SAMPLE_FMT_U8:
      case AV_SAMPLE_FMT_U8P: v = (base[at] - 128) / 128.0f; break;
      default: break;
    }
    peak = std::fmax(peak, std::fabs(v));
  }
  return peak;
}

// Sample i of channel c as 16-bit, rounded as FFmpeg's own conversion does
// (so that what plays equals `ffmpeg -f s16le`).
int16_t Pcm16(const AVFrame& f, int i, int c, int channels) {
  const bool planar = av_sample_fmt_is_planar(AVSampleFormat(f.format)) != 0;
  const uint8_t* base = f.extended_data[planar ? c : 0];
  const int at = planar ? i : i * channels + c;
  switch (f.format) {
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_FLTP: return int16_t(av_clip_int16(int(lrintf(reinterpret_cast<const float*>(base)[at] * 32768.0f))));
    case AV_SAMPLE_FMT_DBL:
    case AV_SAMPLE_FMT_DBLP: return int16_t(av_clip_int16(int(lrint(reinterpret_cast<const double*>(base)[at] * 32768.0))));
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_S16P: return reinterpret_cast<const int16_t*>(base)[at];
    case AV_SAMPLE_FMT_S32:
    case AV_SAMPLE_FMT_S32P: return int16_t(reinterpret_cast<const int32_t*>(base)[at] >> 16);
    case AV_SAMPLE_FMT_U8:
    case AV_SAMPLE_FMT_U8P: return int16_t((base[at] - 0x80) << 8);
    default: return 0;
  }
}

// The codec's setup bytes from strf as the decoder's extradata.
bool SetExtradata(AVCodecContext* codec, const std::vector<uint8_t>& setup) {
  if (setup.empty()) return true;
  codec->extradata = static_cast<uint8_t*>(av_mallocz(setup.size() + AV_INPUT_BUFFER_PADDING_SIZE));
  if (codec->extradata == nullptr) return false;
  std::memcpy(codec->extradata, setup.data(), setup.size());
  codec->extradata_size = int(setup.size());
  return true;
}

}  // namespace

bool IsPlainPcm(uint16_t formatTag) { return formatTag == 0x0001 || formatTag == 0x0003; }

SoundDecoder::~SoundDecoder() {
  av_parser_close(parser_);
  av_frame_free(&frame_);
  av_packet_free(&packet_);
  avcodec_free_context(&codec_);
}

uint32_t SoundDecoder::SampleRate() const { return rate_; }

std::string SoundDecoder::DecoderName() const { return codec_ && codec_->codec ? codec_->codec->name : ""; }

bool SoundDecoder::Open(const StreamFormat& f, std::string* why) {
  av_log_set_level(AV_LOG_QUIET);
  const AVCodecID id = SoundCodec(f.formatTag);
  const AVCodec* decoder = id != AV_CODEC_ID_NONE ? avcodec_find_decoder(id) : nullptr;
  if (decoder == nullptr) {
    char tag[16];
    std::snprintf(tag, sizeof tag, "0x%04X", unsigned(f.formatTag));
    *why = std::string("no decoder for its sound format ") + tag;
    return false;
  }
  codec_ = avcodec_alloc_context3(decoder);
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (!codec_ || !frame_ || !packet_) {
    *why = "out of memory";
    return false;
  }
  codec_->sample_rate = int(f.samplesPerSec);
  codec_->ch_layout.nb_channels = f.channels;
  codec_->ch_layout.order = AV_CHANNEL_ORDER_UNSPEC;
  codec_->block_align = f.blockAlign;
  codec_->bits_per_coded_sample = f.bitsPerSample;
  if (!SetExtradata(codec_, f.setup)) {
    *why = "out of memory";
    return false;
  }
  const int error = avcodec_open2(codec_, decoder, nullptr);
  if (error < 0) {
    *why = "the " + std::string(decoder->name) + " decoder does not open: " + AvError(error);
    return false;
  }
  codecId_ = int(id);
  // Null for codecs whose packets are the chunks (ADPCM, A-law). AAC with
  // its setup in strf is raw AAC, one frame a chunk, which the parser (it
  // looks for ADTS headers) would swallow whole; without one it is ADTS.
  if (!(id == AV_CODEC_ID_AAC && !f.setup.empty())) parser_ = av_parser_init(id);
  rate_ = f.samplesPerSec;
  // MP3 as nearly every AVI holds it comes from LAME: its 576 samples of
  // encoder delay plus the decoder's own 529 come before the first sample
  // of the sound (an AVI has no header that says so, unlike an MP3 file's
  // LAME tag), about 25 ms at 44.1 kHz.
  if (id == AV_CODEC_ID_MP3) delay_ = 576 + 529;
  return true;
}

void SoundDecoder::Decode(const uint8_t* data, size_t size, std::vector<float>* peaks) {
  peaks_ = peaks;
  pcm_ = nullptr;
  Feed(data, size);
}

void SoundDecoder::Finish(std::vector<float>* peaks) {
  peaks_ = peaks;
  pcm_ = nullptr;
  Flush();
}

void SoundDecoder::DecodePcm(const uint8_t* data, size_t size, std::vector<int16_t>* pcm) {
  peaks_ = nullptr;
  pcm_ = pcm;
  Feed(data, size);
}

void SoundDecoder::FinishPcm(std::vector<int16_t>* pcm) {
  peaks_ = nullptr;
  pcm_ = pcm;
  Flush();
}

void SoundDecoder::Reset() {
  if (codec_ == nullptr) return;
  avcodec_flush_buffers(codec_);
  if (parser_) {  // a parser cannot be flushed: a new one drops the part frame it held
    av_parser_close(parser_);
    parser_ = av_parser_init(AVCodecID(codecId_));
  }
}

void SoundDecoder::Feed(const uint8_t* data, size_t size) {
  if (parser_ == nullptr) {
    if (size == 0 || av_new_packet(packet_, int(size)) < 0) return;
    std::memcpy(packet_->data, data, size);
    ToDecoder(packet_);
    av_packet_unref(packet_);
    return;
  }
  // The parser cuts the bytes into the codec's frames, holding a part frame
  // until the next chunk completes it.
  while (size > 0) {
    uint8_t* out = nullptr;
    int outSize = 0;
    const int used = av_parser_parse2(parser_, codec_, &out, &outSize, data, int(size), AV_NOPTS_VALUE,
                                      AV_NOPTS_VALUE, 0);
    if (used < 0) return;
    data += used;
    size -= size_t(used);
    Parsed(out, outSize);
  }
}

void SoundDecoder::Parsed(const uint8_t* out, int outSize) {
  if (outSize <= 0 || av_new_packet(packet_, outSize) < 0) return;
  std::memcpy(packet_->data, out, size_t(outSize));
  ToDecoder(packet_);
  av_packet_unref(packet_);
}

void SoundDecoder::Flush() {
  if (parser_) {  // the frame the parser still holds
    uint8_t* out = nullptr;
    int outSize = 0;
    av_parser_parse2(parser_, codec_, &out, &outSize, nullptr, 0, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
    Parsed(out, outSize);
  }
  avcodec_send_packet(codec_, nullptr);
  Drain();
}

void SoundDecoder::ToDecoder(AVPacket* packet) {
  if (avcodec_send_packet(codec_, packet) < 0) ++refused_;
  Drain();
}

void SoundDecoder::Drain() {
  while (avcodec_receive_frame(codec_, frame_) == 0) {
    if (frame_->sample_rate > 0) rate_ = uint32_t(frame_->sample_rate);
    const int channels = frame_->ch_layout.nb_channels;
    const int kept = channels < 2 ? channels : 2;
    for (int i = 0; i < frame_->nb_samples; ++i) {
      if (peaks_) peaks_->push_back(Peak(*frame_, i, channels));
      if (pcm_)
        for (int c = 0; c < kept; ++c) pcm_->push_back(Pcm16(*frame_, i, c, channels));
    }
    av_frame_unref(frame_);
  }
}
