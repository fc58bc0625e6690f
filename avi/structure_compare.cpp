// Decides whether two analysed files have the same header structure, i.e.
// whether the second can be merged after the first, and says what differs.
#include <cstdio>

#include "avi/avi_analysis.h"
#include "avi/byte_input.h"

namespace {

// The position of the first byte in [from, to) that differs between the
// files, or `to` when there is none; an empty or inverted range compares nothing.
uint64_t FirstDifference(ByteInput& first, ByteInput& second, uint64_t from, uint64_t to) {
  if (to <= from) return to;
  first.Seek(from);
  second.Seek(from);
  uint8_t a[4096];
  uint8_t b[4096];
  uint64_t at = from;
  while (at < to) {
    uint32_t take = to - at < sizeof a ? uint32_t(to - at) : uint32_t(sizeof a);
    first.Read(a, take);
    second.Read(b, take);
    for (uint32_t i = 0; i < take; ++i)
      if (a[i] != b[i]) return at + i;
    at += take;
  }
  return to;
}

const char* const kAvihFields[] = {"dwMicroSecPerFrame", "dwMaxBytesPerSec", "dwPaddingGranularity",
                                   "dwFlags", "dwTotalFrames", "dwInitialFrames", "dwStreams",
                                   "dwSuggestedBufferSize", "dwWidth", "dwHeight"};
const char* const kStrhFields[] = {"fccType", "fccHandler", "dwFlags", "wPriority/wLanguage",
                                   "dwInitialFrames", "dwScale", "dwRate", "dwStart", "dwLength",
                                   "dwSuggestedBufferSize", "dwQuality", "dwSampleSize"};

// Names the header field that holds byte `at` and reads both files' values of it.
void NameField(StructureDifference& d, const AviAnalysis& a, ByteInput& first, ByteInput& second,
               uint64_t at) {
  d.offset = at;
  uint64_t fieldStart = at;
  const uint64_t avih = a.microSecPerFrameOffset;  // avih data starts with dwMicroSecPerFrame
  if (at == 4 && a.riffSizeOffset == 4) {
    d.field = "RIFF size";
  } else if (avih != 0 && at >= avih && at < avih + 40) {
    fieldStart = avih + (at - avih) / 4 * 4;
    d.field = std::string("avih ") + kAvihFields[(at - avih) / 4];
  } else {
    for (uint32_t s = 0; s < a.streamCount && d.field.empty(); ++s) {
      const uint64_t length = a.streams[s].lengthOffset;
      if (length < 32 || at < length - 32 || at >= length + 16) continue;
      const uint64_t data = length - 32;  // strh data starts with fccType
      fieldStart = data + (at - data) / 4 * 4;
      d.field = std::string("strh ") + kStrhFields[(at - data) / 4];
      d.stream = int(s);
    }
  }
  if (d.field.empty()) {
    d.field = "header byte";
    first.Seek(at);
    second.Seek(at);
    d.firstValue = first.ReadByte();
    d.secondValue = second.ReadByte();
    return;
  }
  d.firstValue = first.U32At(fieldStart);
  d.secondValue = second.U32At(fieldStart);
}

StructureDifference Missing(uint32_t code, const char* field, int stream = -1) {
  StructureDifference d;
  d.code = code;
  d.field = field;
  d.stream = stream;
  return d;
}

}  // namespace

std::string StructureDifference::Describe() const {
  if (code == 0) return "";
  char text[256];
  std::string where = field;
  if (stream >= 0) where += " of stream " + std::to_string(stream);
  if (code >= 8)
    std::snprintf(text, sizeof text, "%s at %llu: %llu in the first file, %llu in the second", where.c_str(),
                  (unsigned long long)offset, (unsigned long long)firstValue,
                  (unsigned long long)secondValue);
  else
    std::snprintf(text, sizeof text, "%s: %llu in the first file, %llu in the second", where.c_str(),
                  (unsigned long long)firstValue, (unsigned long long)secondValue);
  return text;
}

StructureDifference CompareStructure(const AviAnalysis& a, const AviAnalysis& b, ByteInput& first,
                                     ByteInput& second) {
  StructureDifference d;
  if (a.riffSizeOffset == 0) return Missing(1, "RIFF header not found in the first file");
  if (a.microSecPerFrameOffset == 0 || a.totalFramesOffset == 0 || a.streamsOffset == 0)
    return Missing(1, "avih main header not found in the first file");
  if (a.moviOffset == 0) return Missing(1, "movi list not found in the first file");
  if (b.moviOffset == 0) return Missing(1, "movi list not found in the second file");
  if (a.streamCount == 0) return Missing(2, "no stream header (strh) in the first file");
  for (uint32_t s = 0; s < a.streamCount; ++s)
    if (a.streams[s].lengthOffset == 0) return Missing(3, "stream header too short", int(s));
  if (a.firstVideoStream == -1) return Missing(4, "no video stream in the first file");
  if (a.idx1Offset == 0) return Missing(5, "no idx1 index in the first file");
  if (b.idx1Offset == 0) return Missing(5, "no idx1 index in the second file");
  if (a.hasIndx == 1) return Missing(6, "OpenDML index (indx) in the first file");
  if (a.moviOffset != b.moviOffset) {
    d.code = 8;
    d.field = "movi list position";
    d.offset = a.moviOffset;
    d.firstValue = a.moviOffset;
    d.secondValue = b.moviOffset;
    return d;
  }
  struct Range {
    uint32_t code;
    uint64_t from, to;
  };
  Range ranges[2 + kMaxStreams + 1];
  int count = 0;
  ranges[count++] = {9, 0, a.riffSizeOffset};
  ranges[count++] = {10, a.riffSizeOffset + 4, a.totalFramesOffset};
  uint64_t from = a.totalFramesOffset + 4;
  for (uint32_t s = 0; s < a.streamCount; ++s) {
    ranges[count++] = {11, from, a.streams[s].lengthOffset};
    from = a.streams[s].lengthOffset + 4;
  }
  ranges[count++] = {12, from, a.moviOffset - 4};
  for (int r = 0; r < count; ++r) {
    uint64_t at = FirstDifference(first, second, ranges[r].from, ranges[r].to);
    if (at == ranges[r].to || ranges[r].to <= ranges[r].from) continue;
    d.code = ranges[r].code;
    NameField(d, a, first, second, at);
    return d;
  }
  const int v = a.firstVideoStream;  // not -1: code 4 came first
  if (v < 0 || v >= kMaxStreams) return d;
  const uint32_t secondEntries = EntriesOfStream(b, v);
  if (a.streams[v].idx1EntryCount == 0 || secondEntries == 0) {
    d = Missing(7, "idx1 entries of the video stream", v);
    d.firstValue = a.streams[v].idx1EntryCount;
    d.secondValue = secondEntries;
  }
  return d;
}
