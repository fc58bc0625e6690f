// The header of a WAV file made from an AVI sound stream's format block
// (its strf: WAVEFORMATEX, WAVE_FORMAT_EXTENSIBLE kept as it is):
//
//   RIFF size WAVE  fmt  n <format block> [pad]  data size <sound bytes> [pad]
//
// Past 4 GiB, where the 32-bit sizes cannot hold the file, an RF64 header
// (EBU Tech 3306): "RF64" and "data" sizes 0xFFFFFFFF, the true sizes in a
// ds64 chunk before "fmt ".
//
// The header is written first with its sizes true: the AVI index lists the
// sound bytes before any is copied. WavFields says where the sizes lie, for
// a writer that learns them only at the end and patches them there.
#pragma once
#include <cstdint>
#include <vector>

struct WavFields {
  uint64_t riffSize;  // where the RIFF (or ds64 RIFF) size lies
  uint64_t dataSize;  // where the data (or ds64 data) size lies
  bool rf64;
};

// The header for dataBytes sound bytes in the format of `format` (the strf
// bytes). largest: the largest file a plain RIFF header may describe (the
// test of the RF64 layout lowers it).
std::vector<uint8_t> WavHeader(const std::vector<uint8_t>& format, uint64_t dataBytes, WavFields* fields = nullptr,
                               uint64_t largest = 0xFFFFFFFFull);

// The pad byte after odd sound data: 1 or 0.
inline uint32_t WavPadBytes(uint64_t dataBytes) { return uint32_t(dataBytes & 1); }
