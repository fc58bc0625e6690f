// Fuzz target: the join job on files made from one input (two files, or the
// first file joined to itself; the first byte's low bit also asks for the
// merge of pieces, which drops each seam's overlap). Whatever the files
// hold, the job must end with a result of its table, and a joined file that
// it says it wrote must be whole (its RIFF size is the file's, its size the
// one reported); a refusal leaves no file behind, neither the output nor a
// temporary one.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "job/native_sink.h"
#include "fuzz/fuzz_input.h"
#include "merge/merge_many.h"

namespace {

// A folder of its own under TMPDIR, removed with its inputs at exit (kept
// alive until then: never destroyed).
const std::string& Folder() {
  static const std::string* folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string name = std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz-join.XXXXXX";
    if (!mkdtemp(&name[0])) std::abort();
    return new std::string(name + "/");
  }();
  static const bool cleaned = std::atexit([] {
    for (const char* file : {"a.avi", "b.avi"}) std::remove((*folder + file).c_str());
    rmdir(folder->c_str());
  }) == 0;
  (void)cleaned;
  return *folder;
}

void Put(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || (size && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) std::abort();
}

// The names in the folder, but for the inputs.
int OtherFiles(const std::string& folder) {
  int count = 0;
  DIR* d = opendir(folder.c_str());
  while (dirent* e = d ? readdir(d) : nullptr) {
    const std::string name = e->d_name;
    if (name != "." && name != ".." && name != "a.avi" && name != "b.avi") ++count;
  }
  if (d) closedir(d);
  return count;
}

uint32_t U32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t mode = in.Byte();
  TwoFiles files = SplitInTwo(in);
  const std::string& folder = Folder();
  const std::string a = folder + "a.avi", b = folder + "b.avi", out = folder + "joined.avi";
  Put(a, files.first, files.firstSize);
  Put(b, files.second, files.secondSize);

  JoinJobRequest request;
  request.inputs = {a, (mode & 2) ? a : b};
  request.output = out;
  request.dropOverlaps = (mode & 1) != 0;
  NativeSink sink;
  const JoinOutcome outcome = JoinOrMergeJob(request, sink);
  if (int(outcome.result) < 0 || outcome.result >= JoinJobResult::Count) std::abort();

  if (outcome.result == JoinJobResult::Completed) {
    std::FILE* f = std::fopen(out.c_str(), "rb");
    if (!f) std::abort();
    std::string bytes;
    char buffer[1 << 16];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, got);
    std::fclose(f);
    if (bytes.size() != outcome.bytes || bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0) std::abort();
    if (U32(bytes, 4) != bytes.size() - 8 && bytes.size() < (1ull << 30)) std::abort();
    std::remove(out.c_str());
  }
  if (OtherFiles(folder) != 0) std::abort();  // nothing left behind
  return 0;
}
