// Decoding for the preview, through what Windows already has: the Video for
// Windows decoders installed (ICLocate by the stream's handler and
// compression), then Media Foundation's (MFTEnumEx by the format), then
// uncompressed frames drawn directly (BI_RGB 8/16/24/32 bit, BI_BITFIELDS
// and the common YUV layouts). Nothing is bundled; decoding is only for
// showing, never for writing.
//
// A decoder is fed the frames of one run, from a key frame (or frame 0) to
// the frame to show, in index order, and then gives the picture of the last
// frame fed. Every decoder keeps a fixed amount of memory: its working
// picture and what the system's decoder holds.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "avi/stream_format.h"

// A picture as the window draws it: 0x00RRGGBB, top row first.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  void Resize(int w, int h) {
    width = w;
    height = h;
    pixels.assign(size_t(w) * size_t(h), 0);
  }
};

// What the preview knows of the video stream: its header and format as
// read, and the format chunk's bytes whole (BITMAPINFOHEADER, then a
// palette, colour masks or the codec's own data).
struct VideoFormat {
  StreamFormat stream;
  std::vector<uint8_t> strf;
};

class FrameDecoder {
 public:
  virtual ~FrameDecoder() = default;
  // Which decoder this is, for the window ("Video for Windows: ...").
  virtual std::string Name() const = 0;
  // Starts a run at a key frame (or at frame 0): what came before is forgotten.
  virtual void Restart() = 0;
  // Feeds the run's next frame (size 0: a frame that repeats the one
  // before). False when the decoder refused it.
  virtual bool Feed(const uint8_t* data, size_t size, bool key, uint32_t frame) = 0;
  // The frame the run is for: it ends with it (or a few frames after it,
  // for a decoder that gives its pictures late).
  virtual void Aim(uint32_t frame) { (void)frame; }
  // The picture of the frame aimed at, once it has been fed; false when
  // there is none yet. With last, the decoder is made to give out all it
  // holds first (no frame follows).
  virtual bool Finish(uint32_t frame, Picture* out, bool last) = 0;
  // True when the run can go on with later frames after Finish, so that a
  // step to the next frame decodes one frame; false when each picture is
  // decoded from its key frame anew.
  virtual bool Continues() const = 0;
};

// The decoders of each kind, null when that kind has none for the format.
std::unique_ptr<FrameDecoder> OpenVfwDecoder(const VideoFormat& format);
std::unique_ptr<FrameDecoder> OpenMediaFoundationDecoder(const VideoFormat& format, uint32_t frameMicros);
std::unique_ptr<FrameDecoder> OpenUncompressedDecoder(const VideoFormat& format);

// The first kind that can decode the format, in the order above; null when
// none can.
std::unique_ptr<FrameDecoder> OpenFrameDecoder(const VideoFormat& format, uint32_t frameMicros);

// Converts one frame laid out as a device-independent bitmap of the given
// header (BI_RGB 8/16/24/32 bit with the palette or masks after it,
// BI_BITFIELDS, or a YUV four-character code) into out. Rows of RGB frames
// run bottom up unless biHeight is negative; YUV frames run top down.
// False for a layout it does not know or too few bytes.
bool ConvertDib(const uint8_t* header, size_t headerBytes, const uint8_t* bits, size_t size, Picture* out);
// True when ConvertDib knows the layout of that header.
bool ConvertibleDib(const uint8_t* header, size_t headerBytes);
