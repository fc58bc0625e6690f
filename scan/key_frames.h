// Which frames of a video stream are key frames, told from the frames'
// own bytes where no index says so. Nothing is decoded: a start code and
// a few bits after it decide.
//   MPEG-4 part 2  "00 00 01 B6" starts each VOP; the two bits after it are
//                  the coding type (00 = I). The first VOP of a chunk counts
//                  (packed B-frames follow their reference in one chunk).
//   H.264          Annex B (start codes) or 4-byte length prefixes; a NAL of
//                  type 5 (IDR slice) before any other slice makes a key frame.
//   MPEG-1/2 video "00 00 01 00" starts a picture; the 3 bits after its
//                  10-bit temporal reference are the coding type (1 = I).
//   intra-only     MJPEG, DV, uncompressed RGB/YUV and the lossless intra
//                  codecs: every frame.
// Anything else cannot be told.
#pragma once
#include <cstddef>
#include <cstdint>

enum class KeyRule { EveryFrame, Mpeg4Vop, H264Idr, MpegPicture, Unknown };

// The rule for a video stream from its strf biCompression (and, when that
// is 0 or unhelpful, the strh fccHandler).
KeyRule KeyRuleForCodec(uint32_t compression, uint32_t handler);

// Decides from the first bytes of a frame (count of them available, the
// frame being frameBytes long). Returns 1 key, 0 not key, -1 when the bytes
// seen do not decide and more of the frame could.
int IsKeyFrame(KeyRule rule, const uint8_t* data, size_t count, uint64_t frameBytes);

// Words for a rule ("MPEG-4 part 2 VOP type").
const char* KeyRuleName(KeyRule rule);
