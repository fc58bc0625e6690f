#include "avi/source_window.h"

#include "avi/byte_input.h"
#include "io/output_stream.h"

namespace {
constexpr size_t kWindowBytes = 1024 * 1024;
constexpr size_t kAlignBytes = 4096;
// Shorter ranges go through the window: one system call per range would cost
// more than the copy through memory.
constexpr uint64_t kFileCopyBytes = 64 * 1024;
}

namespace {
uint8_t* PageAligned(std::vector<uint8_t>& storage) {
  uintptr_t at = reinterpret_cast<uintptr_t>(storage.data());
  return storage.data() + ((kAlignBytes - at % kAlignBytes) % kAlignBytes);
}
}  // namespace

SourceWindow::SourceWindow(ByteInput& input) : input_(input), storage_(kWindowBytes + kAlignBytes) {
  buffer_ = PageAligned(storage_);
}

SourceWindow::~SourceWindow() {
  if (aheadUnderWay_) ahead_.Finish();  // the thread writes into spare_
}

bool SourceWindow::Fill(uint64_t position) {
  // Reading from a page-aligned file position keeps the kernel's copy into
  // the (page-aligned) window mutually aligned, which is much faster.
  start_ = position & ~uint64_t(kAlignBytes - 1);
  fill_ = 0;
  if (aheadUnderWay_) {
    // The same bytes as the read below would give, read earlier.
    const uint64_t got = ahead_.Finish();
    aheadUnderWay_ = false;
    if (aheadStart_ == start_) {
      std::swap(buffer_, spare_);
      std::swap(storage_, spareStorage_);
      fill_ = got;
      ReadNextAhead();
      return position < start_ + fill_;
    }
  }
  input_.Seek(start_);
  fill_ = input_.Read(buffer_, kWindowBytes);
  ReadNextAhead();
  return position < start_ + fill_;
}

void SourceWindow::ReadNextAhead() {
  // Only after a whole window: a short one ends at the end of the file.
  const uint64_t next = start_ + fill_;
  if (fill_ != kWindowBytes || next >= input_.Size() || input_.Descriptor() < 0) return;
  if (spareStorage_.empty()) {
    spareStorage_.resize(kWindowBytes + kAlignBytes);
    spare_ = PageAligned(spareStorage_);
  }
  aheadUnderWay_ = ahead_.Start(input_.Descriptor(), next, spare_, kWindowBytes);
  aheadStart_ = next;
}

bool SourceWindow::CopyTo(uint64_t position, uint64_t count, OutputStream& out) {
  while (count > 0) {
    if (position < start_ || position >= start_ + fill_) {
      if (!Fill(position)) return false;
    }
    uint64_t take = start_ + fill_ - position;
    if (take > count) take = count;
    if (!out.Write(buffer_ + (position - start_), size_t(take))) return false;
    position += take;
    count -= take;
  }
  return true;
}

bool SourceWindow::Holds(uint64_t end) {
  if (end == 0) return true;
  uint64_t last = end - 1;
  if (last >= start_ && last < start_ + fill_) return true;
  uint8_t byte;
  input_.Seek(last);
  return input_.Read(&byte, 1) == 1;
}

bool SourceWindow::CopyRun(uint64_t position, uint64_t count, OutputStream& out) {
  const int fd = input_.Descriptor();
  if (count < kFileCopyBytes || fd < 0) return CopyTo(position, count, out);
  const int64_t done = out.AppendFromFile(fd, position, count);
  if (done < 0) return CopyTo(position, count, out);
  return uint64_t(done) == count;
}
