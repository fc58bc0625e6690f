// Files that other processes hold open while a job runs. Windows checks
// sharing between opens whichever process makes them, so a handle held here
// stands for another run of the program on the same file, or a player:
// - an input that another process reads is still probed, opened and split,
//   under a short name and under one past MAX_PATH;
// - one that another process writes is refused, naming the file and the
//   system's words for a file in use;
// - an output is moved over a name that another process holds for a moment
//   (another run that has just moved its own file there), but not over one
//   it keeps, and then nothing is lost.
#include <windows.h>

#include <cstdint>
#include <string>

#include "job/native_sink.h"
#include "io/file_system.h"
#include "io/system_reason.h"
#include "io/wide_path.h"
#include "job/file_probe.h"
#include "split/split_job.h"
#include "tests/win/lib/check.h"
#include "tests/win/lib/files.h"

using namespace wt;

namespace {

// A copy of a sample under name, made through the wide calls so that names
// past MAX_PATH work too.
std::string CopySampleTo(const std::string& name) {
  const std::string from = Env("TAVRIN_SAMPLES") + "\\ffmpeg_mpeg4_pcm_g12.avi";
  WT_CHECK(CopyFileW(WidePath(from).c_str(), WidePath(name).c_str(), FALSE) != 0);
  return name;
}

// A name of exactly length characters: a folder of 'd's (a file name has at
// most 255) holding a file of 'n's.
std::string NameOfLength(size_t length) {
  std::string folder = MakeDir("long") + "\\";
  folder += std::string(length - folder.size() - 100, 'd');
  CreateDirectoryW(WidePath(folder).c_str(), nullptr);
  return folder + "\\" + std::string(95, 'n') + ".avi";
}

HANDLE Hold(const std::string& path, DWORD access, DWORD share) {
  return CreateFileW(WidePath(path).c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

SplitOutcome SplitAt10Seconds(const std::string& path) {
  SplitRequest request;
  request.path = path;
  request.seconds = "10";
  NativeSink sink;
  return SplitJob(request, sink);
}

void SplitWhileAnotherReads(const std::string& path) {
  HANDLE other = Hold(path, GENERIC_READ, FILE_SHARE_READ);
  if (!WT_CHECK(other != INVALID_HANDLE_VALUE)) return;
  uint64_t size = 0;
  std::string reason;
  WT_CHECK_EQ(int(ProbeInputFile(path.c_str(), &size, &reason)), int(ProbeResult::Ok));
  WT_CHECK_EQ(reason, std::string());
  WT_CHECK(size > 0);
  const SplitOutcome outcome = SplitAt10Seconds(path);
  WT_CHECK_EQ(outcome.Number(), 0);
  WT_CHECK_EQ(outcome.detail, std::string());
  WT_CHECK(outcome.wroteFirst && outcome.wroteSecond);
  CloseHandle(other);
}

// A recording still going on: the runtime's "Permission denied" would send
// the user to the file's permissions.
void RefusedWhileAnotherWrites(const std::string& path) {
  HANDLE other = Hold(path, GENERIC_WRITE, FILE_SHARE_READ);
  if (!WT_CHECK(other != INVALID_HANDLE_VALUE)) return;
  const std::string inUse = SystemReason(ERROR_SHARING_VIOLATION);
  WT_CHECK(!inUse.empty() && inUse != "Permission denied");
  uint64_t size = 0;
  std::string reason;
  WT_CHECK_EQ(int(ProbeInputFile(path.c_str(), &size, &reason)), int(ProbeResult::CannotOpen));
  WT_CHECK_EQ(reason, inUse);
  const SplitOutcome outcome = SplitAt10Seconds(path);
  WT_CHECK_EQ(outcome.Number(), -9);
  WT_CHECK_EQ(outcome.detail, path + ": " + inUse);
  CloseHandle(other);
}

DWORD WINAPI CloseSoon(void* handle) {
  Sleep(30);
  CloseHandle(static_cast<HANDLE>(handle));
  return 0;
}

// The target held as MoveFileExW holds the file it has just moved (sharing
// everything): for a moment, or for the whole move.
void MoveOverHeldName(bool releasedSoon) {
  const std::string folder = MakeDir(releasedSoon ? "moment" : "kept");
  const std::string from = folder + "\\new.tmp", to = folder + "\\out.avi";
  WriteBytes(from, "new");
  WriteBytes(to, "old");
  HANDLE other = Hold(to, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  if (!WT_CHECK(other != INVALID_HANDLE_VALUE)) return;
  HANDLE closer = releasedSoon ? CreateThread(nullptr, 0, CloseSoon, other, 0, nullptr) : nullptr;
  std::string reason;
  const bool moved = filesys::MoveOwned(filesys::kNoOwnership, from, to, &reason);
  if (closer) {
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
  } else {
    CloseHandle(other);
  }
  WT_CHECK_EQ(moved, releasedSoon);
  WT_CHECK_EQ(ReadBytes(to), std::string(releasedSoon ? "new" : "old"));
  WT_CHECK_EQ(ReadBytes(from), std::string(releasedSoon ? "<missing>" : "new"));
  WT_CHECK_EQ(reason, std::string(releasedSoon ? "" : "Permission denied"));
}

}  // namespace

int main() {
  if (!Begin(60000)) return Summary();

  Case("an input another process reads is probed and split (a short name, one of 259 characters)");
  {
    SplitWhileAnotherReads(CopySampleTo(MakeDir("short") + "\\clip.avi"));
    const std::string longName = NameOfLength(259);
    WT_CHECK_EQ(longName.size(), size_t(259));
    SplitWhileAnotherReads(CopySampleTo(longName));
  }

  Case("an input another process writes is refused with the reason: the file is in use");
  RefusedWhileAnotherWrites(CopySampleTo(MakeDir("written") + "\\clip.avi"));

  Case("an output replaces a name another process holds for a moment");
  MoveOverHeldName(true);

  Case("an output does not replace a name another process keeps: the reason, nothing lost");
  MoveOverHeldName(false);
  return Summary();
}
