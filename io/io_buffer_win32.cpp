#include "io/io_buffer.h"

#include <windows.h>

bool IoBuffer::Allocate(size_t bytes) {
  Release();
  if (bytes == 0) return true;
  // Committed pages arrive zeroed on first touch, page-aligned.
  void* at = VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!at) return false;
  mapping_ = at;
  mappingBytes_ = bytes;
  data_ = static_cast<uint8_t*>(at);
  size_ = bytes;
  return true;
}

void IoBuffer::Release() {
  if (mapping_) VirtualFree(mapping_, 0, MEM_RELEASE);
  mapping_ = nullptr;
  mappingBytes_ = 0;
  data_ = nullptr;
  size_ = 0;
}
