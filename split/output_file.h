// Buffered, front-to-back writing of one output file with a fixed buffer.
// Remembers any failed write, flush or close so the caller can give up on the file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates (or replaces) the file for binary writing; false when it cannot.
  bool Create(const char* path);
  bool IsOpen() const { return file_ != nullptr; }

  // Both return false once any write of this file has failed.
  bool Write(const void* data, size_t count);
  bool WriteU32(uint32_t value);  // little-endian

  // Flushes and closes; false when this or any earlier write failed.
  bool Close();
  bool Failed() const { return failed_; }

 private:
  bool Flush();

  std::FILE* file_ = nullptr;
  std::vector<uint8_t> storage_;
  uint8_t* buffer_ = nullptr;  // page-aligned start within storage_
  size_t fill_ = 0;
  bool failed_ = false;
};
