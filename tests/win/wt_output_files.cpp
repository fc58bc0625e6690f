// The output files of the Windows build (io/file_system_win32.cpp) as the
// native ones (tests/native/test_output_file.cpp): the temporary file is
// ".NAME.PID.tavrin-part" and owned from its creation to its move, also
// while it waits finished; the move works while it is owned; a leftover of
// the pattern that no handle holds goes at the next Create in its folder,
// and nothing else does (a held file, a folder, other names).
#include <windows.h>

#include <string>

#include "io/file_system.h"
#include "io/output_file.h"
#include "io/part_files.h"
#include "tests/win/lib/check.h"
#include "tests/win/lib/files.h"

using namespace wt;

namespace {

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

size_t RemoveParts(const std::string& folder) {
  return filesys::RemoveUnownedFiles(folder, [](const std::string& name) { return IsPartName(name); });
}

}  // namespace

int main() {
  if (!Begin(60000)) return Summary();
  const std::string dir = MakeDir("outfiles") + "\\";
  const std::string pid = std::to_string(GetCurrentProcessId());

  Case("the temporary file is owned while written and while it waits; the move works while owned");
  {
    OutputFile out;
    WT_CHECK(out.Create(dir + "clip-1.avi"));
    WT_CHECK_EQ(out.TemporaryPath(), dir + ".clip-1.avi." + pid + ".tavrin-part");
    WT_CHECK(out.Write("data", 4));
    WT_CHECK_EQ(RemoveParts(dir), size_t(0));
    WT_CHECK(out.Finish());
    WT_CHECK_EQ(RemoveParts(dir), size_t(0));
    WT_CHECK(Exists(out.TemporaryPath()));
    WT_CHECK(out.Commit());
    WT_CHECK_EQ(ReadBytes(dir + "clip-1.avi"), std::string("data"));
    WT_CHECK(!Exists(dir + ".clip-1.avi." + pid + ".tavrin-part"));
  }

  Case("an abandoned file goes, finished or not; the earlier file stays");
  {
    OutputFile writing, finished;
    WT_CHECK(writing.Create(dir + "clip-1.avi"));
    WT_CHECK(finished.Create(dir + "clip-1.avi"));
    WT_CHECK_EQ(finished.TemporaryPath(), dir + ".clip-1.avi." + pid + "-2.tavrin-part");
    WT_CHECK(finished.Write("new", 3) && finished.Finish());
    writing.Abandon();
    finished.Abandon();
    WT_CHECK(!Exists(dir + ".clip-1.avi." + pid + ".tavrin-part"));
    WT_CHECK(!Exists(dir + ".clip-1.avi." + pid + "-2.tavrin-part"));
    WT_CHECK_EQ(ReadBytes(dir + "clip-1.avi"), std::string("data"));
  }

  Case("a leftover goes at the next Create; a held file, a folder and other names stay");
  {
    const std::string left = MakeDir("outfiles_left") + "\\";
    WriteBytes(left + ".clip-2.avi.99999.tavrin-part", "left by a killed run");
    WriteBytes(left + "clip-2.avi.99999.tavrin-part", "no dot");
    WriteBytes(left + ".clip-2.avi.tmp", "another name");
    CreateDirectoryA((left + ".folder.avi.1.tavrin-part").c_str(), nullptr);
    // Held as a running writer holds its own: open for writing, no sharing of writes.
    HANDLE held = CreateFileA((left + ".running.avi.88888.tavrin-part").c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW, 0, nullptr);
    WT_CHECK(held != INVALID_HANDLE_VALUE);
    OutputFile out;
    WT_CHECK(out.Create(left + "clip-2.avi"));
    out.Abandon();
    WT_CHECK(!Exists(left + ".clip-2.avi.99999.tavrin-part"));
    WT_CHECK(Exists(left + "clip-2.avi.99999.tavrin-part"));
    WT_CHECK(Exists(left + ".clip-2.avi.tmp"));
    WT_CHECK(Exists(left + ".folder.avi.1.tavrin-part"));
    WT_CHECK(Exists(left + ".running.avi.88888.tavrin-part"));
    CloseHandle(held);
    WT_CHECK_EQ(RemoveParts(left), size_t(1));  // no longer held
    WT_CHECK(!Exists(left + ".running.avi.88888.tavrin-part"));
  }
  return Summary();
}
