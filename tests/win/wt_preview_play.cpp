// Play in the preview, in the program's own main dialog run inside the test.
// On the 640x480 MPEG-4 Visual sample (25 frames a second, one 250-frame
// group) Play advances the picture frame after frame (none skipped) and
// never ahead of the stream's clock (its rate is printed), and Space stops it
// on a frame that the time, the track bar's mark and the picture show, where
// it stays. On the 40-frame MPEG-4 sample the picture Space stops on is
// ffmpeg's frame, and the decoder does no more than each move needs: a step
// to the next frame is one chunk, a key frame decodes alone, the last frame
// of a group decodes that group only.
// A preview whose window cannot be created leaves no handle of it behind,
// and opens the next time.
// Runs in English and Japanese.
#include "tests/win/lib/preview_app.h"

using namespace wt;

namespace {

double Seconds() {
  LARGE_INTEGER now, rate;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&rate);
  return double(now.QuadPart) / double(rate.QuadPart);
}

// "0:00:01.240" as the line under the track bar says a frame of 40 ms.
std::wstring ClockOf(uint32_t frame) {
  const unsigned ms = frame * 40;
  wchar_t text[32];
  swprintf(text, 32, L"0:00:%02u.%03u", ms / 1000, ms % 1000);
  return text;
}

// Space as the keyboard gives it; returns the facts once Play has stopped.
PreviewFacts PressSpaceToStop() {
  PressPreviewKey(VK_SPACE, false, -1);
  PreviewFacts f;
  WaitUntil([&] { return !(f = CurrentPreviewFacts()).playing; });
  return WaitPreview(long(f.current));
}

// Chunks the decoder was sent for a move (move(), then the preview shows
// frame, or anything when frame is -1); the frame's facts in *f.
template <class Move>
long DecodesFor(Move move, long frame, PreviewFacts* f) {
  const uint64_t before = CurrentPreviewFacts().chunksDecoded;
  move();
  *f = WaitPreview(frame);
  if (frame >= 0) WT_CHECK_EQ(long(f->current), frame);
  return long(f->chunksDecoded - before);
}

// The preview's window procedure, except that its creation fails after its
// own WM_CREATE has run (as it does under Wine without a display).
WNDPROC previewProc = nullptr;
LRESULT CALLBACK FailingCreation(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallWindowProcW(previewProc, window, message, wParam, lParam);
  return message == WM_CREATE ? -1 : result;
}
LRESULT CALLBACK SpoilPreviewCreation(int code, WPARAM wParam, LPARAM lParam) {
  HWND window = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_CREATEWND && ClassOf(window) == "TavrinPreview")
    previewProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FailingCreation)));
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

