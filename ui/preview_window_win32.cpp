// The preview window (ui/preview.h): a top-level window owned by the main
// window or a dialog, with the picture, the track bar, two lines of facts
// and the buttons. Everything that reads the file runs on the worker
// (ui/preview_worker.h); this side keeps what the worker answered and asks
// anew as the user moves, always for the newest position only.
//
// Keys: Left/Right a frame, Ctrl+Left/Right a key frame, Home/End the first
// and last frame, Space plays and stops, Esc closes.
//
// Playing shows each frame after the one before once the clock reaches its
// time (frame N at N x dwMicroSecPerFrame from the frame Play started at),
// the clock being the sound's as the device plays it (ui/sound_player.h),
// else the system's; never skipping one: a decoder slower than the stream makes the picture
// late, not jumpy. It stops on the frame shown, at the end, and at any step.
// "Play kept ranges" (a cut's plan known) plays the kept frames only: at the
// end of a kept range it goes straight to the next one's first frame (and
// the sound starts again there), so a dropped frame is never shown or heard
// while it plays. The buttons hand the focus back to the window after a
// click, so the keys keep working.
#include "ui/preview.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

#include "io/wide_path.h"
#include "split/split_job.h"
#include "ui/shell_state.h"
#include "ui/sound_player.h"
#include "ui/preview_texts.h"
#include "ui/preview_timeline.h"
#include "ui/preview_worker.h"
#include "ui/resource_ids.h"
#include "ui/tool_ui.h"
#include "ui/win32_host.h"

namespace {

using namespace preview_text;

constexpr wchar_t kWindowClass[] = L"TavrinPreview";
constexpr wchar_t kPictureClass[] = L"TavrinPreviewPicture";

constexpr int kStepButtons = 6;

constexpr int kGap = 6;
constexpr int kButtonHeight = 24;
constexpr int kLineHeight = 18;
constexpr int kTimelineHeight = 30;
constexpr int kPanelHeight = kGap + kTimelineHeight + 2 + 2 * kLineHeight + kGap + kButtonHeight + kGap;
constexpr int kMinWidth = 480, kMinHeight = 320;
constexpr int kDefaultWidth = 660, kDefaultHeight = 580;

struct Preview {
  HWND window = nullptr;
  HWND owner = nullptr;
  HWND picture = nullptr, timeline = nullptr, info = nullptr, plan = nullptr;
  HWND buttons[kStepButtons] = {};
  HWND useAsSplitTime = nullptr, startHere = nullptr, endHere = nullptr;
  HWND play = nullptr, playKept = nullptr;
  HFONT font = nullptr;
  std::unique_ptr<PreviewWorker> worker;
  int englishUi = 1;

  std::string path;
  PreviewLink link = PreviewLink::Plain;
  PreviewCutHooks hooks;

  // What the worker answered.
  uint64_t openAsk = 0;
  bool opened = false;
  int openingCells = 0;
  std::shared_ptr<const KeyFrameList> keys;
  StreamFormat format;
  std::string decoderName;
  std::wstring problem;  // the file shows nothing: why

  uint32_t current = 0;
  uint64_t frameAsk = 0, frameAnswered = 0;
  bool entryKnown = false;
  FrameEntry entry;
  PreviewResult::Drawn drawn = PreviewResult::Drawn::Missing;
  bool pictureShown = false;
  uint64_t chunksDecoded = 0;  // as the last frame's answer says

  uint64_t planAsk = 0, planAnswered = 0;
  bool followCut = false;  // show the cut once the plan comes
  bool hasCut = false;
  uint32_t cut = 0, secondStart = 0;
  std::wstring planText;

  uint64_t splitTimeAsk = 0, splitTimeAnswered = 0;

  std::vector<PreviewRange> kept;  // the cut's plan (Cut link), sorted

  bool playing = false;
  bool playingKept = false;  // the kept ranges only
  uint32_t playFrom = 0;   // the frame Play started at (or its kept range began at)
  uint32_t playShown = 0;  // frames Play has shown since the preview opened
  LARGE_INTEGER playStarted = {};
  SoundPlayer sound;  // plays while Play does
};

constexpr UINT_PTR kPlayTimer = 1;
// How often playing looks at the clock (a frame of 25 frames a second is 40).
constexpr UINT kPlayTickMs = 5;

Preview* thePreview = nullptr;  // used on the window's thread only
PreviewBreaks theBreaks;        // the window's thread's too
std::atomic<HWND> previewWindow{nullptr};

// Asks the window's thread for its facts (lParam: PreviewFacts*).
constexpr UINT kFetchFacts = WM_APP + 0x53;

// ---- texts ----------------------------------------------------------------

std::wstring Text(const Preview& p, const TextPair& pair) { return WideFromUtf8(Pick(pair, p.englishUi)); }
// A text of the core (texts/): UTF-8 in both languages.
std::wstring CoreText(const Preview& p, const TextPair& pair) { return WideFromUtf8(Pick(pair, p.englishUi)); }

// The pattern's "%x" places filled with the arguments in order, "%%" a "%".
std::wstring Fill(std::wstring pattern, std::initializer_list<std::wstring> arguments) {
  std::wstring out;
  auto next = arguments.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != L'%' || i + 1 == pattern.size()) {
      out += pattern[i];
    } else if (pattern[++i] == L'%') {
      out += L'%';
    } else if (next != arguments.end()) {
      out += *next++;
    }
  }
  return out;
}

