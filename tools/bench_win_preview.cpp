// Preview benchmark (Windows, run under Wine by tools/bench_preview.sh): for
// each file named, opens the preview and steps through its key frames with
// the Key > button, timing each step from the click to the picture drawn
// (the worker's decoding, the window's answer), then from the first frame
// 20 steps with Frame > (each one more decode) and a jump to the last frame
// of the first group (the most decodes any frame takes). Prints one table
// row per file. Goals: a frame within 0.2 s of a key-frame step up to
// 1920x1080; at 640x480 MPEG-4 a key frame within 50 ms, any frame within
// 0.3 s.
// Usage: bench_preview_win.exe FILE...
#include <windows.h>

#include <commctrl.h>

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

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

// Seconds from sending message to the preview until it shows the frame asked.
template <class Ask>
double Timed(Ask ask, PreviewFacts* f) {
  LARGE_INTEGER before, after;
  QueryPerformanceCounter(&before);
  ask();
  *f = Settle();
  QueryPerformanceCounter(&after);
  return Seconds(before, after);
}

// Frame > from the first frame, 20 times: the median step.
double FrameSteps(PreviewFacts* f) {
  Timed([] { SendMessageW(GetDlgItem(PreviewWindow(), kPreviewFirst), BM_CLICK, 0, 0); }, f);
  std::vector<double> steps;
  for (int step = 0; step < 20 && f->current + 1 < f->frames; ++step)
    steps.push_back(Timed([] { SendMessageW(GetDlgItem(PreviewWindow(), kPreviewNext), BM_CLICK, 0, 0); }, f));
  return Median(steps);
}

// A jump from the first frame to the last frame before the second key frame
// (the last frame when there is one group), as a track bar click asks.
double WorstFrame(PreviewFacts* f, uint32_t lastOfGroup) {
  Timed([] { SendMessageW(GetDlgItem(PreviewWindow(), kPreviewFirst), BM_CLICK, 0, 0); }, f);
  return Timed([&] { SendMessageW(PreviewWindow(), kTimelineSeek, lastOfGroup, 0); }, f);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  std::printf("%-28s %-36s %6s %6s %9s %9s %9s %9s %9s\n", "file", "decoder", "frames", "steps", "median s", "max s",
              "open s", "frame> s", "worst s");
  for (int i = 1; i < argc; ++i) {
    const std::string path = Utf8FromWide(argv[i]);
    LARGE_INTEGER opened, before, after;
    QueryPerformanceCounter(&opened);
    OpenPreview(nullptr, path, PreviewLink::Plain);
    PreviewFacts f = Settle();
    QueryPerformanceCounter(&after);
    const double openSeconds = Seconds(opened, after);
    std::vector<double> steps;
    uint32_t lastOfGroup = f.frames ? f.frames - 1 : 0;
    for (int step = 0; step < 400; ++step) {
      const uint32_t from = f.current;
      QueryPerformanceCounter(&before);
      SendMessageW(GetDlgItem(PreviewWindow(), kPreviewNextKey), BM_CLICK, 0, 0);
      f = Settle();
      QueryPerformanceCounter(&after);
      if (f.current == from) break;  // the last key frame
      if (step == 0 && f.current > 0) lastOfGroup = f.current - 1;
      steps.push_back(Seconds(before, after));
      if (!f.pictureShown) break;  // no decoder: nothing to time
    }
    std::sort(steps.begin(), steps.end());
    const bool pictures = f.pictureShown;
    const double frameStep = pictures ? FrameSteps(&f) : 0.0;
    const double worst = pictures ? WorstFrame(&f, lastOfGroup) : 0.0;
    const size_t slash = path.find_last_of("\\/");
    std::printf("%-28s %-36.36s %6u %6zu %9.3f %9.3f %9.3f %9.3f %9.3f\n", path.substr(slash + 1).c_str(),
                f.decoderName.empty() ? "(none)" : f.decoderName.c_str(), f.frames, steps.size(),
                steps.empty() ? 0.0 : steps[steps.size() / 2], steps.empty() ? 0.0 : steps.back(), openSeconds,
                frameStep, worst);
    ReleasePreview(nullptr);
  }
  return 0;
}
