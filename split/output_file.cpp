#include "split/output_file.h"

#include <cstring>

namespace {
constexpr size_t kOutputBufferBytes = 256 * 1024;
}

OutputFile::~OutputFile() { Close(); }

bool OutputFile::Create(const char* path) {
  Close();
  failed_ = false;
  fill_ = 0;
  file_ = std::fopen(path, "wb");
  if (!file_) return false;
  std::setvbuf(file_, nullptr, _IONBF, 0);  // this class does the buffering
  buffer_.resize(kOutputBufferBytes);
  return true;
}

bool OutputFile::Flush() {
  if (fill_ == 0 || failed_) {
    fill_ = 0;
    return !failed_;
  }
  if (std::fwrite(buffer_.data(), 1, fill_, file_) != fill_) failed_ = true;
  fill_ = 0;
  return !failed_;
}

bool OutputFile::Write(const void* data, size_t count) {
  if (!file_ || failed_) return false;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  if (fill_ + count <= buffer_.size()) {
    std::memcpy(buffer_.data() + fill_, bytes, count);
    fill_ += count;
    return true;
  }
  if (!Flush()) return false;
  if (count >= buffer_.size()) {
    // Large pieces go straight to the file instead of through the buffer.
    if (std::fwrite(bytes, 1, count, file_) != count) failed_ = true;
    return !failed_;
  }
  std::memcpy(buffer_.data(), bytes, count);
  fill_ = count;
  return true;
}

bool OutputFile::WriteU32(uint32_t value) {
  uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
  return Write(b, 4);
}

bool OutputFile::Close() {
  if (!file_) return !failed_;
  Flush();
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  buffer_.clear();
  buffer_.shrink_to_fit();
  return !failed_;
}
