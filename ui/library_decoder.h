// The preview's first decoder: FFmpeg's libraries through the codec room
// (codec/frame_decoder.h), the same decoding `tavrin frame` writes, so the
// preview shows for frame N the picture the command line writes for it
// (frame N is the picture shown at index N, B-frames reordered).
//
// A separate header because the codec room and the window's decoders both
// name their picture Picture: this one hands pixels as the window draws
// them (0x00RRGGBB, top row first) and hides the codec room behind it.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "avi/avi_analysis.h"
#include "avi/key_frame_list.h"

class AviSource;

class LibraryDecoder {
 public:
  // The decoder of the file's first video stream, or null (with *why, in
  // English) when the library has none for its codec. source, analysis and
  // keys must outlive it.
  static std::unique_ptr<LibraryDecoder> Open(AviSource& source, const AviAnalysis& analysis,
                                              const KeyFrameList& keys, std::string* why);
  virtual ~LibraryDecoder() = default;
  // The window's name for it ("FFmpeg: mpeg4").
  virtual std::string Name() const = 0;
  // Frame `frame` as width x height pixels; false with Failure() set.
  virtual bool Decode(uint32_t frame, int* width, int* height, std::vector<uint32_t>* pixels) = 0;
  virtual const std::string& Failure() const = 0;
  // Chunks sent to the decoder since it was opened (a step forward is one).
  virtual uint64_t ChunksDecoded() const = 0;
};
