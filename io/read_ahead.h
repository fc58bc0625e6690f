// Reads the next stretch of a file on a second thread while the caller works
// on the current one. A copy through memory makes two copies of every byte,
// into memory and out of it; with the next read under way while the current
// stretch is written out, the two run on two processors at once.
//
//   ReadAhead ahead;
//   if (ahead.Start(fd, next, spare, bytes)) { ...write the current stretch...; got = ahead.Finish(); }
//
// One implementation per platform (read_ahead_posix.cpp, read_ahead_win32.cpp).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

class ReadAhead {
 public:
  ReadAhead();
  ~ReadAhead();  // waits for a read under way
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Starts reading count bytes at position of the descriptor fd into buffer,
  // which must stay untouched until Finish. False, with nothing started,
  // where this platform reads nothing ahead.
  bool Start(int fd, uint64_t position, uint8_t* buffer, size_t count);
  // Waits for the read that Start began and returns the bytes it got: fewer
  // than asked only at the end of the file or when a read fails.
  size_t Finish();

 private:
  struct Worker;
  std::unique_ptr<Worker> worker_;
};
