#include "avi/source_window.h"

#include <new>
#include <utility>

#include "avi/byte_input.h"
#include "io/output_stream.h"

namespace {
constexpr size_t kWindowBytes = 1024 * 1024;
constexpr size_t kAlignBytes = 4096;  // of file positions read
}

SourceWindow::SourceWindow(ByteInput& input) : input_(&input) {
  // The spare half is touched only when a read ahead is made.
  if (!storage_.Allocate(2 * kWindowBytes)) throw std::bad_alloc();
  buffer_ = storage_.Data();
  spare_ = buffer_ + kWindowBytes;
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
    if (got < kWindowBytes) input_->CheckShortRead(aheadStart_, kWindowBytes, got);
    if (aheadStart_ == start_) {
      std::swap(buffer_, spare_);
      fill_ = got;
      ReadNextAhead();
      return position < start_ + fill_;
    }
  }
  input_->Seek(start_);
  fill_ = input_->Read(buffer_, kWindowBytes);
  ReadNextAhead();
  return position < start_ + fill_;
}

void SourceWindow::ReadNextAhead() {
  // Only after a whole window: a short one ends at the end of the file.
  const uint64_t next = start_ + fill_;
  if (fill_ != kWindowBytes || next >= input_->Size() || input_->Descriptor() < 0) return;
  aheadUnderWay_ = ahead_.Start(input_->Descriptor(), next, spare_, kWindowBytes);
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

void SourceWindow::Switch(ByteInput& input) {
  if (aheadUnderWay_) ahead_.Finish();  // the thread writes into spare_
  aheadUnderWay_ = false;
  input_ = &input;
  start_ = fill_ = 0;
}

bool SourceWindow::Holds(uint64_t end) {
  if (end == 0) return true;
  uint64_t last = end - 1;
  if (last >= start_ && last < start_ + fill_) return true;
  uint8_t byte;
  input_->Seek(last);
  return input_->Read(&byte, 1) == 1;
}
