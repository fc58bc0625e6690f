// Four-character codes of the RIFF/AVI format.
// Built from four chars so byte order never depends on the compiler.
#pragma once
#include <cstdint>

constexpr uint32_t FourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | (uint32_t(uint8_t(b)) << 8) | (uint32_t(uint8_t(c)) << 16) |
         (uint32_t(uint8_t(d)) << 24);
}

// RIFF and its lists.
constexpr uint32_t kRiff = FourCC('R', 'I', 'F', 'F');
constexpr uint32_t kList = FourCC('L', 'I', 'S', 'T');
constexpr uint32_t kAviForm = FourCC('A', 'V', 'I', ' ');  // the first RIFF list's form
constexpr uint32_t kAvix = FourCC('A', 'V', 'I', 'X');     // an OpenDML file's further RIFF lists
constexpr uint32_t kJunk = FourCC('J', 'U', 'N', 'K');
// The header list and its chunks.
constexpr uint32_t kHdrl = FourCC('h', 'd', 'r', 'l');
constexpr uint32_t kAvih = FourCC('a', 'v', 'i', 'h');
constexpr uint32_t kStrl = FourCC('s', 't', 'r', 'l');
constexpr uint32_t kStrh = FourCC('s', 't', 'r', 'h');
constexpr uint32_t kStrf = FourCC('s', 't', 'r', 'f');
constexpr uint32_t kIndx = FourCC('i', 'n', 'd', 'x');  // OpenDML super index
constexpr uint32_t kOdml = FourCC('o', 'd', 'm', 'l');  // OpenDML's header list
constexpr uint32_t kDmlh = FourCC('d', 'm', 'l', 'h');
// Stream kinds (strh fccType).
constexpr uint32_t kVids = FourCC('v', 'i', 'd', 's');
constexpr uint32_t kAuds = FourCC('a', 'u', 'd', 's');
// The data list and the index.
constexpr uint32_t kMovi = FourCC('m', 'o', 'v', 'i');
constexpr uint32_t kRec = FourCC('r', 'e', 'c', ' ');
constexpr uint32_t kIdx1 = FourCC('i', 'd', 'x', '1');

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

// The stream number an OpenDML standard index names ("ix" and two digits,
// "ix00" .. "ix99"), or -1.
constexpr int StreamOfStandardIndex(uint32_t code) {
  const char c[4] = {char(code), char(code >> 8), char(code >> 16), char(code >> 24)};
  if (c[0] != 'i' || c[1] != 'x' || c[2] < '0' || c[2] > '9' || c[3] < '0' || c[3] > '9') return -1;
  return (c[2] - '0') * 10 + (c[3] - '0');
}

constexpr uint32_t kKeyFrameFlag = 0x10;  // AVIIF_KEYFRAME
