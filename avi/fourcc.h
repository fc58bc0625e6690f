// Four-character codes of the RIFF/AVI format.
// Built from four chars so byte order never depends on the compiler.
#pragma once
#include <cstdint>

constexpr uint32_t FourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | (uint32_t(uint8_t(b)) << 8) | (uint32_t(uint8_t(c)) << 16) |
         (uint32_t(uint8_t(d)) << 24);
}

constexpr uint32_t kRiff = FourCC('R', 'I', 'F', 'F');
constexpr uint32_t kList = FourCC('L', 'I', 'S', 'T');
constexpr uint32_t kAvih = FourCC('a', 'v', 'i', 'h');
constexpr uint32_t kStrh = FourCC('s', 't', 'r', 'h');
constexpr uint32_t kMovi = FourCC('m', 'o', 'v', 'i');
constexpr uint32_t kIndx = FourCC('i', 'n', 'd', 'x');
constexpr uint32_t kIdx1 = FourCC('i', 'd', 'x', '1');
constexpr uint32_t kRec = FourCC('r', 'e', 'c', ' ');
constexpr uint32_t kJunk = FourCC('J', 'U', 'N', 'K');
constexpr uint32_t kVids = FourCC('v', 'i', 'd', 's');
constexpr uint32_t kAuds = FourCC('a', 'u', 'd', 's');

// Every byte of a code must be printable ASCII, blank included.
constexpr bool IsPrintableFourCC(uint32_t code) {
  for (int i = 0; i < 4; ++i) {
    uint8_t b = uint8_t(code >> (8 * i));
    if (b < 0x20 || b > 0x7E) return false;
  }
  return true;
}

// The stream number an index ckid names ("0" followed by a digit), or -1.
constexpr int StreamOfCkid(uint32_t ckid) {
  char first = char(ckid & 0xFF);
  char second = char((ckid >> 8) & 0xFF);
  if (first != '0' || second < '0' || second > '9') return -1;
  return second - '0';
}

constexpr uint32_t kKeyFrameFlag = 0x10;  // AVIIF_KEYFRAME
