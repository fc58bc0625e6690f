#include "io/io_buffer.h"

#include <sys/mman.h>

namespace {
constexpr size_t kHugePageBytes = 2 * 1024 * 1024;
constexpr size_t kPageBytes = 4096;
}

bool IoBuffer::Allocate(size_t bytes) {
  Release();
  if (bytes == 0) return true;
  // Huge pages only for blocks of at least one: a smaller block would hold
  // 2 MB of memory for less.
  const bool huge = bytes >= kHugePageBytes;
  const size_t align = huge ? kHugePageBytes : kPageBytes;
  const size_t rounded = (bytes + align - 1) / align * align;
  const size_t mapped = huge ? rounded + kHugePageBytes : rounded;
  void* at = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (at == MAP_FAILED) return false;
  uint8_t* start = static_cast<uint8_t*>(at);
  if (huge) {
    // Give back what lies outside a 2 MB-aligned block, which the kernel can
    // then back by whole huge pages.
    const uintptr_t address = reinterpret_cast<uintptr_t>(at);
    uint8_t* aligned = start + (kHugePageBytes - address % kHugePageBytes) % kHugePageBytes;
    if (aligned > start) munmap(start, size_t(aligned - start));
    const size_t after = size_t(start + mapped - (aligned + rounded));
    if (after > 0) munmap(aligned + rounded, after);
    start = aligned;
#ifdef MADV_HUGEPAGE
    madvise(start, rounded, MADV_HUGEPAGE);  // a hint: without it, ordinary pages
#endif
  }
  mapping_ = start;
  mappingBytes_ = rounded;
  data_ = start;
  size_ = rounded;
  return true;
}

void IoBuffer::Release() {
  if (mapping_) munmap(mapping_, mappingBytes_);
  mapping_ = nullptr;
  mappingBytes_ = 0;
  data_ = nullptr;
  size_ = 0;
}
