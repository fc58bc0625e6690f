// The Streams dialog: the streams of a file (the Split page's file to begin
// with) listed as `tavrin info` lists them, each with a check box, checked
// to keep it. The file is read as the stream jobs read it, so a file they
// would refuse shows their refusal (and the repair hint) instead of a list.
//
//   Save stream...     saves the selected stream as the extract job makes
//                      it: the save dialog offers the job's default name
//                      and extension (clip.1.wav).
//   Add sound...       choose a sound file (WAV, MP3, MP2, AC-3) that Write
//   Replace sound...   puts in as a new stream, or in place of the selected
//                      sound stream; No sound file forgets the choice.
//   Offset (s)         moves that sound against the picture; with no sound
//                      file chosen, a non-zero offset moves the selected
//                      sound stream itself (the shift).
//   Write              the dub when a sound file is chosen, else the shift
//                      when an offset is given, else the file with the
//                      unchecked streams dropped: each the very request the
//                      command line builds (dub, shift, streams --drop),
//                      run under the progress dialog.
//
// Every output's name is the one the command line gives (clip-d.avi,
// clip-o.avi, clip-s.avi, clip.1.wav), offered in the save dialog, which
// asks before a file that exists is replaced; a name left as offered goes
// to the job as no name, so the job names it itself. The jobs' own messages
// say what was done or why not. After a refusal or Cancel the dialog stays
// for another try (the jobs leave nothing behind); a completed Write closes
// it, a saved stream does not.
#include <string>
#include <vector>

#include <windows.h>

#include <commctrl.h>

#include "job/job_sink.h"
#include "sound/sound_offset.h"
#include "streams/stream_listing.h"
#include "ui/resource_ids.h"
#include "ui/shell_state.h"
#include "ui/shell_texts.h"
#include "ui/tool_ids.h"
#include "ui/tool_jobs.h"
#include "ui/tool_texts.h"
#include "ui/tool_ui.h"
#include "ui/tools.h"
#include "ui/wide_text.h"
#include "ui/win32_host.h"

