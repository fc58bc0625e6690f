// The preview window seen from a test: waiting for what it shows, stepping
// with its buttons, keys and track bar, its picture captured and matched
// against ffmpeg's decoding of every frame of the file (block averages, so
// that the window's scaling does not count), and the key frames the
// command line lists.
#pragma once
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/win/lib/files.h"
#include "tests/win/lib/ui.h"
#include "ui/preview.h"

namespace wt {

inline std::string Show(const PreviewFacts& f) {
  return "{open " + Show(f.open) + ", ready " + Show(f.ready) + ", frame " + std::to_string(f.current) + "/" +
         std::to_string(f.frames) + ", picture " + Show(f.pictureShown) + ", text " + Show(f.pictureText) +
         ", cut " + (f.hasCut ? std::to_string(f.cut) + " from " + std::to_string(f.secondStart) : "none") +
         ", info " + Show(f.infoText) + ", plan " + Show(f.planText) + "}";
}

// Waits until the preview has answered everything (and shows frame, when
// given); its facts then.
inline PreviewFacts WaitPreview(long frame = -1, DWORD milliseconds = 15000) {
  PreviewFacts f;
  WaitUntil(
      [&] {
        f = CurrentPreviewFacts();
        return f.open && f.ready && (frame < 0 || f.current == uint32_t(frame));
      },
      milliseconds);
  return f;
}

inline void PressPreviewButton(int id) {
  HWND button = GetDlgItem(PreviewWindow(), id);
  SendMessageW(button, BM_CLICK, 0, 0);
}

// A click on the track bar at frame's place.
inline void ClickTimeline(uint32_t frame) {
  const PreviewFacts f = CurrentPreviewFacts();
  const LPARAM at = MAKELPARAM(f.Timeline(frame), 10);
  SendMessageW(f.timeline, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(f.timeline, WM_LBUTTONUP, 0, at);
}

// A key as the keyboard gives it to the focused preview, with Ctrl when
// asked; returns once the preview shows frame (the keyboard's input arrives
// later than the call returns).
inline PreviewFacts PressPreviewKey(WORD key, bool control, long frame) {
  HWND window = PreviewWindow();
  SetForegroundWindow(window);
  std::vector<INPUT> inputs;
  auto add = [&](WORD vk, bool up) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN || vk == VK_HOME || vk == VK_END
                                                                      ? KEYEVENTF_EXTENDEDKEY
                                                                      : 0);
    inputs.push_back(in);
  };
  if (control) add(VK_CONTROL, false);
  add(key, false);
  add(key, true);
  if (control) add(VK_CONTROL, true);
  SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
  return WaitPreview(frame);
}

// ---- pictures -------------------------------------------------------------------

constexpr int kGridX = 8, kGridY = 6;
using Grid = std::vector<double>;  // kGridX x kGridY blocks of R, G, B averages

// The blocks of a width x height picture (0x00RRGGBB, top row first) in rect.
template <class Pixel>
Grid GridOf(int left, int top, int width, int height, Pixel pixel) {
  Grid grid;
  for (int by = 0; by < kGridY; ++by)
    for (int bx = 0; bx < kGridX; ++bx) {
      double sum[3] = {0, 0, 0};
      int count = 0;
      for (int y = top + by * height / kGridY; y < top + (by + 1) * height / kGridY; ++y)
        for (int x = left + bx * width / kGridX; x < left + (bx + 1) * width / kGridX; ++x) {
          const uint32_t p = pixel(x, y);
          sum[0] += (p >> 16) & 0xFF, sum[1] += (p >> 8) & 0xFF, sum[2] += p & 0xFF;
          ++count;
        }
      for (double s : sum) grid.push_back(count ? s / count : 0);
    }
  return grid;
}

inline double Distance(const Grid& a, const Grid& b) {
  double sum = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) sum += std::fabs(a[i] - b[i]);
  return a.empty() ? 1e9 : sum / double(a.size());
}

// ffmpeg's decoding of every frame of a sample (preview/NAME.bgr, top-down
// BGR24 of width x height), as grids.
inline std::vector<Grid> ReferenceFrames(const std::string& bgrPath, int width, int height) {
  const std::string bytes = ReadBytes(bgrPath);
  const size_t frameBytes = size_t(width) * height * 3;
  std::vector<Grid> frames;
  for (size_t at = 0; at + frameBytes <= bytes.size(); at += frameBytes) {
    const unsigned char* f = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
    frames.push_back(GridOf(0, 0, width, height, [&](int x, int y) {
      const unsigned char* p = f + (size_t(y) * width + x) * 3;
      return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }));
  }
  return frames;
}

// The client area of window as PrintWindow gets it: what the window draws
// at this moment, whatever the screen still shows.
inline Capture PrintedClient(HWND window) {
  return PaintedClient(window, nullptr, [&](HDC memoryDc, int, int) { PrintWindow(window, memoryDc, PW_CLIENTONLY); });
}

// The picture the preview draws now, as a grid.
inline Grid ShownGrid(const PreviewFacts& f) {
  const Capture c = PrintedClient(f.picture);
  const RECT& r = f.pictureRect;
  return GridOf(r.left, r.top, r.right - r.left, r.bottom - r.top, [&](int x, int y) { return c.At(x, y); });
}

// The reference frame the picture matches best, and how far it and the
// second best lie from it.
struct Match {
  int frame = -1;
  double distance = 1e9, runnerUp = 1e9;
};
inline Match BestMatch(const Grid& shown, const std::vector<Grid>& references) {
  Match m;
  for (size_t i = 0; i < references.size(); ++i) {
    const double d = Distance(shown, references[i]);
    if (d < m.distance) {
      m.runnerUp = m.distance;
      m.distance = d;
      m.frame = int(i);
    } else if (d < m.runnerUp) {
      m.runnerUp = d;
    }
  }
  return m;
}

// ---- the command line's list -------------------------------------------------------

// "tavrin-cli keyframes FILE --json" (the Windows command line of the same
// build) started at once and read when its list is wanted: a console
// program's first start under Wine takes seconds.
class CliKeyFrames {
 public:
  explicit CliKeyFrames(const std::string& file) {
    static int count = 0;
    out_ = MakeDir("cli") + "\\keyframes" + std::to_string(++count) + ".json";
    started_ = StartCli("keyframes \"" + file + "\" --json", out_, "", &process_);
  }
  ~CliKeyFrames() {
    if (started_) CloseHandle(process_.hProcess), CloseHandle(process_.hThread);
  }
  // The frame numbers it listed; {-1} when it did not run or end in time.
  std::vector<long> Frames() {
    if (!started_ || WaitForSingleObject(process_.hProcess, 40000) != WAIT_OBJECT_0) return {-1};
    const std::string json = ReadBytes(out_);
    if (json.find("\"frame\":") == std::string::npos) std::printf("   tavrin-cli said: %s\n", json.c_str());
    std::vector<long> frames;
    for (size_t at = json.find("\"frame\":"); at != std::string::npos; at = json.find("\"frame\":", at + 1))
      frames.push_back(std::strtol(json.c_str() + at + 8, nullptr, 10));
    return frames;
  }

 private:
  std::string out_;
  bool started_ = false;
  PROCESS_INFORMATION process_ = {};
};

inline std::string Show(const std::vector<long>& v) {
  std::string out = "[";
  for (long n : v) out += " " + std::to_string(n);
  return out + " ]";
}

}  // namespace wt
