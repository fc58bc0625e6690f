// Preview benchmark (Windows, run under Wine by tools/bench_preview.sh): for
// each file named, opens the preview and steps through its key frames with
// the Key > button, timing each step from the click to the picture drawn
// (the worker's decoding, the window's answer). Prints one table row per
// file. Goal: a frame within 0.2 s of a key-frame step up to 1920x1080.
// Usage: bench_preview_win.exe FILE...
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "io/wide_path.h"
#include "ui/preview.h"

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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  std::printf("%-28s %-36s %6s %6s %9s %9s %9s\n", "file", "decoder", "frames", "steps", "median s", "max s",
              "open s");
  for (int i = 1; i < argc; ++i) {
    const std::string path = Utf8FromWide(argv[i]);
    LARGE_INTEGER opened, before, after;
    QueryPerformanceCounter(&opened);
    OpenPreview(nullptr, path, PreviewLink::Plain);
    PreviewFacts f = Settle();
    QueryPerformanceCounter(&after);
    const double openSeconds = Seconds(opened, after);
    std::vector<double> steps;
    for (int step = 0; step < 400; ++step) {
      const uint32_t from = f.current;
      QueryPerformanceCounter(&before);
      SendMessageW(GetDlgItem(PreviewWindow(), kPreviewNextKey), BM_CLICK, 0, 0);
      f = Settle();
      QueryPerformanceCounter(&after);
      if (f.current == from) break;  // the last key frame
      steps.push_back(Seconds(before, after));
      if (!f.pictureShown) break;  // no decoder: nothing to time
    }
    std::sort(steps.begin(), steps.end());
    const size_t slash = path.find_last_of("\\/");
    std::printf("%-28s %-36.36s %6u %6zu %9.3f %9.3f %9.3f\n", path.substr(slash + 1).c_str(),
                f.decoderName.empty() ? "(none)" : f.decoderName.c_str(), f.frames, steps.size(),
                steps.empty() ? 0.0 : steps[steps.size() / 2], steps.empty() ? 0.0 : steps.back(), openSeconds);
    ReleasePreview(nullptr);
  }
  return 0;
}
