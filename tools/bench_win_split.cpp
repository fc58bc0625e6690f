// Windows split benchmark (console): writes a large-chunk AVI (video plus
// PCM, like tools/bench_split.py), then times the real split job writing both
// halves against a plain copy of the same file made here with 1 MB reads and
// writes, the two in turns, and prints one table: median of 9 and ratio to
// the copy, and the process's peak memory (private bytes committed and working set, which the
// split dominates: its buffers are the largest the program ever holds).
// Run under Wine by tools/bench_win.sh.
// Usage: bench_split_win FOLDER [FRAMES] [VIDEO_BYTES]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

#include <psapi.h>

#include "job/native_sink.h"
#include "split/split_job.h"

namespace {

constexpr uint32_t kAudioBytes = 7056;  // 44100 Hz x 4 bytes / 25 fps
constexpr int kRounds = 9;

void U32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s += char((v >> (8 * i)) & 0xFF);
}
void U16(std::string& s, uint16_t v) { s += char(v & 0xFF), s += char(v >> 8); }
std::string Chunk(const char* code, const std::string& data) {
  std::string c(code, 4);
  U32(c, uint32_t(data.size()));
  c += data;
  if (data.size() & 1) c += '\0';
  return c;
}
std::string List(const char* type, const std::string& data) { return Chunk("LIST", std::string(type, 4) + data); }

uint32_t VideoSize(uint32_t i, uint32_t bytes) { return bytes + (i * 7919u) % (bytes / 4 + 1) - bytes / 8; }

bool WriteClip(const std::string& path, uint32_t frames, uint32_t videoBytes) {
  uint32_t largest = 0;
  uint64_t movi = 4;
  for (uint32_t i = 0; i < frames; ++i) {
    const uint32_t s = VideoSize(i, videoBytes);
    largest = std::max(largest, s);
    movi += 8 + s + (s & 1) + 8 + kAudioBytes;
  }
  std::string avih;
  for (uint32_t v : {40000u, 0u, 0u, 0x10u, frames, 0u, 2u, largest, 320u, 240u, 0u, 0u, 0u, 0u}) U32(avih, v);
  std::string strhV = "vidsXVID";
  for (uint32_t v : {0u, 0u, 0u, 1u, 25u, 0u, frames, largest, 0xFFFFFFFFu, 0u}) U32(strhV, v);
  for (int i = 0; i < 4; ++i) U16(strhV, i < 2 ? 0 : (i == 2 ? 320 : 240));
  std::string strfV;
  for (uint32_t v : {40u, 320u, 240u}) U32(strfV, v);
  U16(strfV, 1), U16(strfV, 24);
  for (uint32_t v : {0x44495658u, 320u * 240u * 3u, 0u, 0u, 0u, 0u}) U32(strfV, v);
  std::string strhA = "auds" + std::string(4, '\0');
  for (uint32_t v : {0u, 0u, 0u, 1u, 44100u, 0u, frames * kAudioBytes / 4, kAudioBytes, 0xFFFFFFFFu, 4u}) U32(strhA, v);
  for (int i = 0; i < 4; ++i) U16(strhA, 0);
  std::string strfA;
  U16(strfA, 1), U16(strfA, 2), U32(strfA, 44100), U32(strfA, 176400), U16(strfA, 4), U16(strfA, 16), U16(strfA, 0);
  const std::string hdrl = List("hdrl", Chunk("avih", avih) + List("strl", Chunk("strh", strhV) + Chunk("strf", strfV)) +
                                            List("strl", Chunk("strh", strhA) + Chunk("strf", strfA)));
  const uint64_t riff = 4 + hdrl.size() + 8 + movi + 8 + 32ull * frames;
  if (riff + 8 >= (1ull << 31)) return false;

  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::string head = "RIFF";
  U32(head, uint32_t(riff));
  head += "AVI " + hdrl + "LIST";
  U32(head, uint32_t(movi));
  head += "movi";
  bool ok = std::fwrite(head.data(), 1, head.size(), f) == head.size();
  std::vector<char> noise(1 << 21);
  uint32_t seed = 1;
  for (char& c : noise) c = char((seed = seed * 1103515245u + 12345u) >> 16);
  std::string index, piece;
  uint32_t pos = 4;
  for (uint32_t i = 0; i < frames && ok; ++i) {
    const uint32_t s = VideoSize(i, videoBytes);
    const size_t from = (size_t(i) * 104729u) % (noise.size() - s - kAudioBytes);
    index += "00dc", U32(index, i % 25 == 0 ? 0x10 : 0), U32(index, pos), U32(index, s);
    piece = Chunk("00dc", std::string(&noise[from], s));
    pos += uint32_t(piece.size());
    index += "01wb", U32(index, 0x10), U32(index, pos), U32(index, kAudioBytes);
    piece += Chunk("01wb", std::string(&noise[from + s], kAudioBytes));
    pos += 8 + kAudioBytes;
    ok = std::fwrite(piece.data(), 1, piece.size(), f) == piece.size();
  }
  const std::string idx1 = Chunk("idx1", index);
  ok = ok && std::fwrite(idx1.data(), 1, idx1.size(), f) == idx1.size();
  return std::fclose(f) == 0 && ok;
}

