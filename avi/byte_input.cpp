#include "avi/byte_input.h"

#include <cstring>
#include <sys/stat.h>

namespace {

constexpr size_t kBufferSize = 32 * 1024;

bool SeekFile(std::FILE* file, uint64_t position) {
#ifdef _WIN32
  return _fseeki64(file, static_cast<long long>(position), SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
#endif
}

bool IsDirectory(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && (info.st_mode & S_IFMT) == S_IFDIR;
}

}  // namespace

ByteInput::~ByteInput() { Close(); }

bool ByteInput::Open(const char* path) {
  Close();
  if (IsDirectory(path)) return false;
  file_ = std::fopen(path, "rb");
  if (!file_) return false;
  std::setvbuf(file_, nullptr, _IONBF, 0);  // we buffer ourselves
  buffer_.resize(kBufferSize);
  return true;
}

void ByteInput::OpenMemory(const uint8_t* data, size_t size) {
  Close();
  memory_ = data;
  memorySize_ = size;
}

void ByteInput::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  memory_ = nullptr;
  memorySize_ = 0;
  position_ = 0;
  unreachable_ = false;
  bufferStart_ = 0;
  bufferFill_ = 0;
}

bool ByteInput::Seek(uint64_t position) {
  if (!IsOpen()) {
    unreachable_ = true;
    return false;
  }
  // Positions are 32-bit in this program; anything beyond cannot be reached.
  unreachable_ = position > 0xFFFFFFFFull;
  position_ = position;
  return !unreachable_;
}

bool ByteInput::Refill() {
  bufferStart_ = position_;
  bufferFill_ = 0;
  if (!file_ || unreachable_) return false;
  if (!SeekFile(file_, position_)) {
    unreachable_ = true;
    return false;
  }
  bufferFill_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  return bufferFill_ > 0;
}

uint8_t ByteInput::ReadByte() {
  uint8_t value = kEndOfFileByte;
  Read(&value, 1);
  return value;
}

uint32_t ByteInput::ReadU32() {
  uint8_t b[4];
  Read(b, 4);
  return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}

size_t ByteInput::Read(void* out, size_t count) {
  uint8_t* dest = static_cast<uint8_t*>(out);
  size_t done = 0;
  if (memory_ && !unreachable_) {
    if (position_ < memorySize_) {
      size_t avail = memorySize_ - size_t(position_);
      done = count < avail ? count : avail;
      std::memcpy(dest, memory_ + position_, done);
    }
  } else if (file_ && !unreachable_) {
    while (done < count) {
      if (position_ + done >= bufferStart_ && position_ + done < bufferStart_ + bufferFill_) {
        size_t offset = size_t(position_ + done - bufferStart_);
        size_t take = bufferFill_ - offset;
        if (take > count - done) take = count - done;
        std::memcpy(dest + done, buffer_.data() + offset, take);
        done += take;
        continue;
      }
      size_t want = count - done;
      if (want >= buffer_.size()) {
        // Large reads go straight to the caller's memory.
        if (!SeekFile(file_, position_ + done)) break;
        size_t got = std::fread(dest + done, 1, want, file_);
        done += got;
        break;
      }
      uint64_t keep = position_;
      position_ += done;
      bool ok = Refill();
      position_ = keep;
      if (!ok) break;
    }
  }
  if (done < count) std::memset(dest + done, kEndOfFileByte, count - done);
  position_ += count;
  return done;
}
