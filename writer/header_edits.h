// An output's header: an input's header bytes, from the start of the file
// up to and including the "movi" list type, with edits laid over them. An
// edit replaces `count` input bytes at a position with bytes of its own: a
// 32-bit field (a size, a length, a frame count), or, for a header whose
// lists change, a whole list taken out (no bytes) or put in (count 0).
//
// The edits are taken in file order whatever order they were given in (of
// two at one position, the first given first). An edit that begins inside
// the one before it, or that reaches past the header (a damaged file's
// field), is left out; everything between the edits is copied.
#pragma once
#include <cstdint>
#include <vector>

class HeaderEdits {
 public:
  // The 32-bit little-endian field at `at` becomes value.
  void Field(uint64_t at, uint32_t value);
  // count bytes at `at` become bytes.
  void Replace(uint64_t at, uint64_t count, const std::vector<uint8_t>& bytes);

  struct Edit {
    uint64_t at;
    uint64_t count;
    std::vector<uint8_t> bytes;
  };
  // The edits that apply to a header of inputBytes bytes, in file order.
  std::vector<const Edit*> Applied(uint64_t inputBytes) const;
  // The output header's size.
  uint64_t OutputBytes(uint64_t inputBytes) const;

 private:
  std::vector<Edit> edits_;
};
