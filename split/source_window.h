// Copies byte ranges of the input into output files through one fixed
// window buffer, so neighbouring chunks are fetched with a single read.
#pragma once
#include <cstdint>
#include <vector>

class ByteInput;
class OutputStream;

class SourceWindow {
 public:
  explicit SourceWindow(ByteInput& input);

  // Appends input bytes [position, position + count) to out. False when the
  // input ends before them or the write fails.
  bool CopyTo(uint64_t position, uint64_t count, OutputStream& out);
  // True when the input holds every byte before end.
  bool Holds(uint64_t end);

 private:
  bool Fill(uint64_t position);

  ByteInput& input_;
  std::vector<uint8_t> storage_;
  uint8_t* buffer_;  // page-aligned start within storage_
  uint64_t start_ = 0;
  uint64_t fill_ = 0;
};
