// The Cut dialog from the program's own main window, run inside the test: it
// opens for the Split page's file, keeps the ranges added sorted by start and
// shows the frames each keeps once snapped, and Cut writes under the progress
// dialog the very file that `tavrin cut` (the native command line,
// TAVRIN_CLI) writes for the same ranges; a cut list beside the recording is
// offered and loaded; Cancel leaves nothing behind; the choices are kept.
// Exact cut hands the job the command line's coder: the output keeps the
// very frames asked for (counted by ffprobe) and the result box names the
// frames re-encoded.
// Runs in English and Japanese.
#include <cstdlib>

#include "io/wide_path.h"
#include "tests/win/lib/files.h"
#include "tests/win/lib/tools.h"

using namespace wt;

namespace {

const char* kSample = "ffmpeg_mpeg4_pcm_g12.avi";

std::wstring CutTitle() { return Lang(L"Cut", L"\u30AB\u30C3\u30C8"); }
std::wstring CutProgressTitle() { return Lang(L"Tavrin - Cut", L"Tavrin - \u30AB\u30C3\u30C8"); }

HWND OpenCut(const InProcess& app) { return OpenToolDialog(app, IDM_CUT, CutTitle(), "the cut dialog"); }

std::string Field(HWND dialog, int id) { return TextA(GetDlgItem(dialog, id)); }

void AddRange(HWND dialog, const char* start, const char* end) {
  SetDlgItemTextA(dialog, IDC_CUT_START, start);
  SetDlgItemTextA(dialog, IDC_CUT_END, end);
  Click(dialog, IDC_CUT_ADD);
}

// The frame count in the parentheses that ends a list line ("... (38)"); -1 if none.
long FramesShown(const std::string& line) {
  const size_t open = line.rfind('(');
  return open == std::string::npos ? -1 : std::strtol(line.c_str() + open + 1, nullptr, 10);
}

// The "frames" of each object in the JSON's "ranges" array.
std::vector<long> RangeFrames(const std::string& json) {
  std::vector<long> frames;
  size_t at = json.find("\"ranges\"");
  if (at == std::string::npos || (at = json.find('[', at)) == std::string::npos) return frames;
  int depth = 0;
  for (size_t i = at; i < json.size(); ++i) {
    if (json[i] == '[' || json[i] == '{') ++depth;
    if (json[i] == ']' || json[i] == '}') --depth;
    if (depth == 0) break;
    if (depth == 2 && json.compare(i, 8, "\"frames\"") == 0)
      frames.push_back(std::strtol(json.c_str() + json.find(':', i) + 1, nullptr, 10));
  }
  return frames;
}

long TotalFrames(const std::string& path) { return long(AvihField(path, 4)); }

// `tavrin cut INPUT ARGS --output OUTPUT --json` of the native command line; its JSON.
std::string NativeCut(const std::string& input, const std::string& args, const std::string& output) {
  return NativeTavrin("cut " + ShellPath(input) + " " + args + " --output " + ShellPath(output) + " --json",
                      output + ".json");
}

}  // namespace

