// A stream in words, as `tavrin info` prints it and the Streams dialog lists
// it: its kind ("video", "audio", or the strh type's letters), its codec
// ("XVID", "PCM (0x0001)") and the details ("25.000 fps, 640x480, 250 chunks").
#pragma once
#include <string>

#include "avi/avi_analysis.h"
#include "avi/stream_format.h"

struct StreamDescription {
  std::string kind;
  std::string codec;
  std::string details;
  // "kind codec, details", the line info prints after the stream's number.
  std::string Line() const { return kind + " " + codec + ", " + details; }
};

StreamDescription DescribeStream(const StreamFormat& format, const StreamEntry& entry);

// A count of sound channels in words: "1 channel", "2 channels".
std::string ChannelCount(unsigned channels);

// A four-character code as text, each unprintable byte a '.'.
std::string FourCCText(uint32_t code);
