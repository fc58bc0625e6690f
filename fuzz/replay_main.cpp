// Replays the files of a fuzz target's regression corpus through the target
// (the normal test run builds every target with this in place of libFuzzer).
// Usage: fuzz_TARGET_replay FILE_OR_FOLDER...
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
int Replay(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }
  if (S_ISDIR(info.st_mode)) {
    int count = 0;
    DIR* d = opendir(path.c_str());
    while (dirent* e = d ? readdir(d) : nullptr) {
      std::string name = e->d_name;
      if (name[0] != '.') count += Replay(path + "/" + name) == 0 ? 1 : 0;
    }
    if (d) closedir(d);
    std::printf("%s: %d inputs\n", path.c_str(), count);
    return 0;
  }
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  int status = 0;
  for (int i = 1; i < argc; ++i) status |= Replay(argv[i]);
  return status;
}
