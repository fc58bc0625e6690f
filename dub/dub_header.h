// The dubbed file's header: the input's header bytes (through the "movi" list
// type) with edits laid over them (writer/header_edits.h):
//   add       a strl list for the new stream put in after the last one;
//   replace   the stream's strl list replaced by the new one;
//   shift     the stream's own strh fields set (dwStart, dwLength, buffer);
// avih dwStreams and the hdrl list's size follow. The new strl holds a strh
// (the source's own where it has one, the rate, start, length, buffer size
// and sample size set) and the format block as strf.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "avi/avi_analysis.h"
#include "writer/header_edits.h"
#include "writer/header_layout.h"

struct StreamHeaderFacts {
  std::vector<uint8_t> strh;  // 56 bytes to start from, or empty
  std::vector<uint8_t> strf;
  uint32_t scale = 0, rate = 0, start = 0, length = 0, buffer = 0, sampleSize = 0;
};

// A strl list's bytes, header included.
std::vector<uint8_t> MakeStrl(const StreamHeaderFacts& facts);

// Edits that put `strl` in for stream `stream` (replace: that stream's list
// goes; else it is added last); the header's size changes by the return value.
int64_t EditStrl(const HeaderLayout& layout, int stream, bool replace, const std::vector<uint8_t>& strl,
                 uint32_t streams, HeaderEdits* edits);
