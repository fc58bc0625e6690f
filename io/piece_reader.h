// Reads many small stretches of one file at once, for a reader that needs a
// few bytes here and there (the chunk headers of a walk, avi/indexed_headers.h).
// Read one by one, each stretch costs a system call, and in a virtual machine
// that costs more than copying a few pages; so where the system has io_uring
// (Linux 5.6 and later, not forbidden to the process) the stretches go to the
// kernel a batch at a time with one call, and are read from the page cache or,
// on a cold cache, by the device several at a time, in the order given, so
// that the kernel's read-ahead still sees a file read from start to end. Else
// (and on Windows) each is read in turn; stretches should then be merged more
// widely (MergeGap).
//
//   PieceReader reader;
//   FilePiece pieces[] = {{position, out, count, 0}, ...};
//   reader.Read(fd, pieces, n);  // each piece's got: the bytes it has
//
// One implementation per platform (piece_reader_posix.cpp, piece_reader_win32.cpp).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

// One stretch: count bytes at position into out; got: how many were read
// (fewer at the end of the file or when the read failed: the caller reads
// such a stretch again its own way and finds out why).
struct FilePiece {
  uint64_t position;
  uint8_t* out;
  size_t count;
  size_t got;
};

class PieceReader {
 public:
  PieceReader();
  ~PieceReader();
  PieceReader(const PieceReader&) = delete;
  PieceReader& operator=(const PieceReader&) = delete;

  // Looks, before a batch is planned, whether the page cache holds the byte
  // of fd at position. A cold cache is read one big read after another, in
  // order: the kernel's read-ahead then brings in the file in large requests,
  // which the devices here read faster than many small ones (the pages that
  // hold the headers of a real recording are most of its pages anyway); a
  // warm one through the ring. A reader found cold stays so. A file held in
  // memory (tmpfs) is read without the ring.
  void Prepare(int fd, uint64_t position);
  // Reads count pieces of the file fd (a positioned read each).
  void Read(int fd, FilePiece* pieces, size_t count);
  // Stretches closer than this are worth reading as one: the copying of the
  // bytes between costs less than a read of its own.
  uint64_t MergeGap() const;

 private:
  struct Ring;
  std::unique_ptr<Ring> ring_;
  bool cold_ = false;
  bool looked_ = false;  // at the file system
};
