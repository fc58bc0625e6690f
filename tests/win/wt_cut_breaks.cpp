// Find breaks in the Cut dialog of the program's own main window, run inside
// the test, on a recording ffmpeg makes here whose breaks are known by
// construction (MJPEG, so every frame is a key frame, 25 frames a second,
// PCM sound): black frames 50-74 (2-3 s) over sound, and silence from 5 to
// 6 s over pictures. Cancel while it runs leaves the list and the choice as
// they were; run to the end it fills the list with exactly those two ranges,
// each marked with its kind, and chooses Drop these, so that each drops its
// 25 frames; the preview then marks the black range and Ctrl+Down / Ctrl+Up
// move to its first frame.
// Runs in English and Japanese.
#include "io/wide_path.h"
#include "tests/win/lib/files.h"
#include "tests/win/lib/preview.h"
#include "tests/win/lib/tools.h"

using namespace wt;

namespace {

constexpr long kBlackFirst = 50;

std::wstring CutTitle() { return Lang(L"Cut", L"\u30AB\u30C3\u30C8"); }
std::wstring FindTitle() { return Lang(L"Tavrin - Find Breaks", L"Tavrin - \u533A\u5207\u308A\u691C\u51FA"); }
std::string Mark(const wchar_t* english, const wchar_t* japanese) { return Utf8FromWide(Lang(english, japanese)); }

// Makes the recording with the machine's ffmpeg (a script, so that its
// quotes need no escaping through Wine's command line); its path, "" on failure.
std::string MakeBreaksRecording(const std::string& folder) {
  const std::string avi = folder + "\\breaks.avi";
  const std::string script = folder + "\\make.sh";
  WriteBytes(script,
             "ffmpeg -nostdin -v error -y -f lavfi -i "
             "\"testsrc2=size=160x120:rate=25:duration=8,drawbox=c=black:t=fill:enable='between(n,50,74)'\" "
             "-f lavfi -i \"aevalsrc='if(between(t,5,6),0,0.5*sin(2*PI*440*t))':s=48000:c=stereo:d=8\" "
             "-c:v mjpeg -q:v 3 -c:a pcm_s16le " + ShellPath(avi + ".part.avi") + " && mv " +
                 ShellPath(avi + ".part.avi") + " " + ShellPath(avi) + "\n");
  RunUnix("/bin/sh", UnixPath(script));  // no shell reads this line: no quotes
  return Check(WaitUntil([&] { return FileExists(avi); }, 30000), "ffmpeg made the recording", __FILE__, __LINE__)
             ? avi
             : "";
}

bool StartsWith(const std::string& text, const std::string& head) { return text.compare(0, head.size(), head) == 0; }
bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

int main() {
  if (!Begin(60000)) return Summary();
  const std::string folder = MakeDir("breaks");
  const std::string avi = MakeBreaksRecording(folder);
  if (avi.empty()) return Summary();
  InProcess app;
  RecordToolJobs();
  app.Start(0, folder);
  SetDlgItemTextW(app.main, IDC_SRC_FILE, WideFromUtf8(avi).c_str());
  HWND cut = OpenToolDialog(app, IDM_CUT, CutTitle(), "the cut dialog");
  if (!cut) return Summary();
  HWND list = GetDlgItem(cut, IDC_CUT_LIST);

  Case("Cancel during Find breaks: Break, the list and the choice as they were");
  {
    Click(cut, IDC_CUT_KEEP);
    SetDlgItemTextA(cut, IDC_CUT_START, "1");
    SetDlgItemTextA(cut, IDC_CUT_END, "1.5");
    Click(cut, IDC_CUT_ADD);
    const std::vector<std::string> before = ListEntries(list);
    WT_CHECK_EQ(before.size(), size_t(1));
    CancelAtFirstReport(cut);
    Post(cut, IDC_CUT_FIND_BREAKS);
    WT_CHECK_EQ(AnswerMessageBox(cut), BreakText());
    WT_CHECK_CANCELLED_IN(cut, FindTitle());
    WT_CHECK_EQ(Show(ListEntries(list)), Show(before));
    WT_CHECK(IsDlgButtonChecked(cut, IDC_CUT_KEEP) == BST_CHECKED);
  }

  Case("Find breaks fills the list with the black and the silent range, marked, to drop");
  {
    Post(cut, IDC_CUT_FIND_BREAKS);
    const std::vector<std::wstring> boxes = FollowJob(cut, FindTitle());
    WT_CHECK(boxes.empty());
    WT_CHECK(WaitUntil([&] { return IsDlgButtonChecked(cut, IDC_CUT_DROP) == BST_CHECKED; }));
    const std::vector<std::string> lines = ListEntries(list);
    if (WT_CHECK_EQ(lines.size(), size_t(2))) {
      std::printf("   %s\n   %s\n", lines[0].c_str(), lines[1].c_str());
      WT_CHECK(StartsWith(lines[0], "2 - 3 (" + Mark(L"black", L"\u9ED2\u753B\u9762") + ")"));
      // PCM silence is exact to the sample: its last silent sample is the one at 6 s.
      WT_CHECK(StartsWith(lines[1], "5 - 6.000021 (" + Mark(L"silence", L"\u7121\u97F3") + ")"));
      WT_CHECK(EndsWith(lines[0], " 25"));
      WT_CHECK(EndsWith(lines[1], " 25"));
    }
  }

  Case("the preview marks the black range; Ctrl+Down and Ctrl+Up go to its first frame");
  {
    Post(cut, IDC_CUT_PREVIEW);
    WT_CHECK(WaitUntil([] { return PreviewWindow() != nullptr; }));
    WaitPreview(0);
    WT_CHECK_EQ(long(PressPreviewKey(VK_DOWN, true, kBlackFirst).current), kBlackFirst);
    SendMessageW(PreviewWindow(), WM_APP + 0x52, 62, 0);  // a click on the track bar inside the black range
    WaitPreview(62);
    WT_CHECK_EQ(long(PressPreviewKey(VK_UP, true, kBlackFirst).current), kBlackFirst);
    // Without Ctrl the arrows do nothing of this kind.
    const PreviewFacts plain = PressPreviewKey(VK_DOWN, false, -1);
    WT_CHECK_EQ(long(plain.current), kBlackFirst);
  }

  Post(cut, IDCANCEL);
  WT_CHECK(WaitUntil([&] { return !IsWindow(cut); }));
  app.Stop();
  return Summary();
}
