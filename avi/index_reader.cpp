#include "avi/index_reader.h"

#include "avi/byte_input.h"

namespace {
constexpr uint32_t kBatchEntries = 4096;

uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
}  // namespace

IndexReader::IndexReader(ByteInput& input, uint32_t idx1Offset, uint32_t total)
    : input_(input), entriesStart_(uint64_t(idx1Offset) + 8), total_(total), raw_(kBatchEntries * 16) {}

void IndexReader::Load(uint32_t first) {
  uint32_t count = total_ - first < kBatchEntries ? total_ - first : kBatchEntries;
  input_.Seek(entriesStart_ + 16ull * first);
  input_.Read(raw_.data(), size_t(count) * 16);  // missing bytes read as 0xFF
  first_ = first;
  count_ = count;
}

IndexEntry IndexReader::At(uint32_t i) {
  if (i < first_ || i >= first_ + count_) {
    // Walking backwards keeps the entries just before i in the batch.
    if (i < first_ && count_ != 0)
      Load(i + 1 >= kBatchEntries ? i + 1 - kBatchEntries : 0);
    else
      Load(i);
  }
  const uint8_t* p = raw_.data() + size_t(i - first_) * 16;
  return IndexEntry{U32(p), U32(p + 4), U32(p + 8), U32(p + 12)};
}
