#include "avi/index_reader.h"

#include "avi/byte_input.h"
#include "avi/little_endian.h"

namespace {
constexpr uint32_t kBatchEntries = 4096;

}  // namespace

IndexReader::IndexReader(ByteInput& input, uint64_t idx1Offset, uint32_t total)
    : input_(input), entriesStart_(idx1Offset + 8), total_(total), raw_(kBatchEntries * 16) {}

void IndexReader::Load(uint32_t first) {
  uint32_t count = total_ - first < kBatchEntries ? total_ - first : kBatchEntries;
  // A computed idx1 past 4 GiB gives its first entry's full offset; the
  // offsets of one index only grow, so each later wrap of the 32-bit field
  // shows as an offset smaller than the one before.
  uint64_t full = 0;
  ByteSource* source = input_.Source();
  const bool wraps = source && source->FullIndexOffset(entriesStart_ - 8, first, &full);
  input_.Seek(entriesStart_ + 16ull * first);
  input_.Read(raw_.data(), size_t(count) * 16);  // missing bytes read as 0xFF
  first_ = first;
  count_ = count;
  highs_.clear();
  if (!wraps) return;
  highs_.resize(count);
  uint64_t high = full - LeU32(raw_.data() + 8);
  uint32_t previous = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t offset = LeU32(raw_.data() + size_t(i) * 16 + 8);
    if (i > 0 && offset < previous) high += 0x100000000ull;
    highs_[i] = high;
    previous = offset;
  }
}

void IndexReader::Reload(uint32_t i) {
  // Walking backwards keeps the entries just before i in the batch.
  if (i < first_ && count_ != 0)
    Load(i + 1 >= kBatchEntries ? i + 1 - kBatchEntries : 0);
  else
    Load(i);
}
