#include <windows.h>
#include <io.h>
#include <winioctl.h>

#include "io/file_clone.h"

// The block sharing of ReFS (Windows Server 2016 on, Windows 11 Dev Drive).
// The names below are missing from the mingw-w64 headers.
namespace {

constexpr DWORD kDuplicateExtentsToFile = 0x00098344;   // FSCTL_DUPLICATE_EXTENTS_TO_FILE
constexpr DWORD kGetIntegrityInformation = 0x0009027C;  // FSCTL_GET_INTEGRITY_INFORMATION
constexpr DWORD kSupportsBlockRefcounting = 0x08000000; // FILE_SUPPORTS_BLOCK_REFCOUNTING

struct DuplicateExtentsData {
  HANDLE fileHandle;
  LARGE_INTEGER sourceFileOffset;
  LARGE_INTEGER targetFileOffset;
  LARGE_INTEGER byteCount;
};

struct IntegrityInformation {
  WORD checksumAlgorithm;
  WORD reserved;
  DWORD flags;
  DWORD checksumChunkSizeInBytes;
  DWORD clusterSizeInBytes;
};

HANDLE HandleOf(int fd) { return fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

bool SizeOf(HANDLE h, uint64_t* size) {
  LARGE_INTEGER s;
  if (!GetFileSizeEx(h, &s)) return false;
  *size = uint64_t(s.QuadPart);
  return true;
}

bool SetSize(HANDLE h, uint64_t size) {
  FILE_END_OF_FILE_INFO eof;
  eof.EndOfFile.QuadPart = LONGLONG(size);
  return SetFileInformationByHandle(h, FileEndOfFileInfo, &eof, sizeof eof) != 0;
}

}  // namespace

namespace filesys {

uint32_t ProbeClone(int from, std::FILE* to) {
  const HANDLE source = HandleOf(from);
  const HANDLE target = HandleOf(_fileno(to));
  if (source == INVALID_HANDLE_VALUE || target == INVALID_HANDLE_VALUE) return 0;
  DWORD flags = 0;
  if (!GetVolumeInformationByHandleW(target, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
      !(flags & kSupportsBlockRefcounting))
    return 0;
  // Extents are shared in whole clusters of the volume.
  IntegrityInformation info{};
  DWORD got = 0;
  if (!DeviceIoControl(target, kGetIntegrityInformation, nullptr, 0, &info, sizeof info, &got, nullptr) ||
      info.clusterSizeInBytes == 0)
    return 0;
  uint64_t inSize = 0, outSize = 0;
  if (!SizeOf(source, &inSize) || !SizeOf(target, &outSize) || inSize < info.clusterSizeInBytes || outSize != 0)
    return 0;
  int error = 0;
  const bool shared = CloneRange(from, 0, to, 0, info.clusterSizeInBytes, &error);
  LARGE_INTEGER start{};
  if (shared && !(SetSize(target, 0) && SetFilePointerEx(target, start, nullptr, FILE_BEGIN))) return 0;
  return shared ? info.clusterSizeInBytes : 0;
}

bool CloneRange(int from, uint64_t at, std::FILE* to, uint64_t toAt, uint64_t count, int* error) {
  *error = 0;
  if (count == 0) return true;
  const HANDLE source = HandleOf(from);
  const HANDLE target = HandleOf(_fileno(to));
  uint64_t size = 0;
  if (source == INVALID_HANDLE_VALUE || target == INVALID_HANDLE_VALUE || !SizeOf(target, &size)) {
    *error = 9;  // EBADF
    return false;
  }
  // ReFS shares into existing bytes only: the target grows first. The
  // byte count must be whole clusters, also at the source's end.
  const bool grows = toAt + count > size;
  if (grows && !SetSize(target, toAt + count)) {
    *error = 28;  // ENOSPC
    return false;
  }
  DuplicateExtentsData data;
  data.fileHandle = source;
  data.sourceFileOffset.QuadPart = LONGLONG(at);
  data.targetFileOffset.QuadPart = LONGLONG(toAt);
  data.byteCount.QuadPart = LONGLONG(count);
  DWORD got = 0;
  LARGE_INTEGER end;
  end.QuadPart = LONGLONG(toAt + count);
  if (DeviceIoControl(target, kDuplicateExtentsToFile, &data, sizeof data, nullptr, 0, &got, nullptr) &&
      SetFilePointerEx(target, end, nullptr, FILE_BEGIN))
    return true;
  if (grows) SetSize(target, size);
  *error = 95;  // EOPNOTSUPP
  return false;
}

}  // namespace filesys
