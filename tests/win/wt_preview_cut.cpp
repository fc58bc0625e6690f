// The preview opened from the Cut dialog, in the program's own main dialog
// run inside the test, on the 40-frame MPEG-4 sample (key frames 0, 10, 20,
// 30; the cut keeps whole groups of it): the ranges the dialog plans (the
// frames its list says each keeps) appear on the track bar, kept and
// dropped frames in their two colours (read back from the drawn bar), and
// "Play kept ranges" shows only kept frames, each kept frame in turn, going
// straight from the end of one kept range to the start of the next, and
// stops after the last; from a dropped frame it starts at the next kept one.
// A preview of the Split tab draws no ranges.
// Runs in English and Japanese.
#include "tests/win/lib/preview_app.h"
#include "tests/win/lib/tools.h"
#include "ui/preview_timeline.h"

using namespace wt;

namespace {

uint32_t Colour(COLORREF c) { return Rgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

// The row of the track bar that the ranges fill (its lower half).
constexpr int kRangeRow = 18;

bool IsKept(const std::vector<PreviewRange>& kept, uint32_t frame) {
  for (const PreviewRange& r : kept)
    if (frame >= r.first && frame < r.end) return true;
  return false;
}

// The colour drawn for frame (the middle of its columns, off the current mark).
uint32_t DrawnAt(const PreviewFacts& f, const Capture& bar, uint32_t frame) {
  const int x = (f.Timeline(frame) + f.Timeline(frame + 1)) / 2;
  return bar.At(x, kRangeRow);
}

// Plays the kept ranges from the frame shown, polling the frame about every
// millisecond; returns the frames seen in turn.
std::vector<uint32_t> PlayKept() {
  std::vector<uint32_t> seen{CurrentPreviewFacts().current};
  PressPreviewButton(kPreviewPlayKept);
  WaitUntil([] { return CurrentPreviewFacts().playing; }, 3000);
  for (DWORD end = GetTickCount() + 10000; GetTickCount() < end;) {
    const PreviewFacts f = CurrentPreviewFacts();
    if (f.current != seen.back()) seen.push_back(f.current);
    if (!f.playing) break;
    Sleep(1);
  }
  return seen;
}

}  // namespace

int main() {
  if (!Begin(60000)) return Summary();
  InProcess app;
  app.Start(0, MakeDir("preview-cut"), 0);
  const std::string avi = PreviewSample("mpeg4.avi");

  Case("the Split tab's preview draws no ranges");
  {
    const PreviewFacts f = OpenFromSplitTab(app, avi);
    WT_CHECK(f.kept.empty());
    WT_CHECK(!IsWindowVisible(GetDlgItem(PreviewWindow(), kPreviewPlayKept)));
    const Capture bar = PrintedClient(f.timeline);
    WT_CHECK_EQ(Hex(DrawnAt(f, bar, 20)), Hex(0xFFFFFF));
  }

  Case("the Cut dialog's kept ranges on the track bar: kept and dropped in two colours");
  HWND cut = OpenToolDialog(app, IDM_CUT, Lang(L"Cut", L"\u30AB\u30C3\u30C8"), "the cut dialog");
  SetDlgItemTextA(cut, IDC_CUT_START, "0.1");
  SetDlgItemTextA(cut, IDC_CUT_END, "0.2");
  Click(cut, IDC_CUT_ADD);
  SetDlgItemTextA(cut, IDC_CUT_START, "0.9");
  SetDlgItemTextA(cut, IDC_CUT_END, "1.0");
  Click(cut, IDC_CUT_ADD);
  const std::vector<std::string> lines = ListEntries(GetDlgItem(cut, IDC_CUT_LIST));
  if (WT_CHECK_EQ(lines.size(), size_t(2))) {
    Check(lines[0].find(" 0-9 (10)") != std::string::npos, "the list: " + lines[0], __FILE__, __LINE__);
    Check(lines[1].find(" 20-29 (10)") != std::string::npos, "the list: " + lines[1], __FILE__, __LINE__);
  }
  Click(cut, IDC_CUT_PREVIEW);
  WaitUntil([&] { return CurrentPreviewFacts().link == PreviewLink::Cut && !CurrentPreviewFacts().kept.empty(); });
  PreviewFacts f = WaitPreview();
  std::vector<PreviewRange> kept = f.kept;
  if (WT_CHECK_EQ(kept.size(), size_t(2))) {
    // Kept from the key frame before each start, to the frame of each end.
    WT_CHECK_EQ(kept[0].first, 0u);
    WT_CHECK_EQ(kept[0].end, 10u);
    WT_CHECK_EQ(kept[1].first, 20u);
    WT_CHECK_EQ(kept[1].end, 30u);
  }
  WT_CHECK(IsWindowVisible(GetDlgItem(PreviewWindow(), kPreviewPlayKept)));
  WT_CHECK_EQ(TextW(GetDlgItem(PreviewWindow(), kPreviewPlayKept)), Lang(L"Play kept ranges", L"\u6B8B\u3059\u7BC4\u56F2\u3092\u518D\u751F"));
  Seek(0);
  f = WaitPreview(0);
  const Capture bar = PrintedClient(f.timeline);
  int wrong = 0;
  for (uint32_t frame = 0; frame + 1 < f.frames; ++frame) {
    const uint32_t want = Colour(IsKept(kept, frame) ? kTimelineKept : kTimelineDropped);
    if (DrawnAt(f, bar, frame) != want && ++wrong <= 3)
      Check(false, "frame " + std::to_string(frame) + " drawn " + Hex(DrawnAt(f, bar, frame)) + ", want " + Hex(want),
            __FILE__, __LINE__);
  }
  WT_CHECK_EQ(wrong, 0);

  Case("Play kept ranges shows each kept frame in turn and never a dropped one, then stops");
  {
    const uint32_t playShownBefore = CurrentPreviewFacts().playShown;
    const std::vector<uint32_t> seen = PlayKept();
    std::string shown;
    for (uint32_t frame : seen) shown += std::to_string(frame) + " ";
    std::printf("   frames shown: %s\n", shown.c_str());
    std::vector<uint32_t> want;
    for (const PreviewRange& r : kept)
      for (uint32_t frame = r.first; frame < r.end; ++frame) want.push_back(frame);
    // The poll may miss a frame on a busy machine; what it saw is in order
    // and kept, from the first kept frame to the last, and Play showed every
    // kept frame after the first (its count of frames shown).
    bool inOrder = true;
    for (size_t i = 0; i < seen.size(); ++i) {
      if (!IsKept(kept, seen[i])) Check(false, "a dropped frame shown: " + std::to_string(seen[i]), __FILE__, __LINE__);
      if (i && seen[i] <= seen[i - 1]) inOrder = false;
    }
    WT_CHECK(inOrder);
    WT_CHECK(!seen.empty() && seen.front() == want.front() && seen.back() == want.back());
    const PreviewFacts stopped = WaitPreview();
    WT_CHECK_EQ(stopped.playShown - playShownBefore, uint32_t(want.size() - 1));
    WT_CHECK(!stopped.playing);
    WT_CHECK_EQ(TextW(GetDlgItem(PreviewWindow(), kPreviewPlayKept)), Lang(L"Play kept ranges", L"\u6B8B\u3059\u7BC4\u56F2\u3092\u518D\u751F"));
    WT_CHECK(stopped.pictureShown);
  }

  Case("a dropped frame shown: Play kept ranges starts at the next kept one; Space stops it");
  {
    Seek(12);
    WaitPreview(12);
    PressPreviewButton(kPreviewPlayKept);
    WT_CHECK(WaitUntil([] { return CurrentPreviewFacts().playingKept; }, 3000));
    const uint32_t first = CurrentPreviewFacts().current;
    WT_CHECK(first >= 20 && first < 30);
    WT_CHECK_EQ(TextW(GetDlgItem(PreviewWindow(), kPreviewPlayKept)), Lang(L"Stop", L"\u505C\u6B62"));
    PressPreviewKey(VK_SPACE, false, -1);
    WT_CHECK(WaitUntil([] { return !CurrentPreviewFacts().playing; }, 3000));
    WT_CHECK(IsKept(kept, CurrentPreviewFacts().current));
  }

  Case("ranges removed: the bar shows none and Play kept ranges is off");
  SendMessageW(GetDlgItem(cut, IDC_CUT_LIST), LB_SETCURSEL, 0, 0);
  Click(cut, IDC_CUT_REMOVE);
  SendMessageW(GetDlgItem(cut, IDC_CUT_LIST), LB_SETCURSEL, 0, 0);
  Click(cut, IDC_CUT_REMOVE);
  WT_CHECK(WaitUntil([] { return CurrentPreviewFacts().kept.empty(); }, 3000));
  WT_CHECK(!IsWindowEnabled(GetDlgItem(PreviewWindow(), kPreviewPlayKept)));
  f = WaitPreview();
  WT_CHECK_EQ(Hex(DrawnAt(f, PrintedClient(f.timeline), 20)), Hex(0xFFFFFF));

  PostMessageA(cut, WM_COMMAND, IDCANCEL, 0);
  WT_CHECK(WaitUntil([] { return PreviewWindow() == nullptr; }, 5000));  // it ends with the dialog
  app.Stop();
  return Summary();
}
