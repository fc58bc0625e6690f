// Positioned reads of the Windows build (io/positioned_read_win32.cpp): each
// read moves the file position itself, so threads that read through one
// descriptor, or through one and its reopened twin, must each still get the
// bytes at the positions they name; reads at and past the end get what is
// there.
#include <windows.h>

#include <cstdint>
#include <string>

#include "io/positioned_read.h"
#include "tests/win/lib/check.h"
#include "tests/win/lib/files.h"

using namespace wt;

namespace {

constexpr uint32_t kFileBytes = 1 << 20;

// The byte at every position tells its position: its four-byte word's index.
std::string Numbered() {
  std::string bytes(kFileBytes, '\0');
  for (uint32_t i = 0; i < kFileBytes; i += 4)
    for (int b = 0; b < 4; ++b) bytes[i + b] = char(((i / 4) >> (8 * b)) & 0xFF);
  return bytes;
}

uint32_t WordAt(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

struct Reader {
  int fd = -1;
  uint32_t seed = 1;
  int wrong = 0;  // reads that brought the bytes of another position
};

DWORD WINAPI ReadScattered(void* context) {
  Reader& r = *static_cast<Reader*>(context);
  uint8_t buffer[64];
  for (int i = 0; i < 20000; ++i) {
    r.seed = r.seed * 1103515245u + 12345u;
    const uint32_t word = (r.seed >> 8) % (kFileBytes / 4 - 16);
    if (filesys::ReadAt(r.fd, uint64_t(word) * 4, buffer, sizeof buffer) != sizeof buffer || WordAt(buffer) != word ||
        WordAt(buffer + 60) != word + 15)
      ++r.wrong;
  }
  return 0;
}

// Runs the readers on threads of their own at once; the reads that went wrong.
int ReadTogether(Reader* readers, int count) {
  HANDLE threads[4];
  for (int i = 0; i < count; ++i) threads[i] = CreateThread(nullptr, 0, ReadScattered, &readers[i], 0, nullptr);
  WaitForMultipleObjects(DWORD(count), threads, TRUE, INFINITE);
  int wrong = 0;
  for (int i = 0; i < count; ++i) {
    CloseHandle(threads[i]);
    wrong += readers[i].wrong;
  }
  return wrong;
}

}  // namespace

int main() {
  if (!Begin(60000)) return Summary();
  const std::string path = MakeDir("reads") + "\\numbered.bin";
  WriteBytes(path, Numbered());
  uint64_t size = 0;
  std::string reason;
  const int fd = filesys::OpenForReading(path, &size, &reason);
  WT_CHECK(fd >= 0);
  WT_CHECK_EQ(size, uint64_t(kFileBytes));

  Case("four threads reading through one descriptor each get the bytes they name");
  {
    Reader readers[4];
    for (int i = 0; i < 4; ++i) readers[i].fd = fd, readers[i].seed = uint32_t(i + 1);
    WT_CHECK_EQ(ReadTogether(readers, 4), 0);
  }

  Case("a descriptor and its reopened twin read side by side");
  {
    const int twin = filesys::ReopenForReading(fd);
    WT_CHECK(twin >= 0 && twin != fd);
    Reader readers[2];
    readers[0].fd = fd, readers[1].fd = twin, readers[1].seed = 7;
    WT_CHECK_EQ(ReadTogether(readers, 2), 0);
    filesys::CloseReading(twin);
  }

  Case("reads at the end: the bytes that are there, then none");
  {
    uint8_t buffer[16];
    WT_CHECK_EQ(filesys::ReadAt(fd, kFileBytes - 8, buffer, sizeof buffer), size_t(8));
    WT_CHECK_EQ(WordAt(buffer + 4), kFileBytes / 4 - 1);
    WT_CHECK_EQ(filesys::ReadAt(fd, kFileBytes, buffer, sizeof buffer), size_t(0));
    WT_CHECK_EQ(filesys::ReadAt(fd, uint64_t(kFileBytes) + 4096, buffer, sizeof buffer), size_t(0));
    // And a read after them still reads where it says.
    WT_CHECK_EQ(filesys::ReadAt(fd, 400, buffer, 4), size_t(4));
    WT_CHECK_EQ(WordAt(buffer), 100u);
  }
  filesys::CloseReading(fd);
  return Summary();
}
