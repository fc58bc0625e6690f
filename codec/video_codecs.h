// Which of FFmpeg's decoders reads a video stream, from its strh/strf codes:
// the biCompression FourCC (else the strh handler), compared without regard
// to case, as writers spell the same code both ways (XVID/xvid, H264/h264).
// Uncompressed pictures are BI_RGB (0, "DIB ", "RGB ") at 24 or 32 bits, or a
// YUV layout's FourCC (YUY2, UYVY, I420, YV12, Y800...), read as raw video.
#pragma once
#include <cstdint>
#include <string>

struct VideoCodecChoice {
  int codecId = 0;          // an AVCodecID; 0 (AV_CODEC_ID_NONE) when none fits
  uint32_t rawTag = 0;      // raw video: the layout's FourCC (0 for BI_RGB)
  bool bottomUp = false;    // BI_RGB of positive height: rows stored bottom first
  bool mpeg4Part2 = false;  // MPEG-4 Visual: packed B-frames may come
};

// The decoder for a stream of biCompression `compression` (0: BI_RGB),
// strh fccHandler `handler`, biBitCount `bitCount` and biHeight `height`.
VideoCodecChoice ChooseVideoCodec(uint32_t compression, uint32_t handler, uint16_t bitCount, int32_t height);

// The FourCC as text for messages ("XVID"; "0x00000003" for a number).
std::string FourCcText(uint32_t code);
