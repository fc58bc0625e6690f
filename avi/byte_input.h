// Checked, buffered reader for every byte the program reads from an AVI file.
// Backed by a file or by memory (tests, fuzzing); past the end it yields 0xFF
// bytes. Files are read with positioned reads into a small buffer, never
// mapped: a file that shrinks while it is read only ends early.
// Every read of a file that comes short before the size it had when opened
// is looked into once more (io/positioned_read.h ProbeRead): a read error of
// the device or a file that changed size is kept as the reader's fault
// record (the first one stays), which a job reports instead of the damage
// the missing bytes would seem to show. Readers that read the descriptor
// themselves (bulk copies, read-ahead) hand their short reads to
// CheckShortRead.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "avi/read_fault.h"

// Bytes that are computed rather than stored (a view of a file rearranged),
// read through ByteInput like a file.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Copies up to count bytes from position into out and returns how many
  // exist there (fewer only at the end).
  virtual size_t ReadAt(uint64_t position, uint8_t* out, size_t count) = 0;
  // For a source whose idx1 (the chunk header at idx1Position) has chunk
  // offsets past 4 GiB, which its 32-bit fields cannot hold: the full offset
  // of entry `entry`. False for every other source and index.
  virtual bool FullIndexOffset(uint64_t idx1Position, uint64_t entry, uint64_t* offset) {
    (void)idx1Position, (void)entry, (void)offset;
    return false;
  }
  // The fault record of the file the bytes come from; null when none.
  virtual const ReadFault* Fault() const { return nullptr; }
};

// Bytes of a file read beforehand at the places a reader will ask for
// (avi/indexed_headers.h): the reader takes them from here instead of
// reading there itself.
class ReadBeforehand {
 public:
  // The piece that holds the byte at position (its first byte's position,
  // its bytes and size, valid until the next call); false when none does.
  // Asked with rising positions, as a walk reads.
  virtual bool Find(uint64_t position, uint64_t* start, const uint8_t** bytes, size_t* size) = 0;

 protected:
  ~ReadBeforehand() = default;
};

class ByteInput {
 public:
  ByteInput() = default;
  ~ByteInput();
  ByteInput(const ByteInput&) = delete;
  ByteInput& operator=(const ByteInput&) = delete;

  // Opens a file (UTF-8 name) for binary reading, shared with other readers;
  // false when it cannot be opened (a directory counts as one that cannot).
  bool Open(const char* path);
  // Reads from a copy-free view of memory that must outlive the reader.
  void OpenMemory(const uint8_t* data, size_t size);
  // Reads the bytes of source, which must outlive the reader.
  void OpenSource(ByteSource& source);
  // Opens the file other has open once more, with a reader of its own that
  // another thread may use. False where the file cannot be shared so (memory,
  // computed bytes).
  bool OpenDuplicate(const ByteInput& other);
  void Close();
  bool IsOpen() const { return fd_ >= 0 || memory_ != nullptr || source_ != nullptr; }
  // The size when opened (a file may change later; reads then end early).
  uint64_t Size() const { return size_; }
  // The descriptor of the open file for positioned reads by other threads and
  // copies between files (io/positioned_read.h, io/file_range.h); -1 for memory.
  int Descriptor() const { return fd_; }
  // The computed source being read, or null.
  ByteSource* Source() const { return source_; }
  // The system's reason why the last Open failed ("No such file or directory").
  const char* OpenError() const { return openError_.c_str(); }

  // The first read error or change of the file found (kind None: none).
  // For computed bytes: the fault of the file they come from.
  const ReadFault& Fault() const { return source_ && source_->Fault() ? *source_->Fault() : fault_; }
  // Also copies the first fault into *record (when it holds none yet): a
  // record that outlives the reader. Null: no copy.
  void ReportFaultsTo(ReadFault* record) { report_ = record; }
  // A read of count bytes at position gave got bytes: when fewer than the
  // file held at opening, finds out why and keeps it as the fault record.
  void CheckShortRead(uint64_t position, uint64_t count, uint64_t got);
  // Keeps a change of the file's size since it was opened as the fault
  // record (for a failure whose reads another reader made).
  void CheckSize();
  // Keeps as the fault record that the file's name now names another file
  // (or none): it was renamed over or removed since it was opened, and a
  // reader that opens it by name again would read something else.
  void CheckStillNamed();

  // Reads of a file take the bytes that pieces holds (null: none) instead of
  // reading them; pieces must outlive its use.
  void UseBeforehand(ReadBeforehand* pieces);

  // Moves to an absolute position. A position that cannot be reached makes
  // every following read give end-of-file bytes until the next good seek.
  bool Seek(uint64_t position);
  uint64_t Position() const { return position_; }

  uint8_t ReadByte();
  uint32_t ReadU32() {  // little-endian
    uint8_t b[4];
    if (InView(4)) {
      const uint8_t* p = view_ + (position_ - viewStart_);
      position_ += 4;
      return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    }
    Read(b, 4);
    return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
  }
  // Seek + read helpers: the usual way fields are reached.
  uint32_t U32At(uint64_t position) {
    Seek(position);
    return ReadU32();
  }
  // Reads up to count bytes into out and returns how many really exist there;
  // the missing tail of out is filled with 0xFF.
  size_t Read(void* out, size_t count);
  // Bulk copy: reads up to count bytes at position straight into out (no
  // buffer in between) and returns how many exist there; the missing tail of
  // out is unspecified. The read position ends after them.
  size_t ReadBulk(uint64_t position, void* out, size_t count);
  // Bulk copy: reads up to count bytes at position straight into out (no
  // mapping, no buffer in between) and returns how many exist there; the
  // missing tail of out is unspecified. The read position ends after them.
  size_t ReadAt(uint64_t position, void* out, size_t count);

 private:
  // True when the next count bytes lie in the memory currently in view.
  bool InView(size_t count) const {
    return view_ != nullptr && !unreachable_ && position_ >= viewStart_ && position_ - viewStart_ + count <= viewSize_;
  }
  size_t ReadFromFile(uint8_t* dest, size_t count);
  // One positioned read of up to count bytes at `at`; what it got.
  size_t ReadAt(uint64_t at, uint8_t* dest, size_t count);

  // A descriptor for positioned reads (io/positioned_read.h), read through
  // our own buffer.
  int fd_ = -1;
  ByteSource* source_ = nullptr;  // computed bytes, through the same buffer
  ReadBeforehand* beforehand_ = nullptr;
  std::vector<uint8_t> buffer_;
  uint64_t bufferStart_ = 0;  // file position of buffer_[0]
  size_t bufferFill_ = 0;     // valid bytes in buffer_
  uint64_t size_ = 0;
  std::string openError_;
  std::string path_;  // as opened, for the fault record
  ReadFault fault_;
  ReadFault* report_ = nullptr;

  const uint8_t* memory_ = nullptr;
  size_t memorySize_ = 0;

  // Whatever contiguous bytes are at hand (memory, mapped window, buffer).
  const uint8_t* view_ = nullptr;
  uint64_t viewStart_ = 0;
  size_t viewSize_ = 0;

  uint64_t position_ = 0;     // logical read position
  bool unreachable_ = false;  // last seek failed: reads give end-of-file bytes
};

constexpr uint8_t kEndOfFileByte = 0xFF;