int main() {
  if (!Begin(60000)) return Summary();
  const std::string folder = MakeDir("cut");
  const std::string reference = MakeDir("reference");
  InProcess app;
  const std::string clip = StartWithClip(app, folder, kSample);

  Case("Cut opens for the Split page's file: keep, one file, the output beside it");
  HWND cut = OpenCut(app);
  WT_CHECK_EQ(Field(cut, IDC_CUT_FILE), clip);
  WT_CHECK_EQ(Field(cut, IDC_CUT_OUTPUT), folder + "\\clip-c.avi");
  WT_CHECK(IsDlgButtonChecked(cut, IDC_CUT_KEEP) == BST_CHECKED);
  WT_CHECK(IsDlgButtonChecked(cut, IDC_CUT_ONE) == BST_CHECKED);
  WT_CHECK(!Enabled(cut, IDOK));
  // A label's "&" marks its key: shown underlined, never as a character.
  for (HWND child = GetWindow(cut, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char kind[16] = "";
    GetClassNameA(child, kind, sizeof kind);
    const std::wstring text = TextW(child);
    if (lstrcmpiA(kind, "Static") == 0 && text.find(L'&') != std::wstring::npos)
      Check((GetWindowLongW(child, GWL_STYLE) & SS_NOPREFIX) == 0,
            "the label \"" + Utf8FromWide(text) + "\" shows its & as a key, not a character", __FILE__, __LINE__);
  }

  Case("two ranges, sorted by start, each with the frames it keeps as the command line plans them");
  AddRange(cut, "10", "12.5");
  AddRange(cut, "1.5", "3");
  const std::vector<std::string> lines = ListEntries(GetDlgItem(cut, IDC_CUT_LIST));
  const std::string json = NativeCut(clip, "--keep 1.5-3 --keep 10-12.5", reference + "\\cli.avi");
  const std::vector<long> cliFrames = RangeFrames(json);
  if (WT_CHECK_EQ(lines.size(), size_t(2)) && WT_CHECK_EQ(cliFrames.size(), size_t(2))) {
    WT_CHECK_EQ(lines[0].compare(0, 7, "1.5 - 3"), 0);
    WT_CHECK_EQ(lines[1].compare(0, 9, "10 - 12.5"), 0);
    WT_CHECK_EQ(FramesShown(lines[0]), cliFrames[0]);
    WT_CHECK_EQ(FramesShown(lines[1]), cliFrames[1]);
  }
  WT_CHECK(Enabled(cut, IDOK));

  Case("Cut writes under the progress dialog the command line's very file");
  {
    Post(cut, IDOK);
    const std::vector<std::wstring> boxes = FollowJob(cut, CutProgressTitle());
    if (WT_CHECK_EQ(boxes.size(), size_t(1)))
      WT_CHECK_EQ(boxes[0].rfind(Lang(L"Completed:", L"\u5B8C\u4E86\u3057\u307E\u3057\u305F"), 0), size_t(0));
    if (WT_CHECK_EQ(cuts.requests.size(), size_t(1))) {
      const CutRequest& request = cuts.requests.back();
      WT_CHECK_EQ(request.path, clip);
      WT_CHECK_EQ(Show(request.keep), Show(std::vector<std::string>{"1.5-3", "10-12.5"}));
      WT_CHECK(request.drop.empty() && !request.separate && request.output.empty());
      WT_CHECK_EQ(cuts.outcomes.back().Number(), 0);
    }
    const std::string output = folder + "\\clip-c.avi";
    WT_CHECK(LooksLikeWholeAvi(output));
    if (cliFrames.size() == 2) WT_CHECK_EQ(TotalFrames(output), cliFrames[0] + cliFrames[1]);
    WT_CHECK_EQ(TotalFrames(output), TotalFrames(reference + "\\cli.avi"));
    WT_CHECK(ReadBytes(output) == ReadBytes(reference + "\\cli.avi"));
    WT_CHECK(WaitUntil([&] { return !IsWindow(cut); }));
  }

  Case("a cut list beside the recording is offered and, taken, fills the list and the choice");
  {
    WriteBytes(folder + "\\clip.edl", "4.0 6.0 0\r\n20 22.5 3\r\n");
    cut = OpenCut(app);
    HWND box = WaitForMessageBox(cut);
    if (WT_CHECK(box != nullptr)) {
      WT_CHECK(MessageTextW(box).find(L"clip.edl") != std::wstring::npos);
      PressButton(box, IDYES);
    }
    WT_CHECK(WaitUntil([&] { return ListEntries(GetDlgItem(cut, IDC_CUT_LIST)).size() == 2; }));
    WT_CHECK(IsDlgButtonChecked(cut, IDC_CUT_DROP) == BST_CHECKED);
    const std::vector<std::string> loaded = ListEntries(GetDlgItem(cut, IDC_CUT_LIST));
    if (WT_CHECK_EQ(loaded.size(), size_t(2))) WT_CHECK_EQ(loaded[0].compare(0, 5, "4 - 6"), 0);
  }

  Case("Cancel in the cut job: Break, no file left behind; the choices are kept");
  {
    Click(cut, IDC_CUT_SEPARATE);
    WT_CHECK_EQ(Field(cut, IDC_CUT_OUTPUT), clip);
    const std::string before = FilesIn(folder);
    CancelAtFirstReport(cut);
    Post(cut, IDOK);
    WT_CHECK_EQ(AnswerMessageBox(cut), BreakText());
    WT_CHECK_CANCELLED_IN(cut, CutProgressTitle());
    WT_CHECK_EQ(FilesIn(folder), before);
    if (WT_CHECK_EQ(cuts.requests.size(), size_t(2))) {
      WT_CHECK_EQ(Show(cuts.requests.back().drop), Show(std::vector<std::string>{"4-6", "20-22.5"}));
      WT_CHECK(cuts.requests.back().separate);
      WT_CHECK(cuts.outcomes.back().result == CutResult::Cancelled);
    }
    Post(cut, IDCANCEL);
    WT_CHECK(WaitUntil([&] { return !IsWindow(cut); }));
    WT_CHECK_EQ(AppToolSettings().cutDrops, 1);
    WT_CHECK_EQ(AppToolSettings().cutSeparate, 1);
  }

  Case("Exact cut: the command line's coder, the very frames asked for, the frames re-encoded named");
  {
    cut = OpenCut(app);
    HWND offer = WaitForMessageBox(cut);  // the cut list beside the recording, declined
    if (WT_CHECK(offer != nullptr)) PressButton(offer, IDNO);
    WT_CHECK(IsDlgButtonChecked(cut, IDC_CUT_EXACT) == BST_UNCHECKED);
    Click(cut, IDC_CUT_KEEP);
    Click(cut, IDC_CUT_ONE);
    Click(cut, IDC_CUT_EXACT);
    // 25 frames a second, a key frame every 12: frames 38 .. 82, the head
    // 38 .. 47 before key frame 48 made anew.
    AddRange(cut, "1.5", "3.3");
    const std::vector<std::string> shown = ListEntries(GetDlgItem(cut, IDC_CUT_LIST));
    if (WT_CHECK_EQ(shown.size(), size_t(1))) WT_CHECK_EQ(FramesShown(shown[0]), 45L);
    const std::string output = folder + "\\exact.avi";
    SetDlgItemTextA(cut, IDC_CUT_OUTPUT, output.c_str());
    Post(cut, IDOK);
    const std::vector<std::wstring> boxes = FollowJob(cut, CutProgressTitle());
    if (WT_CHECK_EQ(boxes.size(), size_t(1))) {
      WT_CHECK_EQ(boxes[0].rfind(Lang(L"Completed:", L"\u5B8C\u4E86\u3057\u307E\u3057\u305F"), 0), size_t(0));
      WT_CHECK(boxes[0].find(Lang(L"10 frames re-encoded at 1 seam",
                                  L"1 \u304B\u6240\u306E\u3064\u306A\u304E\u76EE\u3067 10 \u30D5\u30EC\u30FC\u30E0")) !=
               std::wstring::npos);
      WT_CHECK(boxes[0].find(L"1 seams") == std::wstring::npos);  // one seam, in the singular
    }
    if (WT_CHECK_EQ(cuts.requests.size(), size_t(3))) {
      WT_CHECK(cuts.requests.back().exact);
      WT_CHECK(cuts.requests.back().coder != nullptr);
      const CutOutcome& outcome = cuts.outcomes.back();
      if (WT_CHECK_EQ(outcome.ranges.size(), size_t(1))) {
        WT_CHECK_EQ(outcome.ranges[0].firstFrame, 38u);
        WT_CHECK_EQ(outcome.ranges[0].reencodedFrames, 10u);
        WT_CHECK(outcome.ranges[0].exact);
      }
    }
    WT_CHECK(LooksLikeWholeAvi(output));
    WT_CHECK_EQ(TotalFrames(output), 45L);
    WT_CHECK_EQ(DecodedFrames(output), std::string("45"));
    const std::string json = NativeCut(clip, "--exact --keep 1.5-3.3", reference + "\\cli-exact.avi");
    WT_CHECK(json.find("\"reencoded_frames\": 10") != std::string::npos);
    WT_CHECK_EQ(TotalFrames(reference + "\\cli-exact.avi"), 45L);
    WT_CHECK(WaitUntil([&] { return !IsWindow(cut); }));
    WT_CHECK_EQ(AppToolSettings().cutExact, 1);
  }

  app.Stop();
  return Summary();
}