std::wstring Number(uint64_t n) { return std::to_wstring(n); }

// "H:MM:SS.fff" (milliseconds cut, not rounded: the frame starts there).
std::wstring Clock(uint64_t micros) {
  const uint64_t ms = micros / 1000;
  wchar_t text[48];
  swprintf(text, 48, L"%u:%02u:%02u.%03u", unsigned(ms / 3600000), unsigned(ms / 60000 % 60),
           unsigned(ms / 1000 % 60), unsigned(ms % 1000));
  return text;
}

std::wstring CodeText(uint32_t code) {
  std::wstring text;
  for (int i = 0; i < 4; ++i) {
    const wchar_t c = wchar_t(uint8_t(code >> (8 * i)));
    text += c >= 0x20 && c < 0x7F ? c : L'.';
  }
  return text;
}

std::wstring SplitRefusal(const Preview& p, SplitResult result) {
  const TextPair* text = SplitResultText(result);
  return Text(p, kNoCut) + L" " + (text ? CoreText(p, *text) : Number(uint32_t(result)));
}

// ---- what is shown ---------------------------------------------------------

uint32_t Frames(const Preview& p) { return p.keys ? p.keys->frames : 0; }
uint64_t MicrosOf(const Preview& p, uint32_t frame) { return p.keys ? p.keys->MicrosOf(frame) : 0; }
bool IsKey(const Preview& p, uint32_t frame) { return p.keys && p.keys->IsKey(frame); }

std::wstring PictureText(const Preview& p) {
  if (!p.problem.empty()) return p.problem;
  if (!p.opened) return Text(p, kOpening) + L" " + Number(uint32_t(p.openingCells * 100 / 90)) + L"%";
  if (p.decoderName.empty()) return Text(p, kNoDecoder) + L"\n\n" + Text(p, kFormat) + L" " + CodeText(p.format.Codec());
  if (p.frameAnswered == p.frameAsk && p.drawn == PreviewResult::Drawn::Failed)
    return Text(p, kDecodeFailed) + L"\n\n" + WideFromUtf8(p.decoderName);
  return L"";
}

std::wstring InfoText(const Preview& p) {
  if (!p.opened) return L"";
  std::wstring text = Clock(MicrosOf(p, p.current)) + L"    " +
                      Fill(Text(p, kFrameOf), {Number(p.current), Number(Frames(p))}) + L"    " +
                      Text(p, IsKey(p, p.current) ? kKeyFrame : kNotKeyFrame);
  if (p.entryKnown && p.entry.frame == p.current) text += L"    " + Fill(Text(p, kBytes), {Number(p.entry.size)});
  return text;
}

std::wstring PlanLine(const Preview& p) {
  std::wstring text;
  if (p.link == PreviewLink::SplitTab) {
    if (p.hasCut) {
      text = Fill(Text(p, kCutAt), {Number(p.cut)}) + L" (" + Clock(MicrosOf(p, p.cut)) + L")";
      if (p.secondStart != p.cut)
        text += L"    " + Fill(Text(p, kSecondFrom), {Number(p.secondStart)}) + L" (" +
                Clock(MicrosOf(p, p.secondStart)) + L")";
    } else {
      text = p.planText;
    }
  }
  if (p.opened && !p.decoderName.empty()) text += (text.empty() ? L"" : L"    ") + WideFromUtf8(p.decoderName);
  return text;
}

void ShowFacts(Preview& p) {
  SetWindowTextW(p.info, InfoText(p).c_str());
  SetWindowTextW(p.plan, PlanLine(p).c_str());
  TimelineMarks marks;
  marks.keys = p.keys;
  marks.current = p.current;
  marks.hasCut = p.link == PreviewLink::SplitTab && p.hasCut;
  marks.cut = p.cut;
  marks.secondStart = p.secondStart;
  if (theBreaks.path == p.path) {
    for (const PreviewBreaks::Run& run : theBreaks.black) marks.spans.push_back({run.first, run.count, kTimelineBlack});
    for (uint32_t frame : theBreaks.scenes) marks.spans.push_back({frame, 1, kTimelineScene});
  }
  if (!p.kept.empty()) {
    marks.ranges.push_back(TimelineRange{0, Frames(p), kTimelineDropped});
    for (const PreviewRange& r : p.kept) marks.ranges.push_back(TimelineRange{r.first, r.end, kTimelineKept});
  }
  SetTimelineMarks(p.timeline, marks);
  const bool any = p.opened && Frames(p) > 0;
  for (HWND button : p.buttons) EnableWindow(button, any);
  EnableWindow(p.play, any);
  EnableWindow(p.playKept, any && !p.kept.empty());
  EnableWindow(p.useAsSplitTime, any && p.current > 0 && IsKey(p, p.current));
  EnableWindow(p.startHere, any);
  EnableWindow(p.endHere, any);
  InvalidateRect(p.picture, nullptr, FALSE);
}

