// Builds the WAV or RF64 header of sound/wav_header.h.
#include "sound/wav_header.h"

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void Put64(std::vector<uint8_t>& out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void PutCode(std::vector<uint8_t>& out, const char* code) { out.insert(out.end(), code, code + 4); }

uint16_t BlockAlign(const std::vector<uint8_t>& format) {
  return format.size() >= 14 ? uint16_t(format[12] | (format[13] << 8)) : 0;
}

}  // namespace

std::vector<uint8_t> WavHeader(const std::vector<uint8_t>& format, uint64_t dataBytes, WavFields* fields,
                               uint64_t largest) {
  const uint64_t fmtSpace = 8 + format.size() + (format.size() & 1);
  constexpr uint64_t kDs64Space = 8 + 28;
  uint64_t riff = 4 + fmtSpace + 8 + dataBytes + WavPadBytes(dataBytes);
  const bool rf64 = riff + 8 > largest;
  if (rf64) riff += kDs64Space;
  std::vector<uint8_t> out;
  WavFields at{4, 0, rf64};
  PutCode(out, rf64 ? "RF64" : "RIFF");
  Put32(out, rf64 ? 0xFFFFFFFFu : uint32_t(riff));
  PutCode(out, "WAVE");
  if (rf64) {
    PutCode(out, "ds64");
    Put32(out, 28);
    at.riffSize = out.size();
    Put64(out, riff);
    at.dataSize = out.size();
    Put64(out, dataBytes);
    const uint16_t align = BlockAlign(format);
    Put64(out, align ? dataBytes / align : 0);  // sample frames
    Put32(out, 0);                              // no table of further sizes
  }
  PutCode(out, "fmt ");
  Put32(out, uint32_t(format.size()));
  out.insert(out.end(), format.begin(), format.end());
  if (format.size() & 1) out.push_back(0);
  PutCode(out, "data");
  if (!rf64) at.dataSize = out.size();
  Put32(out, rf64 ? 0xFFFFFFFFu : uint32_t(dataBytes));
  if (fields) *fields = at;
  return out;
}
