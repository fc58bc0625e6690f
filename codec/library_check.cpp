#include "codec/library_check.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavutil/avutil.h>
#include <libswscale/swscale.h>
}

namespace {

// What recordings in AVI hold (pictures and sound), and what the exact cut
// encodes.
constexpr const char* kDecoders[] = {
    "mpeg4",     "msmpeg4v1", "msmpeg4v2", "msmpeg4",   "h263",      "h264",      "hevc",      "mpeg1video",
    "mpeg2video", "mjpeg",    "dvvideo",   "huffyuv",   "ffvhuff",   "utvideo",   "ffv1",      "lagarith",
    "cinepak",   "msvideo1",  "indeo2",    "indeo3",    "indeo4",    "indeo5",    "rawvideo",  "pcm_s16le",
    "pcm_u8",    "pcm_s24le", "pcm_s32le", "pcm_f32le", "pcm_alaw",  "pcm_mulaw", "mp3",       "mp2",
    "ac3",       "aac",       "adpcm_ms",  "adpcm_ima_wav"};
constexpr const char* kEncoders[] = {"mpeg4", "msmpeg4"};
constexpr AVCodecID kParsers[] = {AV_CODEC_ID_MPEG4, AV_CODEC_ID_H264, AV_CODEC_ID_HEVC, AV_CODEC_ID_MPEG2VIDEO,
                                  AV_CODEC_ID_MJPEG, AV_CODEC_ID_MP3,  AV_CODEC_ID_AC3,  AV_CODEC_ID_AAC};

}  // namespace

LibraryCheck CheckLibrary() {
  LibraryCheck check;
  check.versionsMatch = avcodec_version() == unsigned(LIBAVCODEC_VERSION_INT) &&
                        avutil_version() == unsigned(LIBAVUTIL_VERSION_INT) &&
                        swscale_version() == unsigned(LIBSWSCALE_VERSION_INT);
  check.avcodecLicence = avcodec_license();
  check.swscaleLicence = swscale_license();
  check.avcodecFile = "avcodec-" + std::to_string(LIBAVCODEC_VERSION_MAJOR) + ".dll";
  for (const char* name : kDecoders)
    if (!avcodec_find_decoder_by_name(name)) check.missing.push_back(std::string("decoder ") + name);
  for (const char* name : kEncoders)
    if (!avcodec_find_encoder_by_name(name)) check.missing.push_back(std::string("encoder ") + name);
  for (AVCodecID id : kParsers) {
    AVCodecParserContext* parser = av_parser_init(id);
    if (!parser) check.missing.push_back(std::string("parser ") + avcodec_get_name(id));
    av_parser_close(parser);
  }
  if (!av_bsf_get_by_name("mpeg4_unpack_bframes")) check.missing.push_back("filter mpeg4_unpack_bframes");
  return check;
}