// ---- asking the worker -------------------------------------------------------

void Show(Preview& p, uint32_t frame) {
  if (!p.opened || Frames(p) == 0) return;
  p.current = std::min(frame, Frames(p) - 1);
  p.frameAsk = p.worker->ShowFrame(p.current);
  ShowFacts(p);
}

// ---- playing -------------------------------------------------------------------

void StopPlaying(Preview& p) {
  if (!p.playing) return;
  p.playing = p.playingKept = false;
  KillTimer(p.window, kPlayTimer);
  p.sound.Stop();
  SetWindowTextW(p.play, Text(p, kPlay).c_str());
  SetWindowTextW(p.playKept, Text(p, kPlayKept).c_str());
}

// The first kept frame at or after frame, or Frames(p) when none is.
uint32_t KeptFrom(const Preview& p, uint32_t frame) {
  for (const PreviewRange& r : p.kept)
    if (r.end > frame && r.first < r.end) return std::max(r.first, frame);
  return Frames(p);
}

void StartPlaying(Preview& p, bool keptOnly) {
  if (!p.opened || Frames(p) == 0) return;
  if (keptOnly) {
    // From the frame shown when it is kept, else from the next kept frame
    // (from the first one after the last).
    uint32_t from = KeptFrom(p, p.current);
    if (from >= Frames(p)) from = KeptFrom(p, 0);
    if (from >= Frames(p)) return;
    if (from != p.current) Show(p, from);
  } else if (p.current + 1 >= Frames(p)) {
    return;
  }
  p.playing = true;
  p.playingKept = keptOnly;
  p.playFrom = p.current;
  QueryPerformanceCounter(&p.playStarted);
  p.sound.Start(p.path, MicrosOf(p, p.playFrom));
  SetTimer(p.window, kPlayTimer, kPlayTickMs, nullptr);
  SetWindowTextW(keptOnly ? p.playKept : p.play, Text(p, kStop).c_str());
}

uint64_t MicrosPlayed(const Preview& p) {
  LARGE_INTEGER now, rate;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&rate);
  return uint64_t(now.QuadPart - p.playStarted.QuadPart) * 1000000u / uint64_t(rate.QuadPart);
}

// Microseconds since the frame Play started at: held at 0 while the sound
// starts, the sound's while it plays, else the system's. The system's clock
// is kept level with the sound's, so that it carries on from there when the
// sound ends before the picture. The sound's clock may lag the system's
// (the device's start, a late refill) but never lead it: a device that takes
// its samples faster than it plays them (ALSA's null device under Wine
// reports a second played in 0.3 s) must not hurry the picture.
uint64_t PlayClock(Preview& p) {
  uint64_t micros = 0;
  const SoundClock state = p.sound.Clock(&micros);
  const uint64_t system = MicrosPlayed(p);
  if (state == SoundClock::Off) return system;
  micros = std::min(micros, system);
  LARGE_INTEGER rate;
  QueryPerformanceCounter(&p.playStarted);
  QueryPerformanceFrequency(&rate);
  p.playStarted.QuadPart -= LONGLONG(micros * uint64_t(rate.QuadPart) / 1000000u);
  return micros;
}

// The next frame once the one asked last is shown and the clock reached it.
void PlayTick(Preview& p) {
  if (!p.playing || p.frameAnswered != p.frameAsk) return;
  const uint32_t next = p.current + 1;
  if (next >= Frames(p)) return StopPlaying(p);
  if (MicrosOf(p, next) - MicrosOf(p, p.playFrom) > PlayClock(p)) return;
  const uint32_t kept = p.playingKept ? KeptFrom(p, next) : next;
  if (kept >= Frames(p)) return StopPlaying(p);
  if (kept != next) {  // the next kept range: its first frame's clock (and sound) starts now
    p.playFrom = kept;
    QueryPerformanceCounter(&p.playStarted);
    p.sound.Start(p.path, MicrosOf(p, kept));
  }
  ++p.playShown;
  Show(p, kept);
}

