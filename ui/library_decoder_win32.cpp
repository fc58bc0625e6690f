// The preview's decoding through the codec room (ui/library_decoder.h).
#include "ui/library_decoder.h"

#ifndef TAVRIN_NO_CODEC
#include "codec/frame_decoder.h"

namespace {

class CodecRoomDecoder : public LibraryDecoder {
 public:
  CodecRoomDecoder(AviSource& source, const AviAnalysis& analysis, const KeyFrameList& keys)
      : decoder_(source, analysis, keys) {}

  bool Open(std::string* why) {
    if (decoder_.Open() == DecodeStatus::Ok) return true;
    *why = decoder_.Failure();
    return false;
  }
  std::string Name() const override { return "FFmpeg: " + decoder_.DecoderName(); }
  const std::string& Failure() const override { return decoder_.Failure(); }
  uint64_t ChunksDecoded() const override { return decoder_.ChunksDecoded(); }

  bool Decode(uint32_t frame, int* width, int* height, std::vector<uint32_t>* pixels) override {
    if (decoder_.Decode(frame, PictureFormat::Rgb24, &picture_) != DecodeStatus::Ok) return false;
    *width = int(picture_.width);
    *height = int(picture_.height);
    const size_t count = size_t(picture_.width) * picture_.height;
    pixels->resize(count);
    const uint8_t* rgb = picture_.pixels.data();
    for (size_t i = 0; i < count; ++i, rgb += 3) (*pixels)[i] = uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
    return true;
  }

 private:
  FrameDecoder decoder_;
  Picture picture_;  // the codec room's RGB, kept to reuse its memory
};

}  // namespace

std::unique_ptr<LibraryDecoder> LibraryDecoder::Open(AviSource& source, const AviAnalysis& analysis,
                                                     const KeyFrameList& keys, std::string* why) {
  std::unique_ptr<CodecRoomDecoder> decoder(new CodecRoomDecoder(source, analysis, keys));
  if (!decoder->Open(why)) return nullptr;
  return std::move(decoder);
}

#else  // a build without FFmpeg: the system's decoders only

std::unique_ptr<LibraryDecoder> LibraryDecoder::Open(AviSource&, const AviAnalysis&, const KeyFrameList&,
                                                     std::string* why) {
  *why = "this build has no FFmpeg";
  return nullptr;
}

#endif
