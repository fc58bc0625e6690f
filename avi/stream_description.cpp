#include "avi/stream_description.h"

#include <cstdio>
#include <cstdlib>

#include "avi/fourcc.h"

namespace {

const char* AudioFormatName(uint16_t tag) {
  switch (tag) {
    case 0x0001: return "PCM";
    case 0x0002: return "ADPCM";
    case 0x0050: return "MPEG audio";
    case 0x0055: return "MP3";
    case 0x00FF: return "AAC";
    case 0x2000: return "AC-3";
    case 0x2001: return "DTS";
    default: return "audio";
  }
}

template <class... Args>
std::string Format(const char* format, Args... args) {
  char text[160];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

}  // namespace

std::string FourCCText(uint32_t code) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    const char c = char(code >> (8 * i));
    text += c >= 0x20 && c <= 0x7E ? c : '.';
  }
  return text;
}

std::string ChannelCount(unsigned channels) {
  return std::to_string(channels) + (channels == 1 ? " channel" : " channels");
}

StreamDescription DescribeStream(const StreamFormat& s, const StreamEntry& entry) {
  const double rate = s.scale ? double(s.rate) / double(s.scale) : 0.0;
  StreamDescription d;
  if (s.fccType == kVids) {
    d.kind = "video";
    d.codec = FourCCText(s.Codec());
    d.details = Format("%.3f fps, %dx%d", rate, int(s.width), int(std::abs(s.height)));
  } else if (s.fccType == kAuds) {
    d.kind = "audio";
    d.codec = Format("%s (0x%04X)", AudioFormatName(s.formatTag), unsigned(s.formatTag));
    d.details = Format("%u Hz, ", unsigned(s.samplesPerSec)) + ChannelCount(s.channels);
    if (entry.type != StreamAudio) d.details += ", chunks of varying size";
  } else {
    d.kind = FourCCText(s.fccType);
    d.codec = FourCCText(s.Codec());
    d.details = Format("rate %.3f", rate);
  }
  d.details += Format(", %u chunks", unsigned(entry.idx1EntryCount));
  return d;
}
