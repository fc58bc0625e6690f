// Copies byte ranges of the input into outputs through memory: how the
// writers (writer/run_copier.h) carry input bytes over unchanged where they
// do not go from file to file.
//
// CopyTo moves bytes through one fixed window buffer, so neighbouring small
// pieces (chunk headers, short chunks) are fetched with a single read, and
// the window after the current one is read ahead on a second thread.
//
//   SourceWindow source(input);
//   source.CopyTo(0, headerBytes, out);
#pragma once
#include <cstdint>
#include "io/io_buffer.h"
#include "io/read_ahead.h"

class ByteInput;
class OutputStream;

class SourceWindow {
 public:
  explicit SourceWindow(ByteInput& input);
  ~SourceWindow();
  SourceWindow(const SourceWindow&) = delete;
  SourceWindow& operator=(const SourceWindow&) = delete;

  // Appends input bytes [position, position + count) to out. False when the
  // input ends before them or the write fails.
  bool CopyTo(uint64_t position, uint64_t count, OutputStream& out);
  // True when the input holds every byte before end.
  bool Holds(uint64_t end);
  // Reads another input from now on, with the same memory.
  void Switch(ByteInput& input);

 private:
  bool Fill(uint64_t position);
  // Starts reading the window after the current one into the spare buffer.
  void ReadNextAhead();

  ByteInput* input_;
  IoBuffer storage_;  // the window, and after it the spare
  uint8_t* buffer_;
  uint64_t start_ = 0;
  uint64_t fill_ = 0;
  // Windows are mostly wanted one after the other: the next one is read on
  // a second thread while this one is written out (files only).
  uint8_t* spare_;
  ReadAhead ahead_;
  bool aheadUnderWay_ = false;
  uint64_t aheadStart_ = 0;
};
