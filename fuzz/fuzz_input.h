// Helpers of the fuzz targets: one fuzz input read as parameters and files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

// Takes bytes from the front of the input; missing bytes read as 0.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() {
    if (size_ == 0) return 0;
    --size_;
    return *data_++;
  }
  uint32_t U32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(Byte()) << (8 * i);
    return v;
  }
  // The first `count` of the remaining bytes (fewer when fewer remain).
  const uint8_t* Take(size_t count, size_t* got) {
    *got = count < size_ ? count : size_;
    const uint8_t* at = data_;
    data_ += *got;
    size_ -= *got;
    return at;
  }
  const uint8_t* Rest(size_t* got) { return Take(size_, got); }

 private:
  const uint8_t* data_;
  size_t size_;
};

// Two files from one input: a 4-byte length (modulo what is left) splits the rest.
struct TwoFiles {
  const uint8_t* first;
  size_t firstSize;
  const uint8_t* second;
  size_t secondSize;
};

inline TwoFiles SplitInTwo(FuzzInput& in) {
  uint32_t cut = in.U32();
  size_t left = 0;
  const uint8_t* rest = in.Rest(&left);
  size_t firstSize = left == 0 ? 0 : cut % (left + 1);
  return {rest, firstSize, rest + firstSize, left - firstSize};
}
