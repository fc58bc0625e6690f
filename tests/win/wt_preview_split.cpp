// The preview linked to the Split tab, in the program's own main dialog run
// inside the test: as the time and overlap are typed it shows the key frame
// the split cuts at (ffmpeg's picture of it), with the cut and the second
// file's start drawn on the track bar and said under it, or the split's own
// refusal; "Use as split time" fills the fields so that a split then gives a
// first file ending just before the frame shown; a format without a decoder
// (an MPEG-4 file whose FourCC is made one no decoder knows) names its FourCC
// and says the cut still works, and keys, times and stepping do; the buttons speak the run's language; the window's place is kept.
// Runs in English and Japanese.
#include "avi/avi_source.h"
#include "avi/key_frame_list.h"
#include "tests/win/lib/preview_app.h"
#include "tests/win/lib/tools.h"

using namespace wt;

namespace {

// The video frames of an output (a split writes frames 0 .. cut - 1 into the first).
long FramesOf(const std::string& path) {
  AviSource source;
  AviAnalysis analysis{};
  KeyFrameList list;
  if (!source.Open(path.c_str()) || !source.Analyse(analysis, nullptr, 0, 10) ||
      ListKeyFrames(source, analysis, &list) != FrameListProblem::None)
    return -1;
  return long(list.frames);
}

// Copies from to to with every "FMP4" of its first 4 KiB (strh's handler,
// strf's compression) made "TVZZ", a FourCC neither FFmpeg nor Wine decodes.
bool CopyWithUnknownCodec(const std::string& from, const std::string& to) {
  if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) return false;
  FILE* file = std::fopen(to.c_str(), "r+b");
  if (!file) return false;
  char head[4096];
  const size_t got = std::fread(head, 1, sizeof head, file);
  int changed = 0;
  for (size_t i = 0; i + 4 <= got; ++i)
    if (std::memcmp(head + i, "FMP4", 4) == 0) std::memcpy(head + i, "TVZZ", 4), ++changed;
  const bool written = std::fseek(file, 0, SEEK_SET) == 0 && std::fwrite(head, 1, got, file) == got;
  return std::fclose(file) == 0 && written && changed == 2;
}

// "1.2" for 1,200,000 microseconds, "2" for 2,000,000.
std::wstring SecondsText(uint64_t micros) {
  std::wstring text = std::to_wstring(micros / 1000000);
  if (micros % 1000000 == 0) return text;
  std::wstring fraction = std::to_wstring(1000000 + micros % 1000000).substr(1);
  while (fraction.back() == L'0') fraction.pop_back();
  return text + L"." + fraction;
}

// The first key frame at or after frame, the last at or before it.
long KeyFrom(const std::vector<long>& keys, long frame) {
  for (long k : keys)
    if (k >= frame) return k;
  return -1;
}
long KeyUpTo(const std::vector<long>& keys, long frame) {
  long found = -1;
  for (long k : keys)
    if (k <= frame) found = k;
  return found;
}

}  // namespace