int main() {
  if (!Begin(60000)) return Summary();
  InProcess app;
  app.Start(0, MakeDir("play"), 0);

  Case("640x480 MPEG-4: Play runs at 25 frames a second, frame by frame; Space stops on the frame shown");
  {
    const std::string avi = PreviewSample("mpeg4_640.avi");
    WT_CHECK(FileExists(avi));
    const PreviewFacts opened = OpenFromSplitTab(app, avi);
    WT_CHECK_EQ(opened.frames, 200u);
    WT_CHECK_EQ(TextW(GetDlgItem(PreviewWindow(), kPreviewPlay)), Lang(L"Play", L"\u518D\u751F"));
    PressPreviewKey(VK_SPACE, false, -1);
    WT_CHECK(WaitUntil([] { return CurrentPreviewFacts().playing; }, 3000));
    WT_CHECK_EQ(TextW(GetDlgItem(PreviewWindow(), kPreviewPlay)), Lang(L"Stop", L"\u505C\u6B62"));
    // Every frame shown in turn: over 3 s of play, the picture moved on by
    // as many frames as Play showed (a player that skips frames to keep up
    // would move on further). The rate is printed, not held: a busy machine
    // plays slower, never faster.
    const PreviewFacts before = CurrentPreviewFacts();
    const double startedAt = Seconds();
    WaitUntil([&] { return Seconds() - startedAt > 3.0; }, 4000);
    const PreviewFacts after = CurrentPreviewFacts();
    const double elapsed = Seconds() - startedAt;
    const uint32_t moved = after.current - before.current, shown = after.playShown - before.playShown;
    std::printf("   %u frames in %.3f s: %.2f frames a second\n", moved, elapsed, moved / elapsed);
    WT_CHECK(moved > 0);
    WT_CHECK_EQ(moved, shown);
    WT_CHECK(moved <= uint32_t(elapsed * 25.0) + 2);  // never ahead of the stream's clock

    const PreviewFacts stopped = PressSpaceToStop();
    WT_CHECK_EQ(TextW(GetDlgItem(PreviewWindow(), kPreviewPlay)), Lang(L"Play", L"\u518D\u751F"));
    Sleep(300);
    const PreviewFacts later = WaitPreview();
    WT_CHECK_EQ(later.current, stopped.current);
    WT_CHECK(later.current >= after.current);
    WT_CHECK(later.pictureShown);
    Check(later.infoText.find(ClockOf(later.current)) != std::wstring::npos, "the time: " + Show(later.infoText),
          __FILE__, __LINE__);
    const Capture bar = PrintedClient(later.timeline);
    WT_CHECK_EQ(Hex(bar.At(later.Timeline(later.current), 6)), Hex(0x000000));
  }

  Case("MPEG-4 with 40 frames: Play from a frame, Space stops on ffmpeg's picture of the frame shown");
  {
    const std::string name = "mpeg4";
    const std::vector<Grid> references = ReferenceFrames(PreviewSample(name + ".bgr"), kPreviewWidth, kPreviewHeight);
    OpenFromSplitTab(app, PreviewSample(name + ".avi"));
    Seek(7);
    WaitPreview(7);
    PressPreviewButton(kPreviewPlay);
    WT_CHECK(WaitUntil([] { return CurrentPreviewFacts().current > 12; }, 10000));
    const PreviewFacts stopped = PressSpaceToStop();
    WT_CHECK(stopped.current > 12);
    CheckPicture(name, references, long(stopped.current));
    PressPreviewButton(kPreviewLast);
    WaitPreview(39);
    PressPreviewButton(kPreviewPlay);  // nothing after the last frame to play
    WT_CHECK(!WaitPreview(39).playing);
  }

  Case("MPEG-4 with 40 frames: a step is one decode, a key frame decodes alone, a group's last frame that group");
  {
    PreviewFacts f;  // the preview shows the sample's last frame
    WT_CHECK_EQ(DecodesFor([] { PressPreviewButton(kPreviewFirst); }, 0, &f), 1L);
    for (long frame = 1; frame <= 3; ++frame)
      WT_CHECK_EQ(DecodesFor([] { PressPreviewButton(kPreviewNext); }, frame, &f), 1L);
    // The second and third key frames, each decoded alone (not on from the
    // key frame before).
    const long second = long(DecodesFor([] { PressPreviewButton(kPreviewNextKey); }, -1, &f) == 1 ? f.current : 0);
    const long third = long(DecodesFor([] { PressPreviewButton(kPreviewNextKey); }, -1, &f) == 1 ? f.current : 0);
    WT_CHECK(second > 3 && third > second);
    WT_CHECK(f.entryKnown && f.entry.key);
    WT_CHECK_EQ(DecodesFor([] { PressPreviewButton(kPreviewFirst); }, 0, &f), 1L);
    WT_CHECK_EQ(DecodesFor([&] { Seek(uint32_t(second)); }, second, &f), 1L);  // the track bar
    WT_CHECK_EQ(DecodesFor([&] { Seek(uint32_t(second + 2)); }, second + 2, &f), 2L);  // on from there
    // From the last group to the second group's last frame: that group, from its key frame.
    DecodesFor([] { PressPreviewButton(kPreviewLast); }, 39, &f);
    WT_CHECK_EQ(DecodesFor([&] { Seek(uint32_t(third - 1)); }, third - 1, &f), third - second);
  }

  Case("a preview whose window cannot be created leaves no handle behind; the next one opens");
  {
    PostMessageW(PreviewWindow(), WM_CLOSE, 0, 0);  // on its own thread
    WT_CHECK(WaitUntil([] { return PreviewWindow() == nullptr; }));
    const DWORD mainThread = GetWindowThreadProcessId(app.main, nullptr);
    HHOOK hook = SetWindowsHookExW(WH_CBT, SpoilPreviewCreation, nullptr, mainThread);
    WT_CHECK(hook != nullptr);
    SendMessageW(app.main, WM_COMMAND, MAKEWPARAM(IDM_PREVIEW, 0), 0);
    UnhookWindowsHookEx(hook);
    WT_CHECK(previewProc != nullptr);  // the creation was spoilt
    Check(PreviewWindow() == nullptr,
          "no preview window, yet a handle of it (a window: " + Show(IsWindow(PreviewWindow()) != 0) + ")", __FILE__,
          __LINE__);
    WT_CHECK(!CurrentPreviewFacts().open);
    const PreviewFacts opened = OpenFromSplitTab(app, PreviewSample("mpeg4.avi"));
    WT_CHECK(opened.open && opened.pictureShown);
  }
  app.Stop();
  return Summary();
}
