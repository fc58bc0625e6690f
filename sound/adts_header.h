// ADTS: the 7-byte header in front of each raw AAC frame that makes a plain
// .aac file players and editors open. An AVI holds AAC as raw frames, one a
// chunk, and its format block (strf) carries the AudioSpecificConfig
// (ISO 14496-3 1.6.2.1) after the WAVEFORMATEX; every ADTS header is made
// from it: the profile (the object type less one), the sampling frequency
// index and the channel configuration, and the frame's length.
//
// Quirks of real files, handled here:
//   - HE-AAC (object type 5 or 29, SBR/PS signalled explicitly) goes out
//     as its AAC LC core at the core rate: ADTS can state no more, and
//     decoders find the SBR data in the frames (implicit signalling).
//   - No AudioSpecificConfig (cbSize 0, as some old writers leave it): AAC
//     LC at the WAVEFORMATEX's rate and channels.
//   - WAVE_FORMAT_MPEG_HEAAC (0x1610) has 12 bytes of its own before it.
// A configuration ADTS cannot carry (channel configuration 0, which needs
// the program config element; an object type past 4 after the above; a
// rate with no index) is refused.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct AacConfig {
  int objectType = 2;      // 1 Main, 2 LC, 3 SSR, 4 LTP
  int frequencyIndex = 0;  // 0..12
  int channels = 0;        // the channel configuration, 1..7
};

enum class AacConfigProblem { None, NoConfig, ObjectType, Frequency, Channels };

// Reads the AudioSpecificConfig of a WAVEFORMATEX format block (strf bytes).
AacConfigProblem ReadAacConfig(const std::vector<uint8_t>& format, AacConfig* config);

// The ADTS header for a raw frame of frameBytes (at most kMaxAdtsFrame).
constexpr uint32_t kMaxAdtsFrame = 8191 - 7;
void MakeAdtsHeader(const AacConfig& config, uint32_t frameBytes, uint8_t header[7]);

// True when data (a whole chunk) is already one ADTS frame: the sync word
// and a frame length equal to its size (WAVE_FORMAT_MPEG_ADTS_AAC streams).
bool IsAdtsFrame(const uint8_t* data, size_t size);
