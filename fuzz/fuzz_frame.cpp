// Fuzz target: any bytes as an AVI whose frames are decoded (codec/): the
// first three bytes name three frames to decode in turn (modulo the frame
// count: forwards, backwards and again, through the decoder kept between
// requests), the rest is the file. A picture that comes out has the stored
// size and its PNG the stated layout; anything else is a result, never a
// crash.
#include <cstdlib>

#include "avi/avi_source.h"
#include "avi/key_frame_list.h"
#include "codec/frame_decoder.h"
#include "codec/png_writer.h"
#include "fuzz/fuzz_input.h"
#include "io/output_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t picks[3] = {in.Byte(), in.Byte(), in.Byte()};
  size_t fileSize = 0;
  const uint8_t* file = in.Rest(&fileSize);
  AviSource source;
  source.OpenMemory(file, fileSize);
  AviAnalysis analysis{};
  if (!source.Analyse(analysis, nullptr, 0, 10)) return 0;
  KeyFrameList keys;
  if (ListKeyFrames(source, analysis, &keys) != FrameListProblem::None) return 0;
  FrameDecoder decoder(source, analysis, keys);
  if (decoder.Open() != DecodeStatus::Ok) return 0;
  for (uint8_t pick : picks) {
    Picture picture;
    const uint32_t frame = keys.frames ? pick % keys.frames : 0;
    if (decoder.Decode(frame, pick & 0x80 ? PictureFormat::Grey8 : PictureFormat::Rgb24, &picture) != DecodeStatus::Ok)
      continue;
    const uint32_t height = uint32_t(std::abs(decoder.Format().height));
    if (picture.width != uint32_t(decoder.Format().width) || picture.height != height ||
        picture.pixels.size() != picture.RowBytes() * picture.height)
      std::abort();
    MemoryOutput png;
    if (!WritePng(picture, png) || png.bytes.size() < 8 + 25 + picture.pixels.size()) std::abort();
  }
  return 0;
}