namespace {

struct StreamsDialogState {
  StreamListing listing;
  std::string listedPath;  // the file the list shows
  std::string sound;       // the sound file chosen ("" none)
  int replace = -1;        // the stream it replaces (-1: added as a new one)
  bool fileEdited = false;  // the file's field typed in since it was listed
};

StreamsDialogState& StateOf(HWND dialog) {
  return *reinterpret_cast<StreamsDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }
HWND List(HWND dialog) { return GetDlgItem(dialog, IDC_STREAMS_LIST); }
std::string FieldText(HWND dialog, int id) { return WindowTextUtf8(Item(dialog, id)); }

bool Listed(const StreamsDialogState& state) { return state.listing.outcome.result == StreamsResult::Completed; }

// A sink for the listing: nothing shown (the outcome keeps the message), nothing cancelled.
class ListingSink : public JobSink {
 public:
  int EnglishUi() const override { return AppJobState().englishUi; }
  void Status(const char*, int) override {}
  void Message(const char*, MessageOwner) override {}
  void Progress(int) override {}
  bool Cancelled() const override { return false; }
};

// The stream selected in the list, -1 when none.
int SelectedStream(HWND dialog) {
  const int item = int(SendMessageW(List(dialog), LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
  const StreamsDialogState& state = StateOf(dialog);
  return item >= 0 && size_t(item) < state.listing.streams.size() ? state.listing.streams[size_t(item)].number : -1;
}

bool SelectedIsSound(HWND dialog) {
  const int stream = SelectedStream(dialog);
  return stream >= 0 && StateOf(dialog).listing.streams[size_t(stream)].sound;
}

// The streams whose box is not checked, in order.
std::vector<int> UncheckedStreams(HWND dialog) {
  std::vector<int> unchecked;
  const StreamsDialogState& state = StateOf(dialog);
  for (size_t i = 0; i < state.listing.streams.size(); ++i)
    if (!ListView_GetCheckState(List(dialog), int(i))) unchecked.push_back(state.listing.streams[i].number);
  return unchecked;
}

void ShowButtons(HWND dialog) {
  const StreamsDialogState& state = StateOf(dialog);
  const bool listed = Listed(state);
  EnableWindow(Item(dialog, IDC_STREAMS_SAVE), listed && SelectedStream(dialog) >= 0);
  EnableWindow(Item(dialog, IDC_STREAMS_ADD), listed);
  EnableWindow(Item(dialog, IDC_STREAMS_REPLACE), listed && SelectedIsSound(dialog));
  EnableWindow(Item(dialog, IDC_STREAMS_NO_SOUND), !state.sound.empty());
  EnableWindow(Item(dialog, IDOK), listed);
}

// The sound file chosen and what Write does with it.
void ShowSound(HWND dialog) {
  const StreamsDialogState& state = StateOf(dialog);
  std::wstring text;
  if (state.sound.empty()) {
    text = UiText(tool_text::kStreamsNoSound);
  } else {
    text = UiText(state.replace < 0 ? tool_text::kStreamsAdds : tool_text::kStreamsReplaces);
    const size_t at = text.find(L"%d");
    if (at != std::wstring::npos) text.replace(at, 2, std::to_wstring(state.replace));
    text += L"\n" + WideFromUtf8(state.sound);
  }
  SetWindowTextW(Item(dialog, IDC_STREAMS_SOUND), text.c_str());
  ShowButtons(dialog);
}

// Each column as wide as its header or its widest cell (the first also
// holds the check box); the last takes the rest of the list.
void FitColumns(HWND list) {
  for (int column = 0; column < 3; ++column) {
    ListView_SetColumnWidth(list, column, LVSCW_AUTOSIZE);
    const int cells = ListView_GetColumnWidth(list, column);
    ListView_SetColumnWidth(list, column, LVSCW_AUTOSIZE_USEHEADER);
    const int header = ListView_GetColumnWidth(list, column);
    const int box = column == 0 ? GetSystemMetrics(SM_CXSMICON) + 4 : 0;
    ListView_SetColumnWidth(list, column, (cells > header ? cells : header) + box);
  }
  ListView_SetColumnWidth(list, 3, LVSCW_AUTOSIZE_USEHEADER);
}

// Reads the file named in the field and lists its streams, every one
// checked and the first sound stream (else the first) selected; or shows
// why the file cannot be listed. A new file forgets the sound file chosen.
void Relist(HWND dialog) {
  StreamsDialogState& state = StateOf(dialog);
  state.fileEdited = false;
  const std::string path = FieldText(dialog, IDC_STREAMS_FILE);
  if (path != state.listedPath) {
    state.sound.clear();
    state.replace = -1;
  }
  state.listedPath = path;
  HWND list = List(dialog);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  if (path.empty()) {
    state.listing = StreamListing();
    state.listing.outcome.result = StreamsResult::NoStreamNamed;
    SetWindowTextW(Item(dialog, IDC_STREAMS_SUMMARY), L"");
  } else {
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    ListingSink sink;
    state.listing = ListStreams(path, sink);
    SetCursor(old);
    SetWindowTextUtf8(Item(dialog, IDC_STREAMS_SUMMARY), Listed(state) ? "" : state.listing.outcome.message);
  }
  int select = -1;
  for (size_t i = 0; i < state.listing.streams.size(); ++i) {
    const ListedStream& s = state.listing.streams[i];
    const StreamDescription& d = s.description;
    SetCell(list, int(i), 0, std::to_string(s.number));
    SetCell(list, int(i), 1, d.kind);
    SetCell(list, int(i), 2, d.codec);
    SetCell(list, int(i), 3, d.details);
    ListView_SetCheckState(list, int(i), TRUE);
    if (select < 0 && s.sound) select = int(i);
  }
  if (select < 0 && !state.listing.streams.empty()) select = 0;
  if (select >= 0) ListView_SetItemState(list, select, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  FitColumns(list);
  ShowSound(dialog);
}

// The offset as typed, without the spaces around it.
std::string OffsetText(HWND dialog) {
  std::string text = FieldText(dialog, IDC_STREAMS_OFFSET);
  text.erase(0, text.find_first_not_of(" \t"));
  text.erase(text.find_last_not_of(" \t") + 1);
  return text;
}

// An offset that asks for a move: anything but nothing or a zero time (a
// text that is no time goes to the job, which says why).
bool OffsetAsksMove(const std::string& text) {
  if (text.empty()) return false;
  SoundOffset offset;
  TimeTextProblem problem;
  return !ParseSoundOffset(text.c_str(), &offset, &problem) || !offset.IsZero();
}

// The save dialog on the name the command line gives; false when
// cancelled. The name chosen goes to *output, "" when it is the one offered
// (the job then names the output itself).
bool ChooseOutput(HWND dialog, const std::string& defaultName, const TextPair& title, const std::string& extension,
                  std::string* output) {
  const std::string chosen = ChooseOutputFile(dialog, defaultName, title, extension);
  if (chosen.empty()) return false;
  *output = chosen == defaultName ? "" : chosen;
  return true;
}

void ShowCancel(HWND dialog) {
  if (CancelSet(AppJobState())) ToolMessage(dialog, UiText(shell_text::kBreak));
}

void OnSave(HWND dialog) {
  const StreamsDialogState& state = StateOf(dialog);
  const int stream = SelectedStream(dialog);
  if (stream < 0) {
    ToolMessage(dialog, UiText(tool_text::kStreamsSelectStream));
    return;
  }
  const StreamFormat& f = state.listing.streams[size_t(stream)].format;
  const std::string extension = ExtractExtension(f.fccType, f.hasFormat ? f.formatTag : 0);
  ExtractRequest request;
  request.path = state.listedPath;
  request.stream = stream;
  if (!ChooseOutput(dialog, DefaultExtractName(request.path, stream, extension), tool_text::kStreamSaveTitle,
                    extension, &request.output))
    return;
  RunExtractProgress(dialog, request);
  ShowCancel(dialog);
}

void OnChooseSound(HWND dialog, bool replace) {
  StreamsDialogState& state = StateOf(dialog);
  const int stream = SelectedStream(dialog);
  if (replace && !SelectedIsSound(dialog)) {
    ToolMessage(dialog, UiText(tool_text::kStreamsSelectSound));
    return;
  }
  const std::string folder = FolderOf(state.sound.empty() ? state.listedPath : state.sound);
  const std::string chosen = ChooseSoundFile(dialog, folder, tool_text::kSoundFileTitle);
  if (chosen.empty()) return;
  state.sound = chosen;
  state.replace = replace ? stream : -1;
  ShowSound(dialog);
}

void OnNoSound(HWND dialog) {
  StreamsDialogState& state = StateOf(dialog);
  state.sound.clear();
  state.replace = -1;
  ShowSound(dialog);
}

// Write: the dub, the shift or the choice of streams; true when it wrote.
bool Write(HWND dialog) {
  const StreamsDialogState& state = StateOf(dialog);
  const std::string offset = OffsetText(dialog);
  if (!state.sound.empty() || OffsetAsksMove(offset)) {
    DubRequest request;
    request.path = state.listedPath;
    request.offset = offset;
    std::string name;
    if (!state.sound.empty()) {
      request.audio = state.sound;
      request.replace = state.replace;
      request.add = state.replace < 0;
      name = DefaultDubName(request.path);
    } else {
      request.shift = true;
      request.shiftStream = SelectedStream(dialog);
      if (request.shiftStream < 0) {
        ToolMessage(dialog, UiText(tool_text::kStreamsSelectStream));
        return false;
      }
      name = DefaultShiftName(request.path);
    }
    if (!ChooseOutput(dialog, name, tool_text::kStreamsOutputTitle, "avi", &request.output)) return false;
    return RunDubProgress(dialog, request).result == DubResult::Completed;
  }
  StreamSelectRequest request;
  request.path = state.listedPath;
  request.drop = UncheckedStreams(dialog);
  if (request.drop.empty()) {
    ToolMessage(dialog, UiText(tool_text::kStreamsUncheck));
    return false;
  }
  if (!ChooseOutput(dialog, DefaultStreamsName(request.path), tool_text::kStreamsOutputTitle, "avi", &request.output))
    return false;
  return RunStreamSelectProgress(dialog, request).result == StreamsResult::Completed;
}

void OnWrite(HWND dialog) {
  if (FieldText(dialog, IDC_STREAMS_FILE).empty()) {
    ToolMessage(dialog, UiText(tool_text::kChooseFileFirst));
    return;
  }
  if (StateOf(dialog).fileEdited) Relist(dialog);
  const StreamsDialogState& state = StateOf(dialog);
  if (!Listed(state)) {
    MessageBoxW(dialog, WideFromUtf8(state.listing.outcome.message).c_str(), L"Tavrin", MB_OK | MB_SETFOREGROUND);
    return;
  }
  const bool written = Write(dialog);
  ShowCancel(dialog);
  if (written) EndDialog(dialog, IDOK);
}

void OnBrowse(HWND dialog) {
  const std::string current = FieldText(dialog, IDC_STREAMS_FILE);
  const std::string folder = FolderOf(current);
  const std::string name = folder.empty() ? current : current.substr(current.find_last_of("\\/") + 1);
  const std::vector<std::string> chosen = ChooseAviFiles(dialog, folder, name, false, tool_text::kChooseTitle);
  if (chosen.empty()) return;
  SetWindowTextUtf8(Item(dialog, IDC_STREAMS_FILE), chosen.front());
  Relist(dialog);
}

void OnDrop(HWND dialog, HDROP drop) {
  for (const std::string& name : TakeDroppedFiles(drop)) {
    if (!EndsInAvi(name)) continue;
    SetWindowTextUtf8(Item(dialog, IDC_STREAMS_FILE), name);
    Relist(dialog);
    return;
  }
  ToolMessage(dialog, UiText(shell_text::kNotAvi));
}

void AddColumn(HWND list, int column, const TextPair& title) {
  std::wstring text = UiText(title);
  LVCOLUMNW c = {};
  c.mask = LVCF_TEXT | LVCF_SUBITEM;
  c.pszText = &text[0];
  c.iSubItem = column;
  SendMessageW(list, LVM_INSERTCOLUMNW, WPARAM(column), reinterpret_cast<LPARAM>(&c));
}

void OnInit(HWND dialog, StreamsDialogState* state) {
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
  HWND list = List(dialog);
  ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  AddColumn(list, 0, tool_text::kStreamsNumber);
  AddColumn(list, 1, tool_text::kStreamsKind);
  AddColumn(list, 2, tool_text::kStreamsCodec);
  AddColumn(list, 3, tool_text::kStreamsDetails);
  SetWindowTextUtf8(Item(dialog, IDC_STREAMS_FILE), WindowTextUtf8(GetDlgItem(AppShell().mainWindow, IDC_SRC_FILE)));
  DragAcceptFiles(dialog, TRUE);
  Relist(dialog);
}

void OnCommand(HWND dialog, int id, int code) {
  switch (id) {
    case IDC_STREAMS_BROWSE: OnBrowse(dialog); break;
    case IDC_STREAMS_SAVE: OnSave(dialog); break;
    case IDC_STREAMS_ADD: OnChooseSound(dialog, false); break;
    case IDC_STREAMS_REPLACE: OnChooseSound(dialog, true); break;
    case IDC_STREAMS_NO_SOUND: OnNoSound(dialog); break;
    case IDC_STREAMS_FILE:
      if (code == EN_CHANGE) StateOf(dialog).fileEdited = true;
      if (code == EN_KILLFOCUS && StateOf(dialog).fileEdited) Relist(dialog);
      break;
    case IDOK: OnWrite(dialog); break;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); break;
    default: break;
  }
}

INT_PTR CALLBACK StreamsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(dialog, reinterpret_cast<StreamsDialogState*>(lParam));
      return TRUE;
    case WM_COMMAND:
      OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_NOTIFY: {
      // The list's changes of selection (and check boxes) once the dialog has its state.
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == IDC_STREAMS_LIST && header->code == LVN_ITEMCHANGED && GetWindowLongPtrW(dialog, DWLP_USER))
        ShowButtons(dialog);
      return FALSE;
    }
    case WM_DROPFILES:
      OnDrop(dialog, reinterpret_cast<HDROP>(wParam));
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void RunStreamsDialog(HWND mainWindow) {
  StreamsDialogState state;
  const wchar_t* templateName = AppShell().englishUi ? L"STREAMSDLGE" : L"STREAMSDLG";
  DialogBoxParamW(AppShell().instance, templateName, mainWindow, StreamsDialogProc, reinterpret_cast<LPARAM>(&state));
}
