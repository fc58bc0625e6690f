// An output that takes its bytes in memory and shares blocks of 4 KiB as a
// file system would: the whole blocks of a range appended from a file at
// the same offset within a block as it has there count as shared.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "io/output_stream.h"

namespace avitest {

class SharingMemory : public MemoryOutput {
 public:
  static constexpr uint32_t kBlock = 4096;
  uint32_t ShareBlocksWith(int fd) override { return fd >= 0 ? kBlock : 0; }
  int64_t AppendFromFile(int fd, uint64_t at, uint64_t count) override {
    std::vector<uint8_t> data(count);
    if (pread(fd, data.data(), count, off_t(at)) != ssize_t(count)) return -1;
    if (at % kBlock == Position() % kBlock) {
      const uint64_t head = (kBlock - at % kBlock) % kBlock;
      if (count > head) shared += (count - head) / kBlock * kBlock;
    }
    return Write(data.data(), count) ? int64_t(count) : 0;
  }
  uint64_t shared = 0;
};

}  // namespace avitest