int main() {
  if (!Begin(58000)) return Summary();
  const std::string folder = MakeDir("split");
  const std::string clip = folder + "\\clip.avi";
  CopyFileA(PreviewSample("cinepak.avi").c_str(), clip.c_str(), FALSE);
  CliKeyFrames listing(clip);
  const std::vector<Grid> references = ReferenceFrames(PreviewSample("cinepak.bgr"), kPreviewWidth, kPreviewHeight);
  InProcess app;
  app.Start(0, folder, 0);
  RecordToolJobs();
  OpenFromSplitTab(app, clip);
  const std::vector<long> keys = listing.Frames();

  Case("as the fields change: the cut's key frame shown, the cut and the second file's start on the track bar");
  {
    // 0.9 s is frame 22.5: the cut lands on the first key frame from frame
    // 23; the second file starts at the key frame at or before 0.5 s before.
    const long cut = KeyFrom(keys, 23);
    const long second = KeyUpTo(keys, (cut * 40000 - 500000) / 40000);
    SetField(app, IDC_HOURS, "0");
    SetField(app, IDC_MINUTES, "0");
    SetField(app, IDC_SECONDS, "0.9");  // each change is followed, no focus change needed
    SetField(app, IDC_OVERLAP, "0.5");
    const PreviewFacts f = WaitPreview(cut);
    WT_CHECK(f.hasCut);
    WT_CHECK_EQ(long(f.cut), cut);
    WT_CHECK_EQ(long(f.secondStart), second);
    CheckPicture("the cut", references, cut);
    // The cut in red (beside the black mark of the frame shown), the second
    // file's start in blue, the overlap shaded between them.
    const Capture bar = PrintedClient(f.timeline);
    WT_CHECK_EQ(Hex(bar.At(f.Timeline(f.cut) + 1, 6)), Hex(0xDC0000));
    WT_CHECK_EQ(Hex(bar.At(f.Timeline(f.secondStart) + 1, 6)), Hex(0x005ADC));
    WT_CHECK_EQ(Hex(bar.At((f.Timeline(f.cut) + f.Timeline(f.secondStart)) / 2 + 1, 18)), Hex(0xFFD796));
    const std::wstring said = Lang(L"cut: frame ", L"\u5206\u89E3\u4F4D\u7F6E: \u30D5\u30EC\u30FC\u30E0 ") +
                              std::to_wstring(cut);
    Check(f.planText.find(said) != std::wstring::npos, "said: " + Show(f.planText), __FILE__, __LINE__);

    // Another time: the preview moves along; a time past the end says so.
    SetField(app, IDC_SECONDS, "0.6");
    WT_CHECK_EQ(long(WaitPreview().current), KeyFrom(keys, 15));
    SetField(app, IDC_SECONDS, "9");
    const PreviewFacts late = WaitPreview();
    WT_CHECK(!late.hasCut);
    const std::wstring tooLong = Lang(L"[Time] is too long",
                                      L"\u300C\u6642\u9593\u6307\u5B9A\u300D\u5024\u304C\u9577\u3059\u304E\u307E\u3059");
    Check(late.planText.find(tooLong) != std::wstring::npos, "said: " + Show(late.planText), __FILE__, __LINE__);
  }

  Case("Use as split time, then a split: the first file ends just before the frame shown");
  {
    long target = -1;
    for (long k : keys)
      if (k > 0 && k < 39 && k != KeyFrom(keys, 15)) target = k;  // a key frame the fields did not name
    Seek(uint32_t(target + 1));  // not a key frame: the button is off
    WaitPreview(target + 1);
    WT_CHECK(IsWindowEnabled(GetDlgItem(PreviewWindow(), kPreviewUseAsSplitTime)) == 0);
    Seek(uint32_t(target));
    WaitPreview(target);
    PressPreviewButton(kPreviewUseAsSplitTime);
    const PreviewFacts f = WaitPreview(target);
    WT_CHECK(f.hasCut);
    WT_CHECK_EQ(long(f.cut), target);
    WT_CHECK_EQ(app.ItemText(IDC_HOURS), std::wstring(L"0"));
    WT_CHECK_EQ(app.ItemText(IDC_MINUTES), std::wstring(L"0"));
    WT_CHECK_EQ(app.ItemText(IDC_SECONDS), SecondsText(uint64_t(target) * 40000));  // the frame's time, exactly
    SendMessageW(app.Item(IDC_CREATE_FIRST), BM_CLICK, 0, 0);
    PostMessageA(app.main, WM_COMMAND, MAKEWPARAM(IDC_EXECUTE, BN_CLICKED), 0);
    const std::vector<std::wstring> boxes = FollowJob(app.main, Lang(L"Tavrin - Split", L"Tavrin - \u5206\u89E3"));
    WT_CHECK_EQ(boxes.size(), size_t(1));  // Completed
    for (const std::wstring& box : boxes) std::printf("   the split said %s\n", Show(box).c_str());
    WT_CHECK_EQ(FramesOf(folder + "\\clip-1.avi"), target);
  }

  Case("a format without a decoder says so; keys, times and stepping still work");
  {
    const std::string mpeg4 = folder + "\\unknown.avi";
    WT_CHECK(CopyWithUnknownCodec(Env("TAVRIN_SAMPLES") + "\\ffmpeg_mpeg4_pcm_g12.avi", mpeg4));
    SetField(app, IDC_SECONDS, "");
    SetField(app, IDC_SRC_FILE, mpeg4);  // another file in the tab: the preview follows
    WaitUntil([&] { return CurrentPreviewFacts().path == mpeg4; });
    PreviewFacts f = WaitPreview(0);
    WT_CHECK(f.decoderName.empty());
    WT_CHECK(!f.pictureShown);
    const std::wstring none = Lang(L"Neither Tavrin nor this system has a decoder for this format",
                                   L"Tavrin\u306B\u3082\u3053\u306E\u30B7\u30B9\u30C6\u30E0\u306B\u3082");
    Check(f.pictureText.find(none) != std::wstring::npos, "said: " + Show(f.pictureText), __FILE__, __LINE__);
    WT_CHECK(f.pictureText.find(Lang(L"splits and cuts work as always", L"\u30AB\u30C3\u30C8\u306F")) !=
             std::wstring::npos);
    WT_CHECK(f.pictureText.find(Lang(L"Format: TVZZ", L"\u5F62\u5F0F: TVZZ")) != std::wstring::npos);
    PressPreviewButton(kPreviewNextKey);
    f = WaitPreview(12);
    WT_CHECK(f.entryKnown && f.entry.key && f.entry.size > 0);
    WT_CHECK(f.infoText.find(L"0:00:00.480") != std::wstring::npos);
    WT_CHECK(f.infoText.find(Lang(L"key frame", L"\u30AD\u30FC\u30D5\u30EC\u30FC\u30E0")) != std::wstring::npos);
    PressPreviewButton(kPreviewNext);
    f = WaitPreview(13);
    WT_CHECK(f.infoText.find(Lang(L"not a key frame", L"\u30AD\u30FC\u30D5\u30EC\u30FC\u30E0\u3067\u306F\u306A\u3044")) !=
             std::wstring::npos);
  }

  Case("the buttons in the run's language; the place is kept for the next time");
  {
    HWND preview = PreviewWindow();
    WT_CHECK_EQ(TextW(GetDlgItem(preview, kPreviewNextKey)), Lang(L"Key >", L"\u30AD\u30FC >"));
    WT_CHECK_EQ(TextW(GetDlgItem(preview, kPreviewUseAsSplitTime)),
                Lang(L"Use as split time", L"\u5206\u89E3\u6642\u9593\u306B\u6307\u5B9A"));
    WT_CHECK(!IsWindowVisible(GetDlgItem(preview, kPreviewStartHere)));
    SetWindowPos(preview, nullptr, 40, 50, 520, 400, SWP_NOZORDER | SWP_NOACTIVATE);
    WaitPreview();
    WT_CHECK_EQ(AppToolSettings().previewPlace, std::string("40 50 520 400"));
    PostMessageW(preview, WM_CLOSE, 0, 0);
    WT_CHECK(WaitUntil([] { return PreviewWindow() == nullptr; }));
    OpenFromSplitTab(app, clip);
    RECT r = {};
    GetWindowRect(PreviewWindow(), &r);
    WT_CHECK_EQ(std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + " " +
                    std::to_string(r.bottom - r.top),
                std::string("40 50 520 400"));
  }
  app.Stop();
  return Summary();
}
