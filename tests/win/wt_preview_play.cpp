// Play in the preview, in the program's own main dialog run inside the test.
// On the 640x480 MPEG-4 Visual sample (25 frames a second, one 250-frame
// group) Play advances the picture frame after frame (none skipped) and
// never ahead of the stream's clock (its rate is printed), and Space stops it
// on a frame that the time, the track bar's mark and the picture show, where
// it stays. On the 40-frame MPEG-4 sample the picture Space stops on is
// ffmpeg's frame.
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
  app.Stop();
  return Summary();
}
