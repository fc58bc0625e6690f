#include "avi/byte_input.h"

#include <algorithm>
#include <cstring>

#include "io/file_system.h"
#include "io/positioned_read.h"

namespace {

// Small enough that reading a chunk header costs little copying, large enough
// that neighbouring headers and index entries come with one read.
constexpr size_t kBufferSize = 32 * 1024;
// Reads this large go straight into the caller's memory with one read call.
constexpr size_t kDirectReadSize = 64 * 1024;
// How far past a short read CheckShortRead looks for the byte that fails.
constexpr uint64_t kProbeBytes = 16 * 1024 * 1024;

}  // namespace

ByteInput::~ByteInput() { Close(); }

bool ByteInput::Open(const char* path) {
  Close();
  openError_.clear();
  path_ = path;
  fault_ = ReadFault();
  fd_ = filesys::OpenForReading(path, &size_, &openError_);
  if (fd_ < 0) {
    size_ = 0;
    return false;
  }
  buffer_.resize(kBufferSize);
  return true;
}

void ByteInput::OpenMemory(const uint8_t* data, size_t size) {
  Close();
  memory_ = data;
  memorySize_ = size;
  size_ = size;
  view_ = data;
  viewStart_ = 0;
  viewSize_ = size;
}

void ByteInput::OpenSource(ByteSource& source) {
  Close();
  source_ = &source;
  size_ = source.Size();
  buffer_.resize(kBufferSize);
}

bool ByteInput::OpenDuplicate(const ByteInput& other) {
  Close();
  fd_ = filesys::ReopenForReading(other.fd_);
  if (fd_ < 0) return false;
  size_ = other.size_;
  path_ = other.path_;
  fault_ = ReadFault();
  buffer_.resize(kBufferSize);
  return true;
}

void ByteInput::UseBeforehand(ReadBeforehand* pieces) {
  beforehand_ = pieces;
  // The view may show a piece of the pieces' memory: read anew.
  if (view_ != buffer_.data() && !memory_) view_ = nullptr;
}

void ByteInput::Close() {
  source_ = nullptr;
  beforehand_ = nullptr;
  filesys::CloseReading(fd_);
  fd_ = -1;
  bufferStart_ = 0;
  bufferFill_ = 0;
  size_ = 0;
  memory_ = nullptr;
  memorySize_ = 0;
  view_ = nullptr;
  viewStart_ = 0;
  viewSize_ = 0;
  position_ = 0;
  unreachable_ = false;
}

bool ByteInput::Seek(uint64_t position) {
  unreachable_ = !IsOpen();
  position_ = position;
  return !unreachable_;
}

uint8_t ByteInput::ReadByte() {
  uint8_t value = kEndOfFileByte;
  Read(&value, 1);
  return value;
}

size_t ByteInput::Read(void* out, size_t count) {
  uint8_t* dest = static_cast<uint8_t*>(out);
  if (count == 0) return 0;
  if (InView(count)) {
    std::memcpy(dest, view_ + (position_ - viewStart_), count);
    position_ += count;
    return count;
  }
  size_t done = 0;
  if (!unreachable_) {
    if (memory_) {
      if (position_ < memorySize_) {
        size_t avail = memorySize_ - size_t(position_);
        done = count < avail ? count : avail;
        std::memcpy(dest, memory_ + position_, done);
      }
    } else if (fd_ >= 0 || source_) {
      done = ReadFromFile(dest, count);
    }
  }
  if (done < count) std::memset(dest + done, kEndOfFileByte, count - done);
  position_ += count;
  return done;
}

