// The Split tab's Exact cut box in the program's own main window, run inside
// the test: a time split at 1.5 s makes the first file of exactly
// ceil(1.5 x 25) = 38 frames and the second from frame 38, its head before
// the next key frame re-encoded, as `tavrin split --exact` (the native
// command line, TAVRIN_CLI) makes them; the result box names the files and
// the frames re-encoded. "2nd file only" makes the second file alone, from
// the split point less the overlap. The box's state outlives the window.
// Runs in English and Japanese.
#include "tests/win/lib/files.h"
#include "tests/win/lib/tools.h"

using namespace wt;

namespace {

const char* kSample = "ffmpeg_mpeg4_pcm_g12.avi";  // 25 frames a second, a key frame every 12

std::wstring SplitProgressTitle() { return Lang(L"Tavrin - Split", L"Tavrin - \u5206\u89E3"); }

long TotalFrames(const std::string& path) { return long(AvihField(path, 4)); }

// Runs the Split page's split at seconds with Exact cut ticked; the boxes shown.
std::vector<std::wstring> ExactSplit(const InProcess& app, const char* seconds, int create, const char* overlap = "0") {
  SetDlgItemTextA(app.main, IDC_HOURS, "");
  SetDlgItemTextA(app.main, IDC_MINUTES, "");
  SetDlgItemTextA(app.main, IDC_SECONDS, seconds);
  SetDlgItemTextA(app.main, IDC_OVERLAP, overlap);
  Click(app.main, IDC_BY_TIME);
  Click(app.main, create);
  if (IsDlgButtonChecked(app.main, IDC_SPLIT_MERGE) == BST_CHECKED) Click(app.main, IDC_SPLIT_MERGE);
  if (IsDlgButtonChecked(app.main, IDC_SPLIT_EXACT) != BST_CHECKED) Click(app.main, IDC_SPLIT_EXACT);
  Post(app.main, IDC_EXECUTE);
  return FollowJob(app.main, SplitProgressTitle());
}

}  // namespace

int main() {
  if (!Begin(60000)) return Summary();
  const std::string folder = MakeDir("exact");
  const std::string reference = MakeDir("reference");
  InProcess app;
  const std::string clip = StartWithClip(app, folder, kSample);
  const long frames = TotalFrames(clip);

  Case("the Exact cut box starts unticked, beside Split-Merge on the Split page");
  WT_CHECK(IsDlgButtonChecked(app.main, IDC_SPLIT_EXACT) == BST_UNCHECKED);
  WT_CHECK(IsWindowVisible(app.Item(IDC_SPLIT_EXACT)));
  WT_CHECK_EQ(AppToolSettings().splitExact, 0);

  Case("split at 1.5 s exactly: 38 frames, then the rest from frame 38 with 10 frames re-encoded");
  {
    const std::vector<std::wstring> boxes = ExactSplit(app, "1.5", IDC_CREATE_BOTH);
    if (WT_CHECK_EQ(boxes.size(), size_t(1))) {
      const std::wstring& box = boxes[0];
      WT_CHECK_EQ(box.rfind(Lang(L"Completed:", L"\u5B8C\u4E86\u3057\u307E\u3057\u305F"), 0), size_t(0));
      // The key frames are 36 and 48: the second file's 38 .. 47 are made anew.
      WT_CHECK(box.find(Lang(L"10 frames re-encoded at 1 seam",
                             L"1 \u304B\u6240\u306E\u3064\u306A\u304E\u76EE\u3067 10 \u30D5\u30EC\u30FC\u30E0")) !=
               std::wstring::npos);
      WT_CHECK(box.find(L"1 seams") == std::wstring::npos);  // one seam, in the singular
      WT_CHECK(box.find(L"clip-1.avi") != std::wstring::npos);
      WT_CHECK(box.find(L"clip-2.avi") != std::wstring::npos);
    }
    const std::string first = folder + "\\clip-1.avi", second = folder + "\\clip-2.avi";
    WT_CHECK(LooksLikeWholeAvi(first));
    WT_CHECK(LooksLikeWholeAvi(second));
    WT_CHECK_EQ(TotalFrames(first), 38L);
    WT_CHECK_EQ(TotalFrames(second), frames - 38);
    WT_CHECK_EQ(DecodedFrames(first), std::string("38"));
    WT_CHECK_EQ(DecodedFrames(second), std::to_string(frames - 38));
    WT_CHECK_EQ(std::string(AppJobState().firstOutputPath), first);
    WT_CHECK_EQ(std::string(AppJobState().secondOutputPath), second);
    // The command line's split --exact keeps the same frames.
    const std::string json = NativeTavrin("split " + ShellPath(clip) + " --seconds 1.5 --exact --json --output-dir " +
                                              ShellPath(reference),
                                          reference + "\\split.json");
    WT_CHECK(json.find("\"reencoded_frames\": 10") != std::string::npos);
    WT_CHECK_EQ(TotalFrames(reference + "\\clip-1.avi"), 38L);
    WT_CHECK_EQ(TotalFrames(reference + "\\clip-2.avi"), frames - 38);
    WT_CHECK_EQ(AppToolSettings().splitExact, 1);
  }

  Case("2nd file only with Exact cut: the second file alone, from frame 25 (2 s less the 1 s overlap), 11 made");
  {
    DeleteFileA((folder + "\\clip-1.avi").c_str());
    DeleteFileA((folder + "\\clip-2.avi").c_str());
    const std::vector<std::wstring> boxes = ExactSplit(app, "2", IDC_CREATE_SECOND, "1");
    // ceil((2 - 1) x 25) = 25, after the key frame 24: 25 .. 35 made anew.
    if (WT_CHECK_EQ(boxes.size(), size_t(1)))
      WT_CHECK(boxes[0].find(Lang(L"11 frames re-encoded at 1 seam",
                                  L"1 \u304B\u6240\u306E\u3064\u306A\u304E\u76EE\u3067 11 \u30D5\u30EC\u30FC\u30E0")) !=
               std::wstring::npos);
    const std::string second = folder + "\\clip-2.avi";
    WT_CHECK(!FileExists(folder + "\\clip-1.avi"));
    WT_CHECK(LooksLikeWholeAvi(second));
    WT_CHECK_EQ(TotalFrames(second), frames - 25);
    WT_CHECK_EQ(DecodedFrames(second), std::to_string(frames - 25));
    WT_CHECK_EQ(std::string(AppJobState().secondOutputPath), second);
  }

  Case("the box as left is shown again when the window opens anew");
  app.Stop();
  app.Start(0, folder);
  WT_CHECK(IsDlgButtonChecked(app.main, IDC_SPLIT_EXACT) == BST_CHECKED);
  app.Stop();
  return Summary();
}
