// Preview benchmark (Windows, run under Wine by tools/bench_preview.sh): opens
// the preview of each file named and times, from the click (or the track
// bar's jump) to the picture drawn, with the chunks the decoder was sent for
// it:
//   step      Frame > from the first frame, 20 times (each should be one decode);
//   key       Key > through the file's key frames (a key frame decodes alone);
//   worst     from the file's last frame to the last frame of the first
//             group, as a track bar click asks: the most decodes any frame takes;
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

// Times of one kind of move and the most chunks one of them decoded.
struct Moves {
  std::vector<double> seconds;
  uint64_t mostDecodes = 0;
  void Add(double s, uint64_t decodes) {
    seconds.push_back(s);
    mostDecodes = std::max(mostDecodes, decodes);
  }
  double Median() const {
    std::vector<double> v = seconds;
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
  }
  double Max() const { return seconds.empty() ? 0.0 : *std::max_element(seconds.begin(), seconds.end()); }
};

// Asks the preview (ask()), waits for the frame, and adds the time and the
// decodes to moves.
template <class Ask>
PreviewFacts Timed(Ask ask, const PreviewFacts& before, Moves* moves) {
  LARGE_INTEGER from, to;
  QueryPerformanceCounter(&from);
  ask();
  const PreviewFacts after = Settle();
  QueryPerformanceCounter(&to);
  if (moves) moves->Add(Seconds(from, to), after.chunksDecoded - before.chunksDecoded);
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
  uint32_t lastOfGroup = f.frames - 1;
  for (int i = 0; i < 400; ++i) {
    Moves one;
    const PreviewFacts next = Timed([] { Click(kPreviewNextKey); }, f, &one);
    if (next.current == f.current) break;  // the last key frame
    if (i == 0) lastOfGroup = next.current - 1;
    row.key.Add(one.seconds[0], one.mostDecodes);
    f = next;
  }
  f = Timed([&] { Seek(f.frames - 1); }, f, nullptr);
  f = Timed([&] { Seek(lastOfGroup); }, f, &row.worst);
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
  std::printf("%-20s %-14s %6s %6s | %7s %7s | %4s %7s %7s %5s | %7s %5s | %7s\n", "file", "decoder", "frames", "open s",
              "step s", "decodes", "keys", "key s", "max s", "dec.", "worst s", "dec.", "peak MB");
  for (int i = 1; i < argc; ++i) {
    const std::string path = Utf8FromWide(argv[i]);
    const Row r = Measure(path);
    const size_t slash = path.find_last_of("\\/");
    if (!r.facts.open) {
      std::printf("%-20s the preview did not open (window %p)\n", path.substr(slash + 1).c_str(), (void*)PreviewWindow());
      continue;
    }
    std::printf("%-20.20s %-14.14s %6u %6.3f | %7.4f %7llu | %4zu %7.4f %7.4f %5llu | %7.4f %5llu | %7.1f\n",
                path.substr(slash + 1).c_str(), r.facts.decoderName.empty() ? "(none)" : r.facts.decoderName.c_str(),
                r.facts.frames, r.openSeconds, r.step.Median(), (unsigned long long)r.step.mostDecodes,
                r.key.seconds.size(), r.key.Median(), r.key.Max(), (unsigned long long)r.key.mostDecodes,
                r.worst.Max(), (unsigned long long)r.worst.mostDecodes, PeakMegabytes());
    ReleasePreview(nullptr);
  }
  return 0;
}
