#include "io/file_range.h"

#include <windows.h>

#include <io.h>

#include <cerrno>

#include "io/positioned_read.h"
#include "io/read_ahead.h"

namespace filesys {

namespace {

bool WriteAll(HANDLE to, const uint8_t* data, size_t count, int* error) {
  while (count > 0) {
    const DWORD want = count > (1u << 30) ? DWORD(1u << 30) : DWORD(count);
    DWORD put = 0;
    if (!WriteFile(to, data, want, &put, nullptr) || put == 0) {
      *error = GetLastError() == ERROR_DISK_FULL || GetLastError() == ERROR_HANDLE_DISK_FULL ? ENOSPC : EIO;
      return false;
    }
    data += put;
    count -= put;
  }
  return true;
}

}  // namespace

// Windows has no copy between two open files: the bytes go through the
// scratch memory in two halves, the next half read on a second thread
// (io/read_ahead.h) while the current one is written, so reading and
// writing overlap as in the kernel's copy elsewhere.
int64_t AppendFileRange(int from, uint64_t at, std::FILE* to, uint64_t count, uint8_t* scratch, size_t scratchBytes,
                        int* error) {
  *error = 0;
  HANDLE out = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(to)));
  if (from < 0 || out == INVALID_HANDLE_VALUE) return -1;
  const size_t half = scratchBytes / 2;
  uint8_t* buffers[2] = {scratch, scratch + half};
  auto piece = [&](uint64_t done) { return size_t(count - done < half ? count - done : half); };
  ReadAhead ahead;
  uint64_t done = 0;
  size_t got = ReadAt(from, at, buffers[0], piece(0));
  for (int current = 0; got > 0;) {
    const uint64_t next = done + got;
    const bool more = got == piece(done) && next < count;
    const bool started = more && ahead.Start(from, at + next, buffers[1 - current], piece(next));
    if (!WriteAll(out, buffers[current], got, error)) break;
    done = next;
    if (!more) break;
    got = started ? ahead.Finish() : ReadAt(from, at + next, buffers[1 - current], piece(next));
    current = 1 - current;
  }
  return int64_t(done);
}

}  // namespace filesys
