// The Streams dialog from the program's own main window, run inside the
// test on a real recording with PCM sound: it lists the streams as `tavrin
// info` (the native command line, TAVRIN_CLI) prints them, every one
// checked; Save stream... saves the sound as the WAV `tavrin extract` makes;
// Write with a stream unchecked writes the file `tavrin streams --drop`
// writes; Add sound... and Replace sound... put a WAV in as `tavrin dub
// --add` and `--replace 1 --offset` do, and an offset alone shifts the
// selected sound as `tavrin shift` does. Each output
// is offered under the command line's name in the save dialog, which asks
// before a file that exists is replaced; Cancel leaves nothing behind; a
// file the jobs refuse shows their text.
// Runs in English and Japanese.
#include <windows.h>

#include <commctrl.h>

#include "tests/win/lib/files.h"
#include "tests/win/lib/tools.h"

using namespace wt;

namespace {

const char* kSample = "ffmpeg_mpeg4_pcm_g12.avi";  // stream 0 MPEG-4 video, stream 1 PCM

std::wstring StreamsTitle() { return Lang(L"Streams", L"\u30B9\u30C8\u30EA\u30FC\u30E0"); }
std::wstring StreamsProgressTitle() {
  return Lang(L"Tavrin - Streams", L"Tavrin - \u30B9\u30C8\u30EA\u30FC\u30E0");
}
std::wstring SaveTitle() { return Lang(L"Save Stream", L"\u30B9\u30C8\u30EA\u30FC\u30E0\u3092\u4FDD\u5B58"); }
std::wstring WriteTitle() { return Lang(L"Write File", L"\u66F8\u304D\u8FBC\u3080\u30D5\u30A1\u30A4\u30EB"); }
std::wstring SoundTitle() { return Lang(L"Choose Sound File", L"\u97F3\u58F0\u30D5\u30A1\u30A4\u30EB\u3092\u9078\u629E"); }
std::wstring CompletedText() { return Lang(L"Completed", L"\u5B8C\u4E86"); }

HWND OpenStreams(const InProcess& app) { return OpenToolDialog(app, IDM_STREAMS, StreamsTitle(), "the streams dialog"); }

HWND List(HWND dialog) { return GetDlgItem(dialog, IDC_STREAMS_LIST); }

std::string Cell(HWND list, int row, int column) {
  wchar_t text[512] = {};
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 512;
  SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(row), reinterpret_cast<LPARAM>(&item));
  char narrow[1024] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
  return narrow;
}

// Each row as `tavrin info` prints a stream: "stream N      kind codec, details".
std::vector<std::string> Rows(HWND list) {
  std::vector<std::string> rows;
  const int count = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::string number = Cell(list, i, 0);
    number.resize(std::max<size_t>(number.size(), 7), ' ');
    rows.push_back("stream " + number + Cell(list, i, 1) + " " + Cell(list, i, 2) + ", " + Cell(list, i, 3));
  }
  return rows;
}

