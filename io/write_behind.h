// Writes full buffers to a file on a second thread, in the order they were
// handed over, while the caller fills the next ones: the copy into the file
// then runs beside the reads and copies that produce the bytes.
//
//   WriteBehind behind;
//   uint64_t ticket = behind.Start(file, buffer, bytes);   // 0: write it yourself
//   ...fill another buffer...
//   behind.WaitFor(ticket);                               // buffer free again
//   if (int error = behind.Error()) ...                   // errno of the first failure
//
// One implementation per platform (write_behind_posix.cpp, write_behind_win32.cpp).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

class WriteBehind {
 public:
  WriteBehind();
  ~WriteBehind();  // waits for every write handed over
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // Hands over count bytes at data for writing to file; data must stay
  // untouched until WaitFor(ticket) returns. Returns the ticket, or 0 when
  // this platform writes nothing behind (the caller writes the bytes itself).
  // After a failed write the later ones are skipped.
  uint64_t Start(std::FILE* file, const uint8_t* data, size_t count);
  // Waits until the write with this ticket, and every one before it, is done.
  void WaitFor(uint64_t ticket);
  // Waits for every write handed over.
  void WaitAll();
  // The errno of the first write that failed, 0 while none has.
  int Error() const;

 private:
  struct Worker;
  std::unique_ptr<Worker> worker_;
};
