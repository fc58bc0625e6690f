// Where an AVI header's lists lie, for a writer that takes streams out of it
// or puts one in: the hdrl list, avih, each stream's strl list (with its
// strh and strf) in stream order, and an OpenDML dmlh frame count. Read from
// the first RIFF list's start up to the "movi" list type.
#pragma once
#include <cstdint>
#include <vector>

class ByteInput;

struct StreamListPlace {
  uint64_t at = 0;     // the LIST strl header
  uint64_t bytes = 0;  // the whole list: header, data, pad
  uint64_t strh = 0;   // its strh chunk header (0: none)
  uint64_t strf = 0;   // its strf chunk header (0: none)
  uint32_t strfSize = 0;
};

struct HeaderLayout {
  uint64_t hdrl = 0;        // the LIST hdrl header
  uint32_t hdrlSize = 0;    // its size field
  uint64_t avih = 0;        // the avih chunk header
  uint64_t dmlhFrames = 0;  // dmlh dwTotalFrames (0: none)
  std::vector<StreamListPlace> streams;
};

// False when the header has no hdrl list with an avih before moviType.
bool ReadHeaderLayout(ByteInput& input, uint64_t moviType, HeaderLayout* layout);
