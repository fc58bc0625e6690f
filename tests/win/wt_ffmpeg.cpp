// FFmpeg's DLLs as the Windows build ships them (avcodec, avutil, swscale,
// built by scripts/ffmpeg_win.sh and copied beside the programs): they load
// from beside this program, match the headers built against, are LGPL only,
// hold every decoder, parser and encoder the program relies on, and a grey
// ramp encoded in MPEG-4 and in MS-MPEG-4 v3 decodes again and converts to
// BGR24 close to what was encoded.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavutil/avutil.h>
#include <libswscale/swscale.h>
}

#include "tests/win/lib/check.h"

using namespace wt;

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

std::string Folder(const std::string& path) { return path.substr(0, path.find_last_of("\\/")); }

std::string ModuleFolder(HMODULE module) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(module, path, MAX_PATH);
  return Folder(path);
}

// Luma rising from 16 to 186 left to right and down, no colour.
int RampLuma(int x, int y) { return 16 + x * 2 + y; }

AVFrame* GreyRamp() {
  AVFrame* f = av_frame_alloc();
  f->format = AV_PIX_FMT_YUV420P;
  f->width = kWidth;
  f->height = kHeight;
  if (av_frame_get_buffer(f, 0) < 0) return f;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) f->data[0][y * f->linesize[0] + x] = uint8_t(RampLuma(x, y));
  for (int plane = 1; plane <= 2; ++plane)
    for (int y = 0; y < kHeight / 2; ++y)
      for (int x = 0; x < kWidth / 2; ++x) f->data[plane][y * f->linesize[plane] + x] = 128;
  return f;
}

// One intra frame at a fine fixed quantiser.
std::vector<uint8_t> Encode(AVCodecID id, const AVFrame* picture) {
  std::vector<uint8_t> bytes;
  const AVCodec* codec = avcodec_find_encoder(id);
  if (!codec) return bytes;
  AVCodecContext* c = avcodec_alloc_context3(codec);
  c->width = kWidth;
  c->height = kHeight;
  c->pix_fmt = AV_PIX_FMT_YUV420P;
  c->time_base = AVRational{1, 25};
  c->flags |= AV_CODEC_FLAG_QSCALE;
  c->global_quality = FF_QP2LAMBDA * 2;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_clone(picture);
  frame->quality = c->global_quality;
  if (avcodec_open2(c, codec, nullptr) == 0 && avcodec_send_frame(c, frame) == 0 &&
      avcodec_send_frame(c, nullptr) == 0 && avcodec_receive_packet(c, packet) == 0)
    bytes.assign(packet->data, packet->data + packet->size);
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&c);
  return bytes;
}

// The decoder is told the size, as an AVI's stream format does (MS-MPEG-4
// v3 frames do not carry it).
AVFrame* Decode(AVCodecID id, std::vector<uint8_t> bytes) {
  const AVCodec* codec = avcodec_find_decoder(id);
  if (!codec || bytes.empty()) return nullptr;
  AVCodecContext* c = avcodec_alloc_context3(codec);
  c->width = kWidth;
  c->height = kHeight;
  bytes.resize(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
  AVPacket* packet = av_packet_alloc();
  packet->data = bytes.data();
  packet->size = int(bytes.size() - AV_INPUT_BUFFER_PADDING_SIZE);
  AVFrame* frame = av_frame_alloc();
  if (avcodec_open2(c, codec, nullptr) != 0 || avcodec_send_packet(c, packet) != 0 ||
      avcodec_send_packet(c, nullptr) != 0 || avcodec_receive_frame(c, frame) != 0)
    av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&c);
  return frame;
}

// The largest distance of the decoded picture, as BGR24, from the ramp's
// grey levels (limited range: luma 16 is black, 235 white).
int WorstBgrError(const AVFrame* decoded) {
  SwsContext* sws = sws_getContext(decoded->width, decoded->height, AVPixelFormat(decoded->format), kWidth, kHeight,
                                   AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
  if (!sws) return 1000;
  std::vector<uint8_t> bgr(size_t(kWidth) * 3 * kHeight);
  uint8_t* planes[4] = {bgr.data(), nullptr, nullptr, nullptr};
  int strides[4] = {kWidth * 3, 0, 0, 0};
  const int rows = sws_scale(sws, decoded->data, decoded->linesize, 0, decoded->height, planes, strides);
  sws_freeContext(sws);
  if (rows != kHeight) return 1000;
  int worst = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const int want = int(std::lround((RampLuma(x, y) - 16) * 255.0 / 219.0));
      for (int channel = 0; channel < 3; ++channel)
        worst = std::max(worst, std::abs(bgr[size_t(y * kWidth + x) * 3 + channel] - want));
    }
  return worst;
}

