// Writes an output in page-aligned blocks of fixed size. Input bytes are not
// copied one by one: the block records which input span fills which of its
// bytes, joins spans that follow each other in the input, and reads each
// span with one bulk read just before the block is written. A chunk's size
// field and pad byte are laid over the span afterwards.
//
// The inputs named in pending spans must stay open until the block is
// written or ReadPending() is called.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class ByteInput;
class OutputStream;

// Progress and cancel while writing; either function may be null.
struct JoinObserver {
  void* context;
  void (*progress)(void* context, uint64_t bytesDone, uint64_t bytesTotal);
  bool (*cancelled)(void* context);
};

class BlockWriter {
 public:
  enum class Outcome { Written, Cancelled, InputShort, WriteFailed };

  // total: the bytes the whole output will hold (for progress).
  BlockWriter(OutputStream& sink, const JoinObserver& observer, uint64_t total);

  bool Put(const void* data, size_t count);
  bool PutU32(uint32_t v);
  // Appends count input bytes from position (read later, in bulk).
  bool Copy(ByteInput& file, uint64_t position, uint64_t count);
  // Appends a whole input chunk (header at chunkAt) with size as its size
  // field and a zero pad byte when size is odd.
  bool CopyChunk(ByteInput& file, uint64_t chunkAt, uint32_t size);
  // A JUNK chunk of `bytes` bytes in all (even, at least 8): header and zeros.
  bool PutJunk(uint32_t bytes);
  // Writes the block, then appends count input bytes from position straight
  // from the input file, where the output takes them so (sharing their
  // blocks where it can); else as Copy.
  bool AppendRun(ByteInput& file, uint64_t position, uint64_t count);

  // Reads every pending span into the block now, so that no input named so
  // far is needed any more.
  void ReadPending() { Settle(); }
  // Writes the block; false once writing failed, an input was short or the
  // observer cancelled.
  bool Flush();
  bool Cancelled();

  Outcome Result() const;
  uint64_t Written() const { return done_ + fill_; }

 private:
  static constexpr size_t kBlock = 2 * 1024 * 1024;
  static constexpr size_t kPage = 4096;
  static constexpr size_t kMaxPending = 4096;

  struct Span {
    ByteInput* file;
    uint64_t from;
    size_t at;  // in the block
    size_t count;
    bool padLast;  // its last byte is a pad, which the input need not hold
  };
  struct Patch {
    size_t at;
    uint32_t value;
    int bytes;
  };

  void Reserve(ByteInput& file, uint64_t from, size_t count, bool padLast);
  void LayOver(size_t at, uint32_t value, int bytes);
  // Reads the pending spans, then lays the overlays over them.
  void Settle();

  OutputStream& sink_;
  const JoinObserver& observer_;
  uint64_t total_;
  std::vector<uint8_t> storage_;
  uint8_t* block_;
  size_t fill_ = 0;
  uint64_t done_ = 0;
  std::vector<Span> spans_;
  std::vector<Patch> overlays_;
  bool failed_ = false;
  bool short_ = false;
  bool cancelled_ = false;
};