// The stream lines of `tavrin info`.
std::vector<std::string> InfoStreamLines(const std::string& path, const std::string& saveAs) {
  const std::string info = NativeTavrin("info " + ShellPath(path), saveAs);
  std::vector<std::string> lines;
  for (size_t at = 0; at < info.size();) {
    size_t end = info.find('\n', at);
    if (end == std::string::npos) end = info.size();
    const std::string line = info.substr(at, end - at);
    if (line.compare(0, 7, "stream ") == 0) lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

int Selected(HWND dialog) { return int(SendMessageW(List(dialog), LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); }

void Select(HWND dialog, int row) {
  ListView_SetItemState(List(dialog), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

std::string Show(const std::vector<int>& numbers) {
  std::string out = "[";
  for (int n : numbers) out += " " + std::to_string(n);
  return out + " ]";
}

// Presses id, takes the name the save dialog offers and follows the job;
// returns the offered name, the job's boxes in *boxes.
std::wstring SaveAsOffered(HWND dialog, int id, const std::wstring& title, std::vector<std::wstring>* boxes) {
  Post(dialog, id);
  const std::wstring offered = AnswerFileDialog(dialog, title, L"");
  *boxes = FollowJob(dialog, StreamsProgressTitle());
  return offered;
}

bool StartsWith(const std::wstring& text, const std::wstring& start) { return text.compare(0, start.size(), start) == 0; }

}  // namespace

int main() {
  if (!Begin(90000)) return Summary();
  const std::string folder = MakeDir("streams");
  const std::string reference = MakeDir("reference");
  InProcess app;
  const std::string clip = StartWithClip(app, folder, kSample);

  Case("Streams opens for the Split page's file: the streams as tavrin info prints them, all checked, the sound selected");
  HWND streams = OpenStreams(app);
  WT_CHECK_EQ(TextA(GetDlgItem(streams, IDC_STREAMS_FILE)), clip);
  const std::vector<std::string> info = InfoStreamLines(clip, reference + "\\info.txt");
  WT_CHECK_EQ(info.size(), size_t(2));
  WT_CHECK_EQ(Show(Rows(List(streams))), Show(info));
  for (int row = 0; row < 2; ++row) WT_CHECK(ListView_GetCheckState(List(streams), row));
  WT_CHECK_EQ(Selected(streams), 1);
  WT_CHECK(Enabled(streams, IDC_STREAMS_SAVE) && Enabled(streams, IDC_STREAMS_REPLACE) && Enabled(streams, IDOK));
  WT_CHECK(!Enabled(streams, IDC_STREAMS_NO_SOUND));
  Select(streams, 0);
  WT_CHECK(!Enabled(streams, IDC_STREAMS_REPLACE));  // the video holds no sound to replace
  Select(streams, 1);

  Case("Save stream... offers clip.1.wav and saves the very WAV of tavrin extract");
  const std::string wav = folder + "\\clip.1.wav";
  {
    std::vector<std::wstring> boxes;
    WT_CHECK_EQ(SaveAsOffered(streams, IDC_STREAMS_SAVE, SaveTitle(), &boxes), std::wstring(L"clip.1.wav"));
    if (WT_CHECK_EQ(boxes.size(), size_t(1))) WT_CHECK(StartsWith(boxes[0], CompletedText()));
    if (WT_CHECK_EQ(extracts.requests.size(), size_t(1))) {
      WT_CHECK_EQ(extracts.requests[0].path, clip);
      WT_CHECK_EQ(extracts.requests[0].stream, 1);
      WT_CHECK_EQ(extracts.requests[0].output, std::string());
    }
    NativeTavrin("extract " + ShellPath(clip) + " --stream 1 --output " + ShellPath(reference + "\\cli.wav"),
                 reference + "\\extract.txt");
    const std::string saved = ReadBytes(wav);
    WT_CHECK(saved.compare(0, 4, "RIFF") == 0 && saved.compare(8, 4, "WAVE") == 0);
    WT_CHECK(saved.size() > 1000000 && saved == ReadBytes(reference + "\\cli.wav"));
    WT_CHECK(IsWindow(streams));  // the dialog stays for more
  }

  Case("Write with the sound unchecked: clip-s.avi offered, the file of tavrin streams --drop 1");
  const std::string dropped = folder + "\\clip-s.avi";
  {
    ListView_SetCheckState(List(streams), 1, FALSE);
    std::vector<std::wstring> boxes;
    WT_CHECK_EQ(SaveAsOffered(streams, IDOK, WriteTitle(), &boxes), std::wstring(L"clip-s.avi"));
    if (WT_CHECK_EQ(boxes.size(), size_t(1))) WT_CHECK(StartsWith(boxes[0], CompletedText()));
    if (WT_CHECK_EQ(streamChoices.requests.size(), size_t(1))) {
      const StreamSelectRequest& r = streamChoices.requests[0];
      WT_CHECK_EQ(r.path, clip);
      WT_CHECK_EQ(Show(r.drop), Show(std::vector<int>{1}));
      WT_CHECK(r.keep.empty() && r.output.empty() && !r.writer.clone);
    }
    NativeTavrin("streams " + ShellPath(clip) + " --drop 1 --output " + ShellPath(reference + "\\cli-s.avi"),
                 reference + "\\streams.txt");
    WT_CHECK(LooksLikeWholeAvi(dropped));
    WT_CHECK_EQ(AvihField(dropped, 6), 1LL);                      // dwStreams
    WT_CHECK_EQ(AvihField(dropped, 4), AvihField(clip, 4));      // dwTotalFrames
    WT_CHECK(ReadBytes(dropped) == ReadBytes(reference + "\\cli-s.avi"));
    WT_CHECK(WaitUntil([&] { return !IsWindow(streams); }));  // a completed Write closes the dialog
  }

  Case("an output that exists is replaced only after the save dialog's question: No writes nothing");
  {
    streams = OpenStreams(app);
    ListView_SetCheckState(List(streams), 1, FALSE);
    WriteBytes(dropped, "kept");
    Post(streams, IDOK);
    AnswerFileDialog(streams, WriteTitle(), L"");
    HWND save = WaitForDialog(streams, WriteTitle());
    HWND question = save ? WaitForMessageBox(save) : nullptr;
    if (WT_CHECK(question != nullptr)) {
      // Wine asks "File already exists. Do you want to replace it?" (Windows names the file).
      WT_CHECK(GetDlgItem(question, IDYES) != nullptr && GetDlgItem(question, IDNO) != nullptr);
      PressButton(question, IDNO);
    }
    if (save) PostMessageA(save, WM_COMMAND, IDCANCEL, 0);
    WT_CHECK(WaitUntil([&] { return !IsWindow(save); }));
    WT_CHECK_EQ(ReadBytes(dropped), std::string("kept"));
    WT_CHECK_EQ(streamChoices.requests.size(), size_t(1));
  }

  Case("Cancel in the streams job: Break, nothing left behind, the dialog stays");
  {
    DeleteFileA(dropped.c_str());
    const std::string before = FilesIn(folder);
    CancelAtFirstReport(streams);
    Post(streams, IDOK);
    AnswerFileDialog(streams, WriteTitle(), L"");
    WT_CHECK_EQ(AnswerMessageBox(streams), BreakText());
    WT_CHECK_CANCELLED_IN(streams, StreamsProgressTitle());
    WT_CHECK_EQ(FilesIn(folder), before);
    if (WT_CHECK_EQ(streamChoices.outcomes.size(), size_t(2)))
      WT_CHECK(streamChoices.outcomes[1].result == StreamsResult::Cancelled);
    WT_CHECK(IsWindow(streams));
  }

  Case("Add sound... puts the saved WAV in as a new stream: clip-d.avi, the file of tavrin dub --add");
  {
    Post(streams, IDC_STREAMS_ADD);
    AnswerFileDialog(streams, SoundTitle(), std::wstring(wav.begin(), wav.end()));
    WT_CHECK(WaitUntil([&] { return TextA(GetDlgItem(streams, IDC_STREAMS_SOUND)).find(wav) != std::string::npos; }));
    WT_CHECK(Enabled(streams, IDC_STREAMS_NO_SOUND));
    std::vector<std::wstring> boxes;
    WT_CHECK_EQ(SaveAsOffered(streams, IDOK, WriteTitle(), &boxes), std::wstring(L"clip-d.avi"));
    if (WT_CHECK_EQ(boxes.size(), size_t(1))) WT_CHECK(StartsWith(boxes[0], CompletedText()));
    if (WT_CHECK_EQ(dubs.requests.size(), size_t(1))) {
      const DubRequest& r = dubs.requests[0];
      WT_CHECK_EQ(r.path, clip);
      WT_CHECK_EQ(r.audio, wav);
      WT_CHECK(r.add && r.replace < 0 && !r.shift && r.offset.empty() && r.output.empty());
    }
    NativeTavrin("dub " + ShellPath(clip) + " " + ShellPath(wav) + " --add --output " +
                     ShellPath(reference + "\\cli-d.avi"),
                 reference + "\\dub.txt");
    const std::string dubbed = folder + "\\clip-d.avi";
    WT_CHECK_EQ(AvihField(dubbed, 6), 3LL);
    WT_CHECK(ReadBytes(dubbed) == ReadBytes(reference + "\\cli-d.avi"));
    WT_CHECK(WaitUntil([&] { return !IsWindow(streams); }));
  }

  Case("an offset with no sound file shifts the selected sound: clip-o.avi, the file of tavrin shift");
  {
    streams = OpenStreams(app);
    SetDlgItemTextA(streams, IDC_STREAMS_OFFSET, "0.25");
    std::vector<std::wstring> boxes;
    WT_CHECK_EQ(SaveAsOffered(streams, IDOK, WriteTitle(), &boxes), std::wstring(L"clip-o.avi"));
    if (WT_CHECK_EQ(boxes.size(), size_t(1))) WT_CHECK(StartsWith(boxes[0], CompletedText()));
    if (WT_CHECK_EQ(dubs.requests.size(), size_t(2))) {
      const DubRequest& r = dubs.requests[1];
      WT_CHECK(r.shift && r.shiftStream == 1 && r.audio.empty() && !r.add && r.output.empty());
      WT_CHECK_EQ(r.offset, std::string("0.25"));
    }
    NativeTavrin("shift " + ShellPath(clip) + " --stream 1 --offset 0.25 --output " +
                     ShellPath(reference + "\\cli-o.avi"),
                 reference + "\\shift.txt");
    WT_CHECK(ReadBytes(folder + "\\clip-o.avi") == ReadBytes(reference + "\\cli-o.avi"));
    WT_CHECK(WaitUntil([&] { return !IsWindow(streams); }));
  }

  Case("Replace sound... with an offset: the selected sound's place, the file of tavrin dub --replace 1 --offset");
  {
    const std::string dubbed = folder + "\\clip-d.avi";
    DeleteFileA(dubbed.c_str());
    streams = OpenStreams(app);
    Post(streams, IDC_STREAMS_REPLACE);
    AnswerFileDialog(streams, SoundTitle(), std::wstring(wav.begin(), wav.end()));
    WT_CHECK(WaitUntil([&] { return TextA(GetDlgItem(streams, IDC_STREAMS_SOUND)).find(wav) != std::string::npos; }));
    WT_CHECK(TextW(GetDlgItem(streams, IDC_STREAMS_SOUND)).find(Lang(L"stream 1", L"\u30B9\u30C8\u30EA\u30FC\u30E0 1")) !=
             std::wstring::npos);
    SetDlgItemTextA(streams, IDC_STREAMS_OFFSET, "-0.1");
    std::vector<std::wstring> boxes;
    WT_CHECK_EQ(SaveAsOffered(streams, IDOK, WriteTitle(), &boxes), std::wstring(L"clip-d.avi"));
    if (WT_CHECK_EQ(boxes.size(), size_t(1))) WT_CHECK(StartsWith(boxes[0], CompletedText()));
    if (WT_CHECK_EQ(dubs.requests.size(), size_t(3))) {
      const DubRequest& r = dubs.requests[2];
      WT_CHECK(r.replace == 1 && !r.add && !r.shift && r.audio == wav && r.output.empty());
      WT_CHECK_EQ(r.offset, std::string("-0.1"));
    }
    NativeTavrin("dub " + ShellPath(clip) + " " + ShellPath(wav) + " --replace 1 --offset -0.1 --output " +
                     ShellPath(reference + "\\cli-r.avi"),
                 reference + "\\replace.txt");
    WT_CHECK_EQ(AvihField(dubbed, 6), 2LL);
    WT_CHECK(ReadBytes(dubbed) == ReadBytes(reference + "\\cli-r.avi"));
    WT_CHECK(WaitUntil([&] { return !IsWindow(streams); }));
  }

  Case("a file the jobs refuse shows their text and nothing to write");
  {
    const std::string note = folder + "\\note.avi";
    WriteBytes(note, "not a recording");
    streams = OpenStreams(app);
    SetDlgItemTextA(streams, IDC_STREAMS_FILE, note.c_str());
    SendMessageA(streams, WM_COMMAND, MAKEWPARAM(IDC_STREAMS_FILE, EN_KILLFOCUS),
                 reinterpret_cast<LPARAM>(GetDlgItem(streams, IDC_STREAMS_FILE)));
    WT_CHECK_EQ(TextW(GetDlgItem(streams, IDC_STREAMS_SUMMARY)),
                Lang(L"Avi File?", L"\u30D5\u30A1\u30A4\u30EB\u306E\u89E3\u6790\u306B\u5931\u6557\u3057\u307E\u3057\u305F"));
    WT_CHECK_EQ(int(SendMessageW(List(streams), LVM_GETITEMCOUNT, 0, 0)), 0);
    WT_CHECK(!Enabled(streams, IDOK) && !Enabled(streams, IDC_STREAMS_SAVE) && !Enabled(streams, IDC_STREAMS_ADD));
    Post(streams, IDCANCEL);
    WT_CHECK(WaitUntil([&] { return !IsWindow(streams); }));
  }

  app.Stop();
  return Summary();
}
