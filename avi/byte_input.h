// Checked, buffered reader for every byte the program reads from an AVI file.
// Backed by a file or by memory (tests); past the end it yields 0xFF bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

class ByteInput {
 public:
  ByteInput() = default;
  ~ByteInput();
  ByteInput(const ByteInput&) = delete;
  ByteInput& operator=(const ByteInput&) = delete;

  // Opens a file for binary reading; false when it cannot be opened
  // (a directory counts as one that cannot).
  bool Open(const char* path);
  // Reads from a copy-free view of memory that must outlive the reader.
  void OpenMemory(const uint8_t* data, size_t size);
  void Close();
  bool IsOpen() const { return file_ != nullptr || memory_ != nullptr; }

  // Moves to an absolute position. A position that cannot be reached makes
  // every following read give end-of-file bytes until the next good seek.
  bool Seek(uint64_t position);
  uint64_t Position() const { return position_; }

  uint8_t ReadByte();
  uint32_t ReadU32();  // little-endian
  // Seek + read helpers: the usual way fields are reached.
  uint32_t U32At(uint64_t position) {
    Seek(position);
    return ReadU32();
  }
  // Reads up to count bytes into out and returns how many really exist there;
  // the missing tail of out is filled with 0xFF.
  size_t Read(void* out, size_t count);

 private:
  bool Refill();

  std::FILE* file_ = nullptr;
  const uint8_t* memory_ = nullptr;
  size_t memorySize_ = 0;

  uint64_t position_ = 0;    // logical read position
  bool unreachable_ = false;  // last seek failed: reads give end-of-file bytes
  std::vector<uint8_t> buffer_;
  uint64_t bufferStart_ = 0;  // file position of buffer_[0]
  size_t bufferFill_ = 0;     // valid bytes in buffer_
};

constexpr uint8_t kEndOfFileByte = 0xFF;