void StepKey(Preview& p, bool forward) {
  if (!p.opened || !p.keys) return;
  const int k = forward ? p.keys->KeyAfter(p.current) : p.keys->KeyBefore(p.current);
  if (k >= 0) Show(p, p.keys->keys[size_t(k)].frame);
}

// The first frame of the next (or previous) break of the file shown.
void StepBreak(Preview& p, bool forward) {
  if (!p.opened || theBreaks.path != p.path) return;
  std::vector<uint32_t> starts = theBreaks.scenes;
  for (const PreviewBreaks::Run& run : theBreaks.black) starts.push_back(run.first);
  std::sort(starts.begin(), starts.end());
  if (forward) {
    const auto next = std::upper_bound(starts.begin(), starts.end(), p.current);
    if (next != starts.end()) Show(p, *next);
  } else {
    const auto next = std::lower_bound(starts.begin(), starts.end(), p.current);
    if (next != starts.begin()) Show(p, *(next - 1));
  }
}

void OpenFile(Preview& p, const std::string& path) {
  StopPlaying(p);
  p.path = path;
  p.opened = false;
  p.openingCells = 0;
  p.keys.reset();
  p.decoderName.clear();
  p.problem.clear();
  p.current = 0;
  p.entryKnown = false;
  p.hasCut = false;
  p.planText.clear();
  p.drawn = PreviewResult::Drawn::Missing;
  p.pictureShown = false;
  p.chunksDecoded = 0;
  p.frameAsk = p.frameAnswered = 0;
  p.planAsk = p.planAnswered = 0;
  p.splitTimeAsk = p.splitTimeAnswered = 0;
  p.openAsk = p.worker->Open(path);
  const size_t slash = path.find_last_of("\\/");
  SetWindowTextW(p.window, (Text(p, kTitle) + L" - " + WideFromUtf8(path.substr(slash == std::string::npos ? 0 : slash + 1))).c_str());
  ShowFacts(p);
}

// The Split tab's fields as the split job reads them: asks for the plan, or
// says why there is none.
void Follow(Preview& p) {
  if (p.link != PreviewLink::SplitTab || !p.opened) return;
  const SplitRequest request = ReadSplitRequest();
  TimeSplit time;
  p.hasCut = false;
  p.planAsk = p.planAnswered = 0;
  SplitResult fields = CheckOverlapField(request, &time);
  if (fields == SplitResult::Completed && request.by == SplitBy::Size) {
    p.planText = Text(p, kSizeSplit);
  } else {
    if (fields == SplitResult::Completed) fields = CheckTimeFields(request, &time);
    if (fields == SplitResult::Completed) {
      p.planText.clear();
      p.planAsk = p.worker->Plan(time);
      p.followCut = true;
    } else if (fields == SplitResult::TimeZero) {
      p.planText.clear();  // no time given yet
    } else {
      p.planText = SplitRefusal(p, fields);
    }
  }
  ShowFacts(p);
}

// "Use as split time": the Split tab names this file, splits by time, and
// gets the times the worker found (the file goes into the tab when another
// one stands there).
void FillSplitFields(Preview& p, const PreviewResult& r) {
  HWND main = AppShell().mainWindow;
  if (!main || !r.found) return;
  if (AppShell().settings.currentTab != 0) SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_SWITCH_TAB, 0), 0);
  if (ReadSplitRequest().path != p.path) SetDlgItemTextW(main, IDC_SRC_FILE, WideFromUtf8(p.path).c_str());
  if (IsDlgButtonChecked(main, IDC_BY_TIME) != BST_CHECKED) SendMessageW(GetDlgItem(main, IDC_BY_TIME), BM_CLICK, 0, 0);
  SetDlgItemTextW(main, IDC_HOURS, WideFromUtf8(r.hours).c_str());
  SetDlgItemTextW(main, IDC_MINUTES, WideFromUtf8(r.minutes).c_str());
  SetDlgItemTextW(main, IDC_SECONDS, WideFromUtf8(r.seconds).c_str());
}

void OnResult(Preview& p, const PreviewResult& r) {
  switch (r.kind) {
    case PreviewResult::Kind::Progress:
      if (r.ask != p.openAsk) return;
      p.openingCells = r.cells;
      break;
    case PreviewResult::Kind::Opened:
      if (r.ask != p.openAsk) return;
      if (r.problem) {
        p.problem = r.problemIsCore ? CoreText(p, *r.problem) : Text(p, *r.problem);
        if (!r.problemDetail.empty()) p.problem += L" " + WideFromUtf8(r.problemDetail);
        break;
      }
      p.opened = true;
      p.keys = r.keys;
      p.format = r.format;
      p.decoderName = r.decoderName;
      Show(p, 0);
      Follow(p);
      break;
    case PreviewResult::Kind::Frame:
      if (r.ask != p.frameAsk) return;  // an older frame: a newer one is on its way
      p.frameAnswered = r.ask;
      p.entryKnown = r.drawn != PreviewResult::Drawn::Missing;
      p.entry = r.frame;
      p.drawn = r.drawn;
      p.pictureShown = r.drawn == PreviewResult::Drawn::Picture;
      p.chunksDecoded = r.chunksDecoded;
      break;
    case PreviewResult::Kind::Plan:
      if (r.ask != p.planAsk) return;
      p.planAnswered = r.ask;
      p.hasCut = r.result == SplitResult::Completed;
      p.cut = r.cutFrame;
      p.secondStart = r.secondStartFrame;
      p.planText = p.hasCut ? L"" : SplitRefusal(p, r.result);
      if (p.hasCut && p.followCut) Show(p, p.cut);
      p.followCut = false;
      break;
    case PreviewResult::Kind::SplitTime:
      if (r.ask != p.splitTimeAsk) return;
      p.splitTimeAnswered = r.ask;
      FillSplitFields(p, r);
      break;
  }
  ShowFacts(p);
}

