// Where a writer's bytes go: an output file written safely (io/output_file.h)
// or memory (tests, fuzzing). Written front to back; positions are 64-bit so
// that writers of larger files can share this interface.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class OutputStream {
 public:
  // Appends count bytes; false once any write of this stream has failed.
  virtual bool Write(const void* data, size_t count) = 0;
  // Bytes written so far.
  virtual uint64_t Position() const = 0;
  // True once a write has failed.
  virtual bool Failed() const = 0;
  // Appends bytes [at, at + count) of the open file descriptor `fd` without
  // passing them through this stream's memory where the system can (a file
  // system copy). Returns the bytes appended, fewer when the file ends first
  // or a write fails (Failed() tells which), or -1 when this stream takes no
  // bytes from files: the caller then copies them with Write.
  virtual int64_t AppendFromFile(int fd, uint64_t at, uint64_t count) {
    (void)fd, (void)at, (void)count;
    return -1;
  }
  // Asks this stream to share blocks with file fd (io/file_clone.h) from
  // now on: AppendFromFile then shares the whole blocks of every range of fd
  // that starts at the same offset within a block as this stream's end, and
  // copies the rest. First asked before the first byte is written; once it
  // shares, a further fd is taken without a try. Returns the
  // block size, or 0 when this stream cannot (and everything stays as it was).
  virtual uint32_t ShareBlocksWith(int fd) {
    (void)fd;
    return 0;
  }

  bool WriteU32(uint32_t value) {  // little-endian
    const uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    return Write(b, 4);
  }

 protected:
  ~OutputStream() = default;
};

// Keeps the bytes in memory, up to a limit (a write past it fails).
class MemoryOutput : public OutputStream {
 public:
  explicit MemoryOutput(size_t limit = SIZE_MAX) : limit_(limit) {}
  bool Write(const void* data, size_t count) override {
    if (failed_ || count > limit_ - bytes.size()) {
      failed_ = true;
      return false;
    }
    const uint8_t* p = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + count);
    return true;
  }
  uint64_t Position() const override { return bytes.size(); }
  bool Failed() const override { return failed_; }

  std::vector<uint8_t> bytes;

 private:
  size_t limit_;
  bool failed_ = false;
};
