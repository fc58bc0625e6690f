// The extract job: saves one stream of an AVI as the file any player or
// editor opens, without decoding (`tavrin extract`, the Streams dialog's
// Save stream...):
//   PCM (tags 1, 0xFFFE)        .wav, the stream's own format block (WAVE_FORMAT_EXTENSIBLE
//                               as it is), the sound bytes in order; RF64 past 4 GiB
//   MPEG audio (0x55, 0x50)     .mp3, .mp2: the frames as stored
//   AC-3 (0x2000), DTS (0x2001) .ac3, .dts
//   AAC (0xFF, 0x1600, 0x1601,  .aac: an ADTS header made for each frame from the
//   0x1610, 0x706D, 0xA106)     AudioSpecificConfig (sound/adts_header.h); a chunk that
//                               already is an ADTS frame goes as it is
//   anything else, video too    a one-stream .avi (streams/stream_subset.h)
// The chunks come in the index's order; chunks of size 0 carry nothing and
// are left out. Default name: the input's with the stream number and that
// extension in place of its extension ("clip.1.wav"). A name whose
// extension asks for another kind of file is refused, except .avi, which
// takes any stream.
#pragma once
#include <string>

#include "io/writer_options.h"
#include "streams/streams_result.h"

class JobSink;

struct ExtractRequest {
  std::string path;    // the AVI
  int stream = -1;     // as tavrin info numbers them
  std::string output;  // "" the default name
  WriterOptions writer;  // clone: for a one-stream AVI
};

StreamsOutcome ExtractJob(const ExtractRequest& request, JobSink& sink);

// The extension a stream of this format tag and kind (strh fccType) is saved with.
const char* ExtractExtension(uint32_t fccType, uint16_t formatTag);
std::string DefaultExtractName(const std::string& input, int stream, const std::string& extension);