bool PlainCopy(const std::string& from, const std::string& to) {
  std::FILE* in = std::fopen(from.c_str(), "rb");
  std::FILE* out = in ? std::fopen(to.c_str(), "wb") : nullptr;
  bool ok = in && out;
  std::vector<char> buffer(1 << 20);
  while (ok) {
    const size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
    if (got == 0) break;
    ok = std::fwrite(buffer.data(), 1, got, out) == got;
  }
  if (out) ok = std::fclose(out) == 0 && ok;
  if (in) std::fclose(in);
  return ok;
}

// Runs the two in turns, so that a slower stretch of the machine weighs on
// both alike; the median of each. A failed run gives -1.
template <typename RunA, typename RunB>
void Medians(RunA a, RunB b, double* secondsA, double* secondsB) {
  std::vector<double> ta, tb;
  auto timed = [](auto& run, std::vector<double>& into) {
    const auto t0 = std::chrono::steady_clock::now();
    if (!run()) return false;
    into.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    return true;
  };
  *secondsA = *secondsB = -1;
  for (int i = 0; i < kRounds; ++i)
    if (!timed(a, ta) || !timed(b, tb)) return;
  std::sort(ta.begin(), ta.end());
  std::sort(tb.begin(), tb.end());
  *secondsA = ta[kRounds / 2];
  *secondsB = tb[kRounds / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_split_win FOLDER [FRAMES] [VIDEO_BYTES]\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "\\";
  const uint32_t frames = argc > 2 ? uint32_t(std::strtoul(argv[2], nullptr, 10)) : 28750;
  const uint32_t videoBytes = argc > 3 ? uint32_t(std::strtoul(argv[3], nullptr, 10)) : 14700;
  const std::string clip = folder + "bench.avi", copy = folder + "copy.avi";
  if (!WriteClip(clip, frames, videoBytes)) {
    std::fprintf(stderr, "bench_split_win: cannot write %s\n", clip.c_str());
    return 1;
  }
  PlainCopy(clip, copy);  // brings the input into the cache
  SplitRequest request;
  request.path = clip;
  request.seconds = std::to_string(frames / 50);  // the middle, at 25 fps
  double copySeconds = 0, splitSeconds = 0;
  Medians([&] { return PlainCopy(clip, copy); },
          [&] {
            NativeSink sink;
            return SplitJob(request, sink).result == SplitResult::Completed;
          },
          &copySeconds, &splitSeconds);
  std::remove(copy.c_str());
  std::remove((folder + "bench-1.avi").c_str());
  std::remove((folder + "bench-2.avi").c_str());
  std::remove(clip.c_str());
  if (splitSeconds < 0 || copySeconds <= 0) {
    std::fprintf(stderr, "bench_split_win: the split or the copy failed\n");
    return 1;
  }
  std::printf("| %-30s | %-30s | %9s | %14s |\n", "file", "operation", "median s", "ratio to copy");
  std::printf("|--------------------------------|--------------------------------|-----------|----------------|\n");
  const std::string label = std::to_string(frames * 2) + " chunks, large";
  std::printf("| %-30s | %-30s | %9.3f | %14.2f |\n", label.c_str(), "copy, 1 MB reads and writes", copySeconds, 1.0);
  std::printf("| %-30s | %-30s | %9.3f | %14.2f |\n", label.c_str(), "split job, both outputs", splitSeconds,
              splitSeconds / copySeconds);
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
    std::printf("peak memory: %.1f MB private, %.1f MB working set (the whole process)\n",
                memory.PeakPagefileUsage / 1048576.0, memory.PeakWorkingSetSize / 1048576.0);
  return 0;
}
