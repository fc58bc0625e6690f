#include "avi/byte_input.h"

#include <cstring>
#include <sys/stat.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

constexpr size_t kBufferSize = 32 * 1024;
// Mapped window: small enough to keep the resident size low whatever the
// file, large enough that remapping is rare.
constexpr size_t kWindowSize = 4 * 1024 * 1024;
// Reads this large go straight into the caller's memory with one read call.
constexpr size_t kDirectReadSize = 64 * 1024;

bool IsDirectory(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && (info.st_mode & S_IFMT) == S_IFDIR;
}

#ifdef _WIN32
bool SeekFile(std::FILE* file, uint64_t position) {
  return _fseeki64(file, static_cast<long long>(position), SEEK_SET) == 0;
}
#endif

}  // namespace

ByteInput::~ByteInput() { Close(); }

bool ByteInput::Open(const char* path) {
  Close();
  if (IsDirectory(path)) return false;
#ifdef _WIN32
  file_ = std::fopen(path, "rb");
  if (!file_) return false;
  std::setvbuf(file_, nullptr, _IONBF, 0);  // we buffer ourselves
  buffer_.resize(kBufferSize);
  return true;
#else
  fd_ = open(path, O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat info;
  if (fstat(fd_, &info) != 0) {
    Close();
    return false;
  }
  fileSize_ = uint64_t(info.st_size);
  return true;
#endif
}

void ByteInput::OpenMemory(const uint8_t* data, size_t size) {
  Close();
  memory_ = data;
  memorySize_ = size;
  view_ = data;
  viewStart_ = 0;
  viewSize_ = size;
}

void ByteInput::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  bufferStart_ = 0;
  bufferFill_ = 0;
#ifndef _WIN32
  Unmap();
  if (fd_ >= 0) close(fd_);
#endif
  fd_ = -1;
  fileSize_ = 0;
  memory_ = nullptr;
  memorySize_ = 0;
  view_ = nullptr;
  viewStart_ = 0;
  viewSize_ = 0;
  position_ = 0;
  unreachable_ = false;
}

bool ByteInput::Seek(uint64_t position) {
  // Positions are 32-bit in this program; anything beyond cannot be reached.
  unreachable_ = !IsOpen() || position > 0xFFFFFFFFull;
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
    } else if (fd_ >= 0) {
      done = ReadFromMapping(dest, count);
    } else if (file_) {
      done = ReadFromFile(dest, count);
    }
  }
  if (done < count) std::memset(dest + done, kEndOfFileByte, count - done);
  position_ += count;
  return done;
}

size_t ByteInput::ReadAt(uint64_t position, void* out, size_t count) {
#ifndef _WIN32
  if (fd_ >= 0 && Seek(position)) {
    size_t done = 0;
    uint8_t* dest = static_cast<uint8_t*>(out);
    while (done < count && position + done < fileSize_) {
      ssize_t got = pread(fd_, dest + done, count - done, off_t(position + done));
      if (got <= 0) break;
      done += size_t(got);
    }
    position_ = position + count;
    return done;
  }
#endif
  Seek(position);
  return Read(out, count);
}

#ifdef _WIN32

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
    if (!SeekFile(file_, at)) break;
    if (count - done >= kDirectReadSize) {
      done += std::fread(dest + done, 1, count - done, file_);
      break;
    }
    bufferStart_ = at;
    bufferFill_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    view_ = buffer_.data();
    viewStart_ = bufferStart_;
    viewSize_ = bufferFill_;
    if (bufferFill_ == 0) break;
  }
  return done;
}

size_t ByteInput::ReadFromMapping(uint8_t*, size_t) { return 0; }
bool ByteInput::MapWindowAt(uint64_t) { return false; }
void ByteInput::Unmap() {}

#else

size_t ByteInput::ReadFromFile(uint8_t*, size_t) { return 0; }

void ByteInput::Unmap() {
  if (window_) munmap(const_cast<uint8_t*>(window_), windowSize_);
  window_ = nullptr;
  windowSize_ = 0;
  view_ = nullptr;
  viewSize_ = 0;
}

bool ByteInput::MapWindowAt(uint64_t position) {
  Unmap();
  windowStart_ = position & ~uint64_t(kWindowSize - 1);
  uint64_t left = fileSize_ - windowStart_;
  size_t size = left < kWindowSize ? size_t(left) : kWindowSize;
  void* mapped = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd_, off_t(windowStart_));
  if (mapped == MAP_FAILED) return false;
  window_ = static_cast<const uint8_t*>(mapped);
  windowSize_ = size;
  view_ = window_;
  viewStart_ = windowStart_;
  viewSize_ = size;
  return true;
}

size_t ByteInput::ReadFromMapping(uint8_t* dest, size_t count) {
  if (position_ >= fileSize_) return 0;
  uint64_t avail = fileSize_ - position_;
  size_t want = count < avail ? count : size_t(avail);
  if (want >= kDirectReadSize) {
    // Bulk copies read straight into the caller's buffer.
    size_t done = 0;
    while (done < want) {
      ssize_t got = pread(fd_, dest + done, want - done, off_t(position_ + done));
      if (got <= 0) break;
      done += size_t(got);
    }
    return done;
  }
  size_t done = 0;
  while (done < want) {
    uint64_t at = position_ + done;
    if (!window_ || at < windowStart_ || at >= windowStart_ + windowSize_) {
      if (!MapWindowAt(at)) {
        // Mapping can fail (an exotic file system); fall back to a plain read.
        ssize_t got = pread(fd_, dest + done, want - done, off_t(at));
        return got > 0 ? done + size_t(got) : done;
      }
    }
    size_t offset = size_t(at - windowStart_);
    size_t take = windowSize_ - offset;
    if (take > want - done) take = want - done;
    std::memcpy(dest + done, window_ + offset, take);
    done += take;
  }
  return done;
}

#endif
