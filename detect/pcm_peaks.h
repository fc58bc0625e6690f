// PCM sound read as it is stored, without a decoder: each sample's
// magnitude on its loudest channel, 0..1 of full scale. 8-bit PCM is
// unsigned (its silence is 0x80); 16, 24 and 32 bits are signed little
// endian; format 3 is 32-bit float.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "avi/stream_format.h"

class PcmPeaks {
 public:
  explicit PcmPeaks(const StreamFormat& format);
  // Whether the format is PCM this reads (integer 8..32 bits, float 32).
  bool Readable() const { return bytes_ > 0 && channels_ > 0; }
  // One chunk's bytes; a sample split between chunks is completed by the next.
  void Add(const uint8_t* data, size_t size, std::vector<float>* peaks);

 private:
  float Peak(const uint8_t* sample) const;

  int bytes_ = 0;  // of one channel's sample
  int channels_ = 0;
  bool isFloat_ = false;
  std::vector<uint8_t> part_;  // the start of a sample the chunk cut off
};