void RoundTrip(AVCodecID id) {
  AVFrame* picture = GreyRamp();
  const std::vector<uint8_t> bytes = Encode(id, picture);
  WT_CHECK(bytes.size() > 100);
  AVFrame* decoded = Decode(id, bytes);
  if (WT_CHECK(decoded != nullptr)) {
    WT_CHECK_EQ(decoded->width, kWidth);
    WT_CHECK_EQ(decoded->height, kHeight);
    const int worst = WorstBgrError(decoded);
    if (worst > 8) std::printf("  worst BGR error %d\n", worst);
    WT_CHECK(worst <= 8);
  }
  av_frame_free(&decoded);
  av_frame_free(&picture);
}

}  // namespace

int main() {
  if (!Begin(60000)) return Summary();

  Case("the DLLs beside the program load, match the headers and are LGPL only");
  {
    const std::string avcodec = "avcodec-" + std::to_string(LIBAVCODEC_VERSION_MAJOR) + ".dll";
    HMODULE module = GetModuleHandleA(avcodec.c_str());
    if (WT_CHECK(module != nullptr)) WT_CHECK_EQ(ModuleFolder(module), ModuleFolder(nullptr));
    WT_CHECK_EQ(avcodec_version(), unsigned(LIBAVCODEC_VERSION_INT));
    WT_CHECK_EQ(avutil_version(), unsigned(LIBAVUTIL_VERSION_INT));
    WT_CHECK_EQ(swscale_version(), unsigned(LIBSWSCALE_VERSION_INT));
    WT_CHECK_EQ(std::string(avcodec_license()), std::string("LGPL version 2.1 or later"));
    WT_CHECK_EQ(std::string(swscale_license()), std::string("LGPL version 2.1 or later"));
  }

  Case("the decoders, parsers, encoders and filter the program relies on are there");
  {
    for (const char* name :
         {"mpeg4", "msmpeg4v1", "msmpeg4v2", "msmpeg4", "h263", "h264", "hevc", "mpeg1video", "mpeg2video", "mjpeg",
          "dvvideo", "huffyuv", "ffvhuff", "utvideo", "ffv1", "lagarith", "cinepak", "msvideo1", "indeo2", "indeo3",
          "indeo4", "indeo5", "rawvideo", "pcm_s16le", "pcm_u8", "pcm_s24le", "pcm_s32le", "pcm_f32le", "pcm_alaw",
          "pcm_mulaw", "mp3", "mp2", "ac3", "aac", "adpcm_ms", "adpcm_ima_wav"})
      if (!avcodec_find_decoder_by_name(name)) WT_CHECK_EQ(std::string(name), std::string("a decoder"));
    for (const char* name : {"mpeg4", "msmpeg4"})
      if (!avcodec_find_encoder_by_name(name)) WT_CHECK_EQ(std::string(name), std::string("an encoder"));
    for (AVCodecID id : {AV_CODEC_ID_MPEG4, AV_CODEC_ID_H264, AV_CODEC_ID_HEVC, AV_CODEC_ID_MPEG2VIDEO,
                         AV_CODEC_ID_MJPEG, AV_CODEC_ID_MP3, AV_CODEC_ID_AC3, AV_CODEC_ID_AAC}) {
      AVCodecParserContext* parser = av_parser_init(id);
      if (!parser) WT_CHECK_EQ(std::string(avcodec_get_name(id)), std::string("a parser"));
      av_parser_close(parser);
    }
    WT_CHECK(av_bsf_get_by_name("mpeg4_unpack_bframes") != nullptr);
  }

  Case("a frame encoded in MPEG-4 decodes again and converts to BGR24");
  RoundTrip(AV_CODEC_ID_MPEG4);

  Case("a frame encoded in MS-MPEG-4 v3 decodes again and converts to BGR24");
  RoundTrip(AV_CODEC_ID_MSMPEG4V3);

  return Summary();
}
