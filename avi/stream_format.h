// "One format": what two recordings must share to be joined one after the
// other without decoding. Per stream, in the same order: the kind, the codec
// (strh fccHandler and the format's compression), the frame size and bit
// depth, the rate (dwScale/dwRate), and for sound the format tag, channels,
// sample rate, block align and bits per sample. What a writer records per
// file (buffer sizes, lengths, frame counts, bytes per second, quality) may
// differ.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "avi/avi_analysis.h"

class ByteInput;

// A stream's header (strh) and format (strf): the one reading of them that
// joining, `tavrin info` and repair share.
struct StreamFormat {
  uint32_t fccType = 0;
  uint32_t handler = 0;  // strh fccHandler
  uint32_t scale = 0, rate = 0;
  uint32_t sampleSize = 0;  // strh dwSampleSize
  bool hasFormat = false;  // a strf chunk follows the strh
  // Video (BITMAPINFOHEADER).
  int32_t width = 0, height = 0;
  uint16_t bitCount = 0;
  uint32_t compression = 0;
  // Sound (WAVEFORMATEX).
  uint16_t formatTag = 0, channels = 0, blockAlign = 0, bitsPerSample = 0;
  uint32_t samplesPerSec = 0;
  // The codec's own setup after the WAVEFORMATEX (its cbSize bytes, as far
  // as strf holds them): AAC's AudioSpecificConfig, MP3's or ADPCM's fields.
  // Not compared when joining: FormatTag and the fields above decide.
  std::vector<uint8_t> setup;

  // What decodes the stream: video's biCompression, else (and for BI_RGB)
  // the handler.
  uint32_t Codec() const { return compression ? compression : handler; }
};

// The strh chunk whose header lies at strh, and the strf chunk at strf (its
// fields as far as its size holds them). ReadStreamFormat reads both, the
// strf being the chunk after the strh.
void ReadStreamHeader(ByteInput& input, uint64_t strh, StreamFormat* format);
void ReadFormatChunk(ByteInput& input, uint64_t strf, StreamFormat* format);
StreamFormat ReadStreamFormat(ByteInput& input, uint64_t strh);

// The formats of an analysed file's streams, in stream order.
std::vector<StreamFormat> ReadStreamFormats(const AviAnalysis& analysis, ByteInput& input);

// What differs between a later file's formats and the first file's, in
// both languages ("frame size 640x480, the first file has 320x240"); empty
// texts when they are of one format.
struct FormatDifference {
  std::string english;
  std::string japanese;
  bool Same() const { return english.empty(); }
};
FormatDifference CompareFormats(const std::vector<StreamFormat>& first, const std::vector<StreamFormat>& later);
