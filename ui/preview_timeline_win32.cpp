// The preview's track bar (ui/preview_timeline.h), painted off screen and
// copied in one piece so that it does not flicker while the mark moves.
#include "ui/preview_timeline.h"

#include <algorithm>
#include <vector>

namespace {

constexpr wchar_t kClass[] = L"TavrinTimeline";
constexpr int kMargin = 6;  // room for the mark at either end

struct State {
  TimelineMarks marks;
  bool dragging = false;
};

State* StateOf(HWND window) { return reinterpret_cast<State*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

uint32_t Frames(const State& s) { return s.marks.keys ? s.marks.keys->frames : 0; }

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  RECT r = {left, top, right, bottom};
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void Paint(HWND window, HDC target) {
  const State& s = *StateOf(window);
  RECT client;
  GetClientRect(window, &client);
  const int w = client.right, h = client.bottom;
  HDC dc = CreateCompatibleDC(target);
  HBITMAP bitmap = CreateCompatibleBitmap(target, w, h);
  HGDIOBJ old = SelectObject(dc, bitmap);
  Fill(dc, 0, 0, w, h, GetSysColor(COLOR_BTNFACE));
  const int top = 3, bottom = h - 9;
  Fill(dc, kMargin - 1, top - 1, w - kMargin + 1, bottom + 1, RGB(160, 160, 160));
  Fill(dc, kMargin, top, w - kMargin, bottom, RGB(255, 255, 255));
  const uint32_t frames = Frames(s);
  if (frames > 0) {
    // A range's band runs to the x of its next frame, so that ranges that
    // touch leave no gap and a one-frame range still shows.
    const int middle = top + (bottom - top) / 2;
    for (const TimelineRange& r : s.marks.ranges)
      if (r.first < r.end && r.first < frames)
        Fill(dc, TimelineX(w, frames, r.first), middle,
             r.end >= frames ? w - kMargin : TimelineX(w, frames, r.end), bottom, r.colour);
    if (s.marks.hasCut && s.marks.secondStart < s.marks.cut)
      Fill(dc, TimelineX(w, frames, s.marks.secondStart), top, TimelineX(w, frames, s.marks.cut), bottom,
           kTimelineOverlap);
    for (const TimelineSpan& span : s.marks.spans) {
      const int left = TimelineX(w, frames, span.first);
      const int right = TimelineX(w, frames, span.first + (span.count ? span.count - 1 : 0));
      Fill(dc, left, top + (bottom - top) / 2, std::max(right, left + 1) + (span.count > 1 ? 1 : 0), bottom,
           span.colour);
    }
    int lastX = -1;
    for (const FrameEntry& key : s.marks.keys->keys) {
      const int x = TimelineX(w, frames, key.frame);
      if (x == lastX) continue;
      lastX = x;
      Fill(dc, x, top, x + 1, top + (bottom - top) / 2, kTimelineKey);
    }
    if (s.marks.hasCut) {
      const int second = TimelineX(w, frames, s.marks.secondStart);
      const int cut = TimelineX(w, frames, s.marks.cut);
      if (second != cut) Fill(dc, second, top, second + 2, bottom, kTimelineSecondStart);
      Fill(dc, cut, top, cut + 2, bottom, kTimelineCut);
    }
    // The current frame: a line through the bar and a triangle under it.
    const int x = TimelineX(w, frames, s.marks.current);
    Fill(dc, x, top, x + 1, bottom, RGB(0, 0, 0));
    for (int row = 0; row < 6; ++row) Fill(dc, x - row, bottom + 2 + row, x + row + 1, bottom + 3 + row, RGB(0, 0, 0));
  }
  BitBlt(target, 0, 0, w, h, dc, 0, 0, SRCCOPY);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

// The frame under x.
uint32_t FrameAt(HWND window, int x) {
  const State& s = *StateOf(window);
  const uint32_t frames = Frames(s);
  RECT client;
  GetClientRect(window, &client);
  const int span = client.right - 2 * kMargin - 1;
  if (frames <= 1 || span <= 0) return 0;
  if (x <= kMargin) return 0;
  if (x >= kMargin + span) return frames - 1;
  return uint32_t((uint64_t(x - kMargin) * (frames - 1) + uint64_t(span) / 2) / uint64_t(span));
}

void Seek(HWND window, int x) {
  if (Frames(*StateOf(window)) == 0) return;
  SendMessageW(GetParent(window), kTimelineSeek, WPARAM(FrameAt(window, x)), 0);
}

LRESULT CALLBACK TimelineProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new State));
      break;
    case WM_NCDESTROY:
      delete StateOf(window);
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PRINTCLIENT:  // PrintWindow's request (screenshots, tests)
      Paint(window, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      Paint(window, dc);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_LBUTTONDOWN:
      StateOf(window)->dragging = true;
      SetCapture(window);
      Seek(window, short(LOWORD(lParam)));
      return 0;
    case WM_MOUSEMOVE:
      if (StateOf(window)->dragging) Seek(window, short(LOWORD(lParam)));
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (StateOf(window)->dragging) {
        StateOf(window)->dragging = false;
        if (GetCapture() == window) ReleaseCapture();
      }
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
      return SendMessageW(GetParent(window), message, wParam, lParam);
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int TimelineX(int width, uint32_t frames, uint32_t frame) {
  const int span = width - 2 * kMargin - 1;
  if (frames <= 1 || span <= 0) return kMargin;
  if (frame >= frames) frame = frames - 1;
  return kMargin + int(uint64_t(frame) * uint64_t(span) / uint64_t(frames - 1));
}

HWND CreateTimeline(HWND parent, int id) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
  WNDCLASSW wc = {};
  if (!GetClassInfoW(instance, kClass, &wc)) {
    wc.lpfnWndProc = TimelineProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClass;
    RegisterClassW(&wc);
  }
  return CreateWindowExW(0, kClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent,
                         reinterpret_cast<HMENU>(INT_PTR(id)), instance, nullptr);
}

void SetTimelineMarks(HWND timeline, const TimelineMarks& marks) {
  State* s = StateOf(timeline);
  if (!s) return;
  s->marks = marks;
  InvalidateRect(timeline, nullptr, FALSE);
}
