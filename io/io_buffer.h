// A large, page-aligned block of memory for file input and output, left
// uninitialised. Its pages are first written by a read or a copy anyway, so
// zeroing them would be wasted work; and each first touch of a page costs a
// fault (measured on a 2-core VM: 11 us per 4 KB page, about as much as
// reading 40 KB from the page cache). Where the system allows, the block is
// backed by huge pages, so a 2 MB block costs one fault instead of 512.
//
//   IoBuffer buffer(2 * 1024 * 1024);
//   if (!buffer.Data()) ... no memory
#pragma once
#include <cstddef>
#include <cstdint>

class IoBuffer {
 public:
  IoBuffer() = default;
  explicit IoBuffer(size_t bytes) { Allocate(bytes); }
  ~IoBuffer() { Release(); }
  IoBuffer(const IoBuffer&) = delete;
  IoBuffer& operator=(const IoBuffer&) = delete;

  // Replaces the block by one of at least bytes bytes; false (and no block)
  // when there is no memory for it.
  bool Allocate(size_t bytes);
  void Release();
  uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }

 private:
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  void* mapping_ = nullptr;  // what the system handed out (may start before data_)
  size_t mappingBytes_ = 0;
};
