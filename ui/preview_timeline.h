// The preview's track bar: the whole recording from left to right, a tick
// for every key frame (at most one per pixel column), the split's overlap
// from the second file's start to the cut shaded, the cut (red) and the
// second file's start (blue) as lines, the current frame as a black mark.
// Any list of coloured frame ranges (a cut's kept and dropped frames) fills
// the bar's lower half under the key ticks.
// A click or a drag asks the parent for the frame under the mouse
// (kTimelineSeek); keys go to the parent.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "avi/key_frame_list.h"

constexpr UINT kTimelineSeek = WM_APP + 0x52;  // to the parent: wParam = frame
constexpr COLORREF kTimelineCut = RGB(220, 0, 0);
constexpr COLORREF kTimelineSecondStart = RGB(0, 90, 220);
constexpr COLORREF kTimelineOverlap = RGB(255, 215, 150);
constexpr COLORREF kTimelineKey = RGB(90, 90, 90);
constexpr COLORREF kTimelineBlack = RGB(40, 40, 40);
constexpr COLORREF kTimelineScene = RGB(240, 140, 0);

// Frames first to first + count - 1 (at least a pixel wide) in colour.
struct TimelineSpan {
  uint32_t first = 0;
  uint32_t count = 1;
  COLORREF colour = 0;
};

constexpr COLORREF kTimelineKept = RGB(70, 170, 80);
constexpr COLORREF kTimelineDropped = RGB(235, 160, 160);

// Frames first..end-1 in a colour; later ranges are drawn over earlier ones.
struct TimelineRange {
  uint32_t first = 0;
  uint32_t end = 0;
  COLORREF colour = 0;
};

struct TimelineMarks {
  std::shared_ptr<const KeyFrameList> keys;  // null: nothing to show
  uint32_t current = 0;
  bool hasCut = false;
  uint32_t cut = 0;
  uint32_t secondStart = 0;
  std::vector<TimelineSpan> spans;  // drawn in order
  std::vector<TimelineRange> ranges;
};

// Registers the window class (once) and makes a track bar child.
HWND CreateTimeline(HWND parent, int id);
void SetTimelineMarks(HWND timeline, const TimelineMarks& marks);
// The x of frame in a track bar of that client width.
int TimelineX(int width, uint32_t frames, uint32_t frame);
