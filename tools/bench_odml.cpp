// Times what reading an OpenDML file costs: the version-1 walk of today
// (files under 4 GiB), OdmlReader checking every index entry, streaming the
// flattened view against a plain read of the file, and the peak memory.
// Prints one table row per file. Built by tools/bench_odml.sh against the
// core library of a build tree.
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "avi/avi_analysis.h"
#include "avi/byte_input.h"
#include "avi/odml_flat_view.h"
#include "avi/odml_reader.h"

namespace {

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Reads a whole source in 1 MiB pieces, as a split copies.
template <typename ReadFn>
double Stream(uint64_t size, ReadFn read) {
  std::vector<uint8_t> buffer(1 << 20);
  auto start = std::chrono::steady_clock::now();
  for (uint64_t at = 0; at < size;) {
    size_t got = read(at, buffer.data(), buffer.size());
    if (got == 0) break;
    at += got;
  }
  return Since(start);
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const char* path = argv[i];
    struct stat st;
    if (stat(path, &st) != 0) return 1;
    uint64_t size = uint64_t(st.st_size);
    char walk[32] = "-";
    if (size <= 0xFFFFFFFFull) {
      ByteInput file;
      if (!file.Open(path)) return 1;
      AviAnalysis a{};
      ResetAnalysis(a);
      WalkProgress progress;
      progress.span = 10;
      progress.total = size;
      auto start = std::chrono::steady_clock::now();
      WalkChunks(a, progress, file, 0, size, 0);
      std::snprintf(walk, sizeof walk, "%.3f", Since(start));
    }
    ByteInput input;
    if (!input.Open(path)) return 1;
    OdmlReader reader;
    auto start = std::chrono::steady_clock::now();
    bool ok = reader.Read(input, size);
    double read = Since(start);
    if (!ok || !reader.Facts().hasSuperIndex) {
      std::printf("| %s | refused: %s |\n", path, DescribeOdmlFault(reader.Facts().fault, 1).c_str());
      continue;
    }
    OdmlFlatView view(input, reader);
    double flat = Stream(view.Size(), [&](uint64_t at, uint8_t* out, size_t n) { return view.ReadAt(at, out, n); });
    ByteInput plain;
    plain.Open(path);
    double copy = Stream(size, [&](uint64_t at, uint8_t* out, size_t n) {
      plain.Seek(at);
      return plain.Read(out, n);
    });
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf("| %s | %llu | %u | %llu | %s | %.3f | %.3f | %.3f | %zu | %.1f |\n", path, (unsigned long long)size,
                reader.Facts().riffCount, (unsigned long long)reader.Facts().chunkCount, walk, read, flat, copy,
                reader.CheckpointCount(), usage.ru_maxrss / 1024.0);
  }
  return 0;
}