size_t ByteInput::ReadFromFile(uint8_t* dest, size_t count) {
  size_t done = 0;
  while (done < count) {
    uint64_t at = position_ + done;
    if (at >= bufferStart_ && at < bufferStart_ + bufferFill_) {
      size_t offset = size_t(at - bufferStart_);
      size_t take = bufferFill_ - offset;
      if (take > count - done) take = count - done;
      std::memcpy(dest + done, buffer_.data() + offset, take);
      done += take;
      continue;
    }
    uint64_t start = 0;
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    // A piece in view lasts only until the next Find: it no longer shows.
    if (beforehand_ && view_ != buffer_.data()) view_ = nullptr;
    if (beforehand_ && beforehand_->Find(at, &start, &bytes, &size)) {
      // The piece becomes the view (the buffer keeps what it held).
      const size_t offset = size_t(at - start);
      const size_t take = std::min(size - offset, count - done);
      std::memcpy(dest + done, bytes + offset, take);
      done += take;
      view_ = bytes;
      viewStart_ = start;
      viewSize_ = size;
      continue;
    }
    if (count - done >= kDirectReadSize) {
      done += ReadAt(at, dest + done, count - done);
      break;
    }
    bufferStart_ = at;
    bufferFill_ = ReadAt(at, buffer_.data(), buffer_.size());
    view_ = buffer_.data();
    viewStart_ = bufferStart_;
    viewSize_ = bufferFill_;
    if (bufferFill_ == 0) break;
  }
  return done;
}

size_t ByteInput::ReadBulk(uint64_t position, void* out, size_t count) {
  if (!Seek(position) || count == 0) return 0;
  size_t done = 0;
  if (memory_) {
    Read(out, count);
    done = position < memorySize_ ? std::min<size_t>(count, memorySize_ - size_t(position)) : 0;
  } else {
    done = ReadAt(position, static_cast<uint8_t*>(out), count);
    position_ = position + count;
  }
  return done;
}

size_t ByteInput::ReadAt(uint64_t at, uint8_t* dest, size_t count) {
  if (source_) return source_->ReadAt(at, dest, count);
  const size_t got = filesys::ReadAt(fd_, at, dest, count);
  if (got < count) CheckShortRead(at, count, got);
  return got;
}

void ByteInput::CheckStillNamed() {
  if (fd_ < 0 || fault_.kind != ReadFault::None || filesys::NamesOpenFile(path_, fd_)) return;
  fault_.kind = ReadFault::Changed;
  fault_.path = path_;
  fault_.wasSize = size_;
  uint64_t now = 0;
  std::string unused;
  const int other = filesys::OpenForReading(path_, &now, &unused);
  if (other >= 0) filesys::CloseReading(other);
  fault_.nowSize = now;
  if (report_ && report_->kind == ReadFault::None) *report_ = fault_;
}

void ByteInput::CheckSize() {
  if (fd_ < 0 || fault_.kind != ReadFault::None) return;
  uint64_t where = 0, now = 0;
  filesys::ProbeRead(fd_, size_, size_, &where, &now);
  if (now == size_) return;
  fault_.kind = ReadFault::Changed;
  fault_.nowSize = now;
  fault_.path = path_;
  fault_.wasSize = size_;
  if (report_ && report_->kind == ReadFault::None) *report_ = fault_;
}

void ByteInput::CheckShortRead(uint64_t position, uint64_t count, uint64_t got) {
  if (fd_ < 0 || fault_.kind != ReadFault::None) return;
  // A copy between files that failed may have failed on either side: the
  // bytes just after what it did are looked at (a bad block lies there).
  const uint64_t end = std::min({position + count, size_, position + got + kProbeBytes});
  if (position + got >= end) return;  // the end of the file as it was opened
  uint64_t where = 0, now = 0;
  const int error = filesys::ProbeRead(fd_, position + got, end, &where, &now);
  if (error != 0) {
    fault_.kind = ReadFault::ReadError;
    fault_.at = where;
    fault_.reason = std::strerror(error);
  } else if (now != size_) {
    fault_.kind = ReadFault::Changed;
    fault_.nowSize = now;
  } else {
    return;  // it reads whole now
  }
  fault_.path = path_;
  fault_.wasSize = size_;
  if (report_ && report_->kind == ReadFault::None) *report_ = fault_;
}
