#include "chain/block_writer.h"

#include <algorithm>
#include <cstring>

#include "avi/byte_input.h"
#include "avi/fourcc.h"
#include "io/output_stream.h"

namespace {

void StoreU32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

}  // namespace

BlockWriter::BlockWriter(OutputStream& sink, const JoinObserver& observer, uint64_t total)
    : sink_(sink), observer_(observer), total_(total), storage_(kBlock + kPage) {
  uintptr_t at = reinterpret_cast<uintptr_t>(storage_.data());
  block_ = storage_.data() + ((kPage - at % kPage) % kPage);
  spans_.reserve(kMaxPending);
  overlays_.reserve(kMaxPending);
}

bool BlockWriter::Put(const void* data, size_t count) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  while (count > 0) {
    if (fill_ == kBlock && !Flush()) return false;
    size_t take = std::min(count, kBlock - fill_);
    std::memcpy(block_ + fill_, bytes, take);
    fill_ += take;
    bytes += take;
    count -= take;
  }
  return true;
}

bool BlockWriter::PutU32(uint32_t v) {
  uint8_t b[4];
  StoreU32(b, v);
  return Put(b, 4);
}

bool BlockWriter::Copy(ByteInput& file, uint64_t position, uint64_t count) {
  while (count > 0) {
    if (fill_ == kBlock && !Flush()) return false;
    size_t take = size_t(std::min<uint64_t>(count, kBlock - fill_));
    Reserve(file, position, take, false);
    position += take;
    count -= take;
  }
  return true;
}

bool BlockWriter::CopyChunk(ByteInput& file, uint64_t chunkAt, uint32_t size) {
  if (kBlock - fill_ < 8 && !Flush()) return false;  // keeps the header in one block
  // The size overlay must follow its span's read: settle now rather than
  // between laying it and reserving the span.
  if (spans_.size() >= kMaxPending - 1) Settle();
  LayOver(fill_ + 4, size, 4);
  uint64_t left = 8 + uint64_t(size) + (size & 1);
  while (left > 0) {
    if (fill_ == kBlock && !Flush()) return false;
    size_t take = size_t(std::min<uint64_t>(left, kBlock - fill_));
    left -= take;
    const bool endsWithPad = left == 0 && (size & 1);
    Reserve(file, chunkAt, take, endsWithPad);
    if (endsWithPad) LayOver(fill_ - 1, 0, 1);
    chunkAt += take;
  }
  return true;
}

bool BlockWriter::PutJunk(uint32_t bytes) {
  static const uint8_t kZeros[4096] = {};
  if (!PutU32(kJunk) || !PutU32(bytes - 8)) return false;
  for (uint32_t left = bytes - 8; left > 0;) {
    const uint32_t take = left < sizeof kZeros ? left : uint32_t(sizeof kZeros);
    if (!Put(kZeros, take)) return false;
    left -= take;
  }
  return true;
}

bool BlockWriter::AppendRun(ByteInput& file, uint64_t position, uint64_t count) {
  if (!Flush()) return false;
  const int64_t done = file.Descriptor() < 0 ? -1 : sink_.AppendFromFile(file.Descriptor(), position, count);
  if (done < 0) return Copy(file, position, count);
  if (uint64_t(done) != count) (sink_.Failed() ? failed_ : short_) = true;
  if (uint64_t(done) != count) file.CheckShortRead(position, count, uint64_t(done));
  done_ += uint64_t(done);
  if (observer_.progress) observer_.progress(observer_.context, done_, total_);
  return !failed_ && !short_;
}

bool BlockWriter::Flush() {
  Settle();
  if (fill_ != 0 && !failed_ && !short_ && !sink_.Write(block_, fill_)) failed_ = true;
  done_ += fill_;
  fill_ = 0;
  if (observer_.progress) observer_.progress(observer_.context, done_, total_);
  return !failed_ && !short_ && !Cancelled();
}

bool BlockWriter::Cancelled() {
  if (!cancelled_ && observer_.cancelled && observer_.cancelled(observer_.context)) cancelled_ = true;
  return cancelled_;
}

BlockWriter::Outcome BlockWriter::Result() const {
  if (failed_) return Outcome::WriteFailed;
  if (short_) return Outcome::InputShort;
  if (cancelled_) return Outcome::Cancelled;
  return Outcome::Written;
}

void BlockWriter::Reserve(ByteInput& file, uint64_t from, size_t count, bool padLast) {
  if (!spans_.empty()) {
    Span& last = spans_.back();
    if (last.file == &file && last.from + last.count == from && last.at + last.count == fill_) {
      last.count += count;
      last.padLast = padLast;
      fill_ += count;
      return;
    }
  }
  if (spans_.size() == kMaxPending) Settle();
  spans_.push_back(Span{&file, from, fill_, count, padLast});
  fill_ += count;
}

void BlockWriter::LayOver(size_t at, uint32_t value, int bytes) {
  if (overlays_.size() == kMaxPending) Settle();
  overlays_.push_back({at, value, bytes});
}

void BlockWriter::Settle() {
  for (const Span& s : spans_) {
    size_t got = s.file->ReadBulk(s.from, block_ + s.at, s.count);
    if (got < s.count && !(s.padLast && got + 1 == s.count)) short_ = true;
  }
  for (const auto& o : overlays_) {
    if (o.bytes == 4)
      StoreU32(block_ + o.at, o.value);
    else
      block_[o.at] = uint8_t(o.value);
  }
  spans_.clear();
  overlays_.clear();
}