// ---- layout and painting -------------------------------------------------------

HWND Child(Preview& p, const wchar_t* cls, const std::wstring& text, DWORD style, int id) {
  HWND child = CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, p.window,
                               reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(p.font), FALSE);
  return child;
}

void Layout(Preview& p) {
  RECT client;
  GetClientRect(p.window, &client);
  const int w = client.right, h = client.bottom;
  // The Cut link has a second row of buttons.
  const int panel = kPanelHeight + (p.link == PreviewLink::Cut ? kButtonHeight + kGap : 0);
  const int panelTop = std::max(0, h - panel);
  MoveWindow(p.picture, 0, 0, w, panelTop, TRUE);
  int y = panelTop + kGap;
  MoveWindow(p.timeline, kGap, y, w - 2 * kGap, kTimelineHeight, TRUE);
  y += kTimelineHeight + 2;
  MoveWindow(p.info, kGap, y, w - 2 * kGap, kLineHeight, TRUE);
  y += kLineHeight;
  MoveWindow(p.plan, kGap, y, w - 2 * kGap, kLineHeight, TRUE);
  y += kLineHeight + kGap;
  const int stepWidth = 66;
  int x = kGap;
  for (HWND button : p.buttons) {
    MoveWindow(button, x, y, stepWidth, kButtonHeight, TRUE);
    x += stepWidth + 2;
  }
  MoveWindow(p.play, x + kGap, y, stepWidth, kButtonHeight, TRUE);
  // The Cut link's second row: Play kept ranges under Play's row.
  MoveWindow(p.playKept, kGap, y + kButtonHeight + kGap, 130, kButtonHeight, TRUE);
  // The link's own buttons stand at the right end.
  const int wide = 124;
  const int right = w - kGap;
  MoveWindow(p.useAsSplitTime, right - wide, y, wide, kButtonHeight, TRUE);
  MoveWindow(p.endHere, right - 80, y, 80, kButtonHeight, TRUE);
  MoveWindow(p.startHere, right - 162, y, 80, kButtonHeight, TRUE);
}

// The rectangle a width x height picture takes in a client area, its shape kept.
RECT Letterbox(int clientWidth, int clientHeight, int width, int height) {
  RECT r = {0, 0, 0, 0};
  if (width <= 0 || height <= 0 || clientWidth <= 0 || clientHeight <= 0) return r;
  int w = clientWidth, h = int(int64_t(clientWidth) * height / width);
  if (h > clientHeight) h = clientHeight, w = int(int64_t(clientHeight) * width / height);
  r.left = (clientWidth - w) / 2;
  r.top = (clientHeight - h) / 2;
  r.right = r.left + w;
  r.bottom = r.top + h;
  return r;
}

void PaintPicture(Preview& p, HWND window, HDC dc) {
  RECT client;
  GetClientRect(window, &client);
  HBRUSH back = CreateSolidBrush(RGB(48, 48, 48));
  bool drawn = false;
  if (p.pictureShown && PictureText(p).empty()) {
    p.worker->WithPicture([&](const Picture& picture) {
      if (picture.pixels.empty()) return;
      const RECT r = Letterbox(client.right, client.bottom, picture.width, picture.height);
      BITMAPINFO info = {};
      info.bmiHeader.biSize = sizeof info.bmiHeader;
      info.bmiHeader.biWidth = picture.width;
      info.bmiHeader.biHeight = -picture.height;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
      FillRect(dc, &client, back);
      SelectClipRgn(dc, nullptr);
      SetStretchBltMode(dc, HALFTONE);
      SetBrushOrgEx(dc, 0, 0, nullptr);
      StretchDIBits(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, picture.width, picture.height,
                    picture.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
      drawn = true;
    });
  }
  if (!drawn) {
    FillRect(dc, &client, back);
    const std::wstring text = PictureText(p);
    RECT area = client;
    InflateRect(&area, -16, -16);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(230, 230, 230));
    HGDIOBJ old = SelectObject(dc, p.font);
    RECT measured = area;
    DrawTextW(dc, text.c_str(), -1, &measured, DT_CALCRECT | DT_WORDBREAK | DT_CENTER | DT_NOPREFIX);
    OffsetRect(&measured, 0, (area.bottom - area.top - (measured.bottom - measured.top)) / 2);
    measured.left = area.left, measured.right = area.right;
    DrawTextW(dc, text.c_str(), -1, &measured, DT_WORDBREAK | DT_CENTER | DT_NOPREFIX);
    SelectObject(dc, old);
  }
  DeleteObject(back);
}

