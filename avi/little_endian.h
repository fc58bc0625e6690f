// Little-endian numbers in bytes already read (the file's own are read with
// ByteInput::U32At and its kin), and in bytes being made.
#pragma once
#include <cstdint>

inline uint16_t LeU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t LeU32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint64_t LeU64(const uint8_t* p) { return uint64_t(LeU32(p)) | (uint64_t(LeU32(p + 4)) << 32); }

inline void PutLeU32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v), p[1] = uint8_t(v >> 8), p[2] = uint8_t(v >> 16), p[3] = uint8_t(v >> 24);
}
