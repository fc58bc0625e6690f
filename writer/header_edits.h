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
//
// EditedHeader reads the edited header as bytes (without writing it), for
// the OpenDML layer, which finds the header's lists in it (OdmlShape::header).
#pragma once
#include <cstdint>
#include <vector>

#include "avi/byte_input.h"

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

// The edited header of inputBytes bytes of input (edits must outlive it).
class EditedHeader : public ByteSource {
 public:
  EditedHeader(ByteInput& input, const HeaderEdits& edits, uint64_t inputBytes);
  uint64_t Size() const override { return size_; }
  size_t ReadAt(uint64_t position, uint8_t* out, size_t count) override;

 private:
  struct Piece {
    uint64_t outAt;
    uint64_t bytes;
    uint64_t inputAt;                  // where edit is null: the input's bytes from here
    const std::vector<uint8_t>* edit;  // else an edit's bytes
  };
  ByteInput& input_;
  std::vector<Piece> pieces_;
  uint64_t size_ = 0;
};