LRESULT CALLBACK PictureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) return 1;
  // PrintWindow's request (screenshots, tests): what a paint would draw now.
  if (message == WM_PRINTCLIENT) {
    if (thePreview) PaintPicture(*thePreview, window, reinterpret_cast<HDC>(wParam));
    return 0;
  }
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (thePreview) PaintPicture(*thePreview, window, dc);
    EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_LBUTTONDOWN) SetFocus(GetParent(window));
  return DefWindowProcW(window, message, wParam, lParam);
}

// ---- the window's place, kept in Tavrin.ini ------------------------------------

void RememberPlace(const Preview& p) {
  WINDOWPLACEMENT place = {};
  place.length = sizeof place;
  if (!GetWindowPlacement(p.window, &place)) return;
  const RECT& r = place.rcNormalPosition;
  char text[64];
  std::snprintf(text, sizeof text, "%ld %ld %ld %ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
  AppToolSettings().previewPlace = text;
}

// The kept place, when it is whole and on a screen.
bool KeptPlace(RECT* r) {
  long left, top, width, height;
  if (std::sscanf(AppToolSettings().previewPlace.c_str(), "%ld %ld %ld %ld", &left, &top, &width, &height) != 4 ||
      width < kMinWidth || height < kMinHeight || width > 32767 || height > 32767)
    return false;
  *r = RECT{left, top, left + width, top + height};
  return MonitorFromRect(r, MONITOR_DEFAULTTONULL) != nullptr;
}

// ---- the window ------------------------------------------------------------------

void OnCommand(Preview& p, int id) {
  if (id == kPreviewPlay || id == kPreviewPlayKept) {
    if (p.playing) StopPlaying(p);
    else StartPlaying(p, id == kPreviewPlayKept);
    SetFocus(p.window);
    return;
  }
  if (id >= kPreviewFirst && id <= kPreviewLast) StopPlaying(p);
  switch (id) {
    case kPreviewFirst: Show(p, 0); break;
    case kPreviewPreviousKey: StepKey(p, false); break;
    case kPreviewPrevious: if (p.current > 0) Show(p, p.current - 1); break;
    case kPreviewNext: Show(p, p.current + 1); break;
    case kPreviewNextKey: StepKey(p, true); break;
    case kPreviewLast: if (Frames(p)) Show(p, Frames(p) - 1); break;
    case kPreviewUseAsSplitTime:
      if (p.opened && p.current > 0 && IsKey(p, p.current)) p.splitTimeAsk = p.worker->FindSplitTime(p.current);
      break;
    case kPreviewStartHere:
    case kPreviewEndHere: {
      PreviewPosition at;
      at.frame = p.current;
      at.micros = MicrosOf(p, p.current);
      at.key = IsKey(p, p.current);
      const auto& hook = id == kPreviewStartHere ? p.hooks.startHere : p.hooks.endHere;
      if (p.opened && hook) hook(at);
      break;
    }
    default: return;
  }
  SetFocus(p.window);
}

bool OnKey(Preview& p, WPARAM key) {
  const bool control = GetKeyState(VK_CONTROL) < 0;
  switch (key) {
    case VK_LEFT: OnCommand(p, control ? kPreviewPreviousKey : kPreviewPrevious); return true;
    case VK_RIGHT: OnCommand(p, control ? kPreviewNextKey : kPreviewNext); return true;
    case VK_UP:
    case VK_DOWN:
      if (!control) return false;
      StepBreak(p, key == VK_DOWN);
      SetFocus(p.window);
      return true;
    case VK_HOME: OnCommand(p, kPreviewFirst); return true;
    case VK_END: OnCommand(p, kPreviewLast); return true;
    case VK_SPACE: OnCommand(p, kPreviewPlay); return true;
    case VK_ESCAPE: PostMessageW(p.window, WM_CLOSE, 0, 0); return true;
    default: return false;
  }
}

void ShowLinkButtons(Preview& p) {
  ShowWindow(p.useAsSplitTime, p.link == PreviewLink::SplitTab ? SW_SHOW : SW_HIDE);
  ShowWindow(p.startHere, p.link == PreviewLink::Cut ? SW_SHOW : SW_HIDE);
  ShowWindow(p.endHere, p.link == PreviewLink::Cut ? SW_SHOW : SW_HIDE);
  ShowWindow(p.playKept, p.link == PreviewLink::Cut ? SW_SHOW : SW_HIDE);
  Layout(p);
}

void OnCreate(Preview& p) {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  p.font = CreateFontIndirectW(&metrics.lfMessageFont);
  p.picture = Child(p, kPictureClass, L"", 0, kPreviewPicture);
  p.timeline = CreateTimeline(p.window, kPreviewTimeline);
  p.info = Child(p, L"Static", L"", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, kPreviewInfo);
  p.plan = Child(p, L"Static", L"", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, kPreviewPlan);
  const TextPair* steps[kStepButtons] = {&kFirst, &kPreviousKey, &kPrevious, &kNext, &kNextKey, &kLast};
  for (int i = 0; i < kStepButtons; ++i) p.buttons[i] = Child(p, L"Button", Text(p, *steps[i]), BS_PUSHBUTTON, kPreviewFirst + i);
  p.useAsSplitTime = Child(p, L"Button", Text(p, kUseAsSplitTime), BS_PUSHBUTTON, kPreviewUseAsSplitTime);
  p.startHere = Child(p, L"Button", Text(p, kStartHere), BS_PUSHBUTTON, kPreviewStartHere);
  p.endHere = Child(p, L"Button", Text(p, kEndHere), BS_PUSHBUTTON, kPreviewEndHere);
  p.play = Child(p, L"Button", Text(p, kPlay), BS_PUSHBUTTON, kPreviewPlay);
  p.playKept = Child(p, L"Button", Text(p, kPlayKept), BS_PUSHBUTTON, kPreviewPlayKept);
  p.worker.reset(new PreviewWorker(p.window, p.englishUi));
  ShowLinkButtons(p);
}

// Frees the answers still queued for a window that ends.
void DropQueuedResults(HWND window) {
  MSG message;
  while (PeekMessageW(&message, window, kPreviewResult, kPreviewResult, PM_REMOVE))
    delete reinterpret_cast<PreviewResult*>(message.lParam);
}

LRESULT CALLBACK PreviewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Preview* p = thePreview && thePreview->window == window ? thePreview : nullptr;
  switch (message) {
    case WM_CREATE:
      thePreview->window = window;
      previewWindow.store(window);
      OnCreate(*thePreview);
      return 0;
    case WM_SIZE:
      if (p) Layout(*p);
      return 0;
    case WM_WINDOWPOSCHANGED:
      if (p && IsWindowVisible(window)) RememberPlace(*p);
      break;
    case WM_GETMINMAXINFO: {
      MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize.x = kMinWidth;
      info->ptMinTrackSize.y = kMinHeight;
      return 0;
    }
    case WM_COMMAND:
      if (p && HIWORD(wParam) == BN_CLICKED) OnCommand(*p, LOWORD(wParam));
      return 0;
    case WM_KEYDOWN:
      if (p && OnKey(*p, wParam)) return 0;
      break;
    case WM_TIMER:
      if (p && wParam == kPlayTimer) PlayTick(*p);
      return 0;
    case kTimelineSeek:
      if (p) {
        StopPlaying(*p);
        Show(*p, uint32_t(wParam));
        SetFocus(window);
      }
      return 0;
    case kFetchFacts:
      *reinterpret_cast<PreviewFacts*>(lParam) = CurrentPreviewFacts();
      return 0;
    case kPreviewResult: {
      std::unique_ptr<PreviewResult> result(reinterpret_cast<PreviewResult*>(lParam));
      if (p) OnResult(*p, *result);
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      if (p) {
        RememberPlace(*p);
        p->worker.reset();  // waits for the thread
        DropQueuedResults(window);
        if (p->font) DeleteObject(p->font);
        thePreview = nullptr;
        previewWindow.store(nullptr);
        delete p;
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClasses(HINSTANCE instance) {
  WNDCLASSW wc = {};
  if (!GetClassInfoW(instance, kWindowClass, &wc)) {
    wc.lpfnWndProc = PreviewProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = LoadIconW(instance, L"TAVRINICON");
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc);
  }
  WNDCLASSW picture = {};
  if (!GetClassInfoW(instance, kPictureClass, &picture)) {
    picture.lpfnWndProc = PictureProc;
    picture.hInstance = instance;
    picture.hCursor = LoadCursor(nullptr, IDC_ARROW);
    picture.lpszClassName = kPictureClass;
    RegisterClassW(&picture);
  }
}

void CreatePreview(HWND owner) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterClasses(instance);
  thePreview = new Preview;
  thePreview->owner = owner;
  thePreview->englishUi = AppShell().englishUi;
  RECT place;
  const bool kept = KeptPlace(&place);
  HWND window = CreateWindowExW(0, kWindowClass, Text(*thePreview, kTitle).c_str(), WS_OVERLAPPEDWINDOW,
                                kept ? place.left : CW_USEDEFAULT, kept ? place.top : CW_USEDEFAULT,
                                kept ? place.right - place.left : kDefaultWidth,
                                kept ? place.bottom - place.top : kDefaultHeight, owner, nullptr, instance, nullptr);
  if (!window) {
    // Creation can fail after WM_CREATE stored the handle (Wine without a
    // display): no handle of a window that is gone stays behind.
    previewWindow.store(nullptr);
    if (thePreview->font) DeleteObject(thePreview->font);  // made by WM_CREATE; no WM_DESTROY frees it
    delete thePreview;
    thePreview = nullptr;
    return;
  }
  Layout(*thePreview);
  ShowWindow(window, SW_SHOWNORMAL);
}

}  // namespace

void OpenPreview(HWND owner, const std::string& path, PreviewLink link, PreviewCutHooks hooks) {
  if (thePreview && thePreview->owner != owner) ReleasePreview(nullptr);
  if (!thePreview) CreatePreview(owner);
  if (!thePreview) return;
  Preview& p = *thePreview;
  p.link = link;
  p.hooks = std::move(hooks);
  ShowLinkButtons(p);
  if (path != p.path || !p.problem.empty())
    OpenFile(p, path);
  else
    Follow(p);
  if (IsIconic(p.window)) ShowWindow(p.window, SW_RESTORE);
  SetForegroundWindow(p.window);
  SetFocus(p.window);
}

void FollowSplitFields() {
  if (!thePreview || thePreview->link != PreviewLink::SplitTab) return;
  Preview& p = *thePreview;
  // The tab names another file: the preview shows that one, once it exists.
  const std::string path = ReadSplitRequest().path;
  if (path != p.path && !path.empty()) {
    const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) OpenFile(p, path);
    return;
  }
  Follow(p);
}

