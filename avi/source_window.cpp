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

SourceWindow::SourceWindow(ByteInput& input) : input_(input), storage_(kWindowBytes + kAlignBytes) {
  uintptr_t at = reinterpret_cast<uintptr_t>(storage_.data());
  buffer_ = storage_.data() + ((kAlignBytes - at % kAlignBytes) % kAlignBytes);
}

bool SourceWindow::Fill(uint64_t position) {
  // Reading from a page-aligned file position keeps the kernel's copy into
  // the (page-aligned) window mutually aligned, which is much faster.
  start_ = position & ~uint64_t(kAlignBytes - 1);
  fill_ = 0;
  input_.Seek(start_);
  fill_ = input_.Read(buffer_, kWindowBytes);
  return position < start_ + fill_;
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
