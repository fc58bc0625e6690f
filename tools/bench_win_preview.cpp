// Preview benchmark (Windows, run under Wine by tools/bench_preview.sh): opens
// the preview of each file named and times, from the click (or the track
// bar's jump) to the picture drawn, with the chunks the decoder was sent for
// it:
//   step      Frame > from the first frame, 20 times (each should be one decode);
//   key       Key > through the file's key frames (a key frame decodes alone);
//   worst     from the file's last frame to the last frame of a group, as a
//             track bar click asks: the most decodes any frame takes (up to 8
//             groups spread over the file);
//   peak MB   the process's peak working set after all this.
// One table row per file. Goals at 640x480 MPEG-4 with 250-frame groups: a
// step is one decode, a key frame within 50 ms, any frame within 0.3 s, and
// the memory the same for a short and a long file.
// Usage: bench_preview_win.exe FILE...
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "io/wide_path.h"
#include "ui/preview.h"
#include "ui/preview_timeline.h"

namespace {

// Runs the window's messages until the preview is ready (or 30 s passed).
PreviewFacts Settle() {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    const PreviewFacts f = CurrentPreviewFacts();
    if ((f.ready && (f.pictureShown || !f.pictureText.empty())) || GetTickCount() - start > 30000) return f;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// The processor time the process has used (all its threads), in seconds.
double CpuSeconds() {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0.0;
  auto seconds = [](const FILETIME& t) { return double(uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7; };
  return seconds(kernel) + seconds(user);
}

double MedianOf(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

// Times of one kind of move (wall clock, and the processor time, which a
// busy machine does not stretch) and the most chunks one of them decoded.
struct Moves {
  std::vector<double> seconds, cpu;
  uint64_t mostDecodes = 0;
  void Add(double s, double c, uint64_t decodes) {
    seconds.push_back(s);
    cpu.push_back(c);
    mostDecodes = std::max(mostDecodes, decodes);
  }
  double Median() const { return MedianOf(seconds); }
  double CpuMedian() const { return MedianOf(cpu); }
  double Max() const { return seconds.empty() ? 0.0 : *std::max_element(seconds.begin(), seconds.end()); }
};

// Asks the preview (ask()), waits for the frame, and adds the time and the
// decodes to moves.
template <class Ask>
PreviewFacts Timed(Ask ask, const PreviewFacts& before, Moves* moves) {
  LARGE_INTEGER from, to;
  const double cpu = CpuSeconds();
  QueryPerformanceCounter(&from);
  ask();
  const PreviewFacts after = Settle();
  QueryPerformanceCounter(&to);
  if (moves) moves->Add(Seconds(from, to), CpuSeconds() - cpu, after.chunksDecoded - before.chunksDecoded);
  return after;
}

void Click(int button) { SendMessageW(GetDlgItem(PreviewWindow(), button), BM_CLICK, 0, 0); }
void Seek(uint32_t frame) { SendMessageW(PreviewWindow(), kTimelineSeek, frame, 0); }

struct Row {
  PreviewFacts facts;
  double openSeconds = 0;
  Moves step, key, worst;
};

Row Measure(const std::string& path) {
  Row row;
  LARGE_INTEGER opened, ready;
  QueryPerformanceCounter(&opened);
  OpenPreview(nullptr, path, PreviewLink::Plain);
  PreviewFacts f = Settle();
  QueryPerformanceCounter(&ready);
  row.openSeconds = Seconds(opened, ready);
  row.facts = f;
  if (!f.open || !f.pictureShown) return row;  // no picture: nothing to time
  for (int i = 0; i < 20 && f.current + 1 < f.frames; ++i) f = Timed([] { Click(kPreviewNext); }, f, &row.step);
  f = Timed([] { Click(kPreviewFirst); }, f, nullptr);
  std::vector<uint32_t> keys = {0};
  for (int i = 0; i < 400; ++i) {
    const PreviewFacts next = Timed([] { Click(kPreviewNextKey); }, f, &row.key);
    if (next.current == f.current) {  // the last key frame: no move
      row.key.seconds.pop_back();
      row.key.cpu.pop_back();
      break;
    }
    keys.push_back(next.current);
    f = next;
  }
  const size_t groups = keys.size() > 1 ? keys.size() - 1 : 1;  // those with a key frame after them
  for (size_t g = 0; g < groups; g += (groups + 7) / 8) {
    const uint32_t last = keys.size() > 1 ? keys[g + 1] - 1 : f.frames - 1;
    const uint32_t from = last == f.frames - 1 ? 0 : f.frames - 1;  // another group, or the group's start
    f = Timed([&] { Seek(from); }, f, nullptr);
    f = Timed([&] { Seek(last); }, f, &row.worst);
  }
  row.facts = f;
  return row;
}

double PeakMegabytes() {
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  return GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory) ? memory.PeakWorkingSetSize / 1048576.0 : 0.0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  std::printf("%-20s %-14s %6s %6s | %7s %4s | %4s %7s %7s %4s | %4s %7s %7s %7s %4s | %7s\n", "file", "decoder",
              "frames", "open s", "step s", "dec.", "keys", "key s", "max s", "dec.", "jmps", "worst s", "max s", "cpu s",
              "dec.", "peak MB");
  for (int i = 1; i < argc; ++i) {
    const std::string path = Utf8FromWide(argv[i]);
    const Row r = Measure(path);
    const size_t slash = path.find_last_of("\\/");
    if (!r.facts.open) {
      std::printf("%-20s the preview did not open (window %p)\n", path.substr(slash + 1).c_str(), (void*)PreviewWindow());
      continue;
    }
    std::printf("%-20.20s %-14.14s %6u %6.3f | %7.4f %4llu | %4zu %7.4f %7.4f %4llu | %4zu %7.4f %7.4f %7.4f %4llu | %7.1f\n",
                path.substr(slash + 1).c_str(), r.facts.decoderName.empty() ? "(none)" : r.facts.decoderName.c_str(),
                r.facts.frames, r.openSeconds, r.step.Median(), (unsigned long long)r.step.mostDecodes,
                r.key.seconds.size(), r.key.Median(), r.key.Max(), (unsigned long long)r.key.mostDecodes,
                r.worst.seconds.size(), r.worst.Median(), r.worst.Max(), r.worst.CpuMedian(),
                (unsigned long long)r.worst.mostDecodes,
                PeakMegabytes());
    ReleasePreview(nullptr);
  }
  return 0;
}