void SetPreviewBreaks(const PreviewBreaks& breaks) {
  theBreaks = breaks;
  if (thePreview) ShowFacts(*thePreview);
}

void SetPreviewKeptRanges(HWND owner, std::vector<PreviewRange> kept) {
  if (!thePreview || thePreview->owner != owner) return;
  Preview& p = *thePreview;
  p.kept = std::move(kept);
  if (p.playingKept && p.kept.empty()) StopPlaying(p);
  ShowFacts(p);
}

void ShowPreviewFrame(uint32_t frame) {
  if (thePreview) Show(*thePreview, frame);
}

void ReleasePreview(HWND owner) {
  if (thePreview && (!owner || thePreview->owner == owner)) DestroyWindow(thePreview->window);
}

HWND PreviewWindow() { return previewWindow.load(); }

int PreviewFacts::Timeline(uint32_t frame) const {
  RECT client = {};
  if (timeline) GetClientRect(timeline, &client);
  return TimelineX(client.right, frames, frame);
}

PreviewFacts CurrentPreviewFacts() {
  PreviewFacts f;
  HWND window = previewWindow.load();
  if (window && GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) {
    DWORD_PTR unused = 0;
    SendMessageTimeoutW(window, kFetchFacts, 0, reinterpret_cast<LPARAM>(&f), SMTO_NORMAL, 10000, &unused);
    return f;
  }
  if (!thePreview) return f;
  const Preview& p = *thePreview;
  f.open = true;
  f.ready = (p.opened || !p.problem.empty()) && p.frameAnswered == p.frameAsk && p.planAnswered == p.planAsk &&
            p.splitTimeAnswered == p.splitTimeAsk;
  f.path = p.path;
  f.link = p.link;
  f.frames = Frames(p);
  f.frameMicros = p.keys ? p.keys->frameMicros : 0;
  f.current = p.current;
  f.entryKnown = p.entryKnown && p.entry.frame == p.current && p.frameAnswered == p.frameAsk;
  f.entry = p.entry;
  f.pictureShown = p.pictureShown && p.frameAnswered == p.frameAsk;
  f.chunksDecoded = p.chunksDecoded;
  f.pictureText = PictureText(p);
  f.playing = p.playing;
  f.playingKept = p.playingKept;
  f.playShown = p.playShown;
  f.kept = p.kept;
  f.decoderName = p.decoderName;
  f.hasCut = p.hasCut;
  f.cut = p.cut;
  f.secondStart = p.secondStart;
  f.infoText = InfoText(p);
  f.planText = PlanLine(p);
  f.picture = p.picture;
  f.timeline = p.timeline;
  RECT client;
  GetClientRect(p.picture, &client);
  const_cast<Preview&>(p).worker->WithPicture([&](const Picture& picture) {
    f.pictureRect = Letterbox(client.right, client.bottom, picture.width, picture.height);
  });
  return f;
}
