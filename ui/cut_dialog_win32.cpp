// The Cut dialog: the recording (the Split page's file to begin with), a
// list of ranges kept sorted by their start (added, changed and removed with
// the Start and End fields, or loaded from a cut list; a list beside the
// recording with its name and ".edl" is offered when the dialog opens),
// "Keep these" or "Drop these", "One file" or "A file per range", and the
// output's name, which follows the recording until the user types another.
//
// Whenever the ranges or choices change the dialog asks the cut room for
// its plan (PlanCut: the same reading and snapping as the cut, nothing
// written) and shows next to each range the frames it keeps (or drops) once
// snapped to key frames, and the total below. Cut runs the cut job under the
// progress dialog, the very request the command line would build, and closes
// the dialog once the files are written; after a refusal or Cancel the list
// stays for another try (the job leaves nothing behind). The two choices and
// the Exact cut box are kept for the next time.
//
// Exact cut: each range from the very frame asked for, its head before the
// next key frame re-encoded by the coder the command line uses too
// (ui/window_exact_coder.h); the plan shows the exact frames, and the
// result names the frames re-encoded and any seam that fell back to a key
// frame.
//
// Find breaks looks for black pictures and silence (ui/find_breaks.h) under
// the progress dialog: the ranges found replace the list, as a loaded list's
// do, each marked black or silence, with "Drop these" chosen (they are
// breaks; the user removes those to keep); the black stretches and scene
// changes go to the preview's track bar. Cancel leaves the list as it was.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include <commdlg.h>

#include "cut/cut_job.h"
#include "cut/cut_list.h"
#include "cut/cut_rule.h"
#include "exact/exact_coder.h"
#include "job/job_sink.h"
#include "ui/find_breaks.h"
#include "ui/preview.h"
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
#include "ui/window_exact_coder.h"

namespace {

struct CutEntry {
  std::string start;  // a time as typed ("" from the start)
  std::string end;    // "" to the end
  const TextPair* found = nullptr;  // found by Find breaks: its kind
  std::string Range() const { return start + "-" + end; }
};

struct CutDialogState {
  std::vector<CutEntry> entries;  // sorted by start
  std::string shownDefault;       // the output name last filled in for the user
  bool fileEdited = false;        // the file's field typed in since the last plan
  PreviewBreaks breaks;           // what Find breaks found last, for the preview
  std::vector<PreviewRange> kept;  // the plan's kept frames for the preview (none: no plan)
};

CutDialogState& StateOf(HWND dialog) {
  return *reinterpret_cast<CutDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }
std::string FieldText(HWND dialog, int id) { return WindowTextUtf8(Item(dialog, id)); }
void SetFieldText(HWND dialog, int id, const std::string& text) { SetWindowTextUtf8(Item(dialog, id), text); }
bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
int Selected(HWND dialog) { return int(SendMessageW(Item(dialog, IDC_CUT_LIST), LB_GETCURSEL, 0, 0)); }

// Texts of the program in the interface language, UTF-8.
const char* Text(const TextPair& pair) { return AppJobState().englishUi ? pair.english : pair.japanese; }

// A sink for the plan: nothing shown, nothing cancelled.
class PlanSink : public JobSink {
 public:
  int EnglishUi() const override { return AppJobState().englishUi; }
  void Status(const char*, int) override {}
  void Message(const char*, MessageOwner) override {}
  void Progress(int) override {}
  bool Cancelled() const override { return false; }
};

// The start of an entry for sorting ("" first; an entry that is no range last).
ExactTime StartOf(const CutEntry& entry, bool* valid) {
  AskedRange range;
  RangeProblem problem;
  TimeTextProblem time;
  *valid = ParseRange(entry.Range(), &range, &problem, &time);
  return *valid && range.start.set ? range.start.time : ExactTime();
}

void SortEntries(std::vector<CutEntry>& entries) {
  std::stable_sort(entries.begin(), entries.end(), [](const CutEntry& a, const CutEntry& b) {
    bool aValid = false, bValid = false;
    const ExactTime sa = StartOf(a, &aValid), sb = StartOf(b, &bValid);
    if (aValid != bValid) return aValid;
    return sa < sb;
  });
}

CutRequest RequestOf(HWND dialog, bool forPlan) {
  const CutDialogState& state = StateOf(dialog);
  CutRequest request;
  request.path = FieldText(dialog, IDC_CUT_FILE);
  const bool drops = Checked(dialog, IDC_CUT_DROP);
  for (const CutEntry& entry : state.entries) (drops ? request.drop : request.keep).push_back(entry.Range());
  // The plan of kept ranges unmerged: the frames of each range as asked.
  request.separate = Checked(dialog, IDC_CUT_SEPARATE) || (forPlan && !drops);
  request.exact = Checked(dialog, IDC_CUT_EXACT);
  const std::string output = FieldText(dialog, IDC_CUT_OUTPUT);
  request.output = output == state.shownDefault ? "" : output;
  return request;
}

std::string Frames(const char* format, unsigned a, unsigned b, unsigned c) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

// Whether a dropped group's text (its ranges as given, ", " between) holds range.
bool HoldsRange(const std::string& group, const std::string& range) {
  for (size_t at = 0; at <= group.size();) {
    size_t end = group.find(", ", at);
    if (end == std::string::npos) end = group.size();
    if (group.compare(at, end - at, range) == 0) return true;
    at = end + 2;
  }
  return false;
}

// The list's lines: each range and, from the plan, what it keeps or drops.
void ShowList(HWND dialog, int select, const CutOutcome* plan) {
  const CutDialogState& state = StateOf(dialog);
  const bool drops = Checked(dialog, IDC_CUT_DROP);
  HWND box = Item(dialog, IDC_CUT_LIST);
  SendMessageW(box, WM_SETREDRAW, FALSE, 0);
  SendMessageW(box, LB_RESETCONTENT, 0, 0);
  for (size_t i = 0; i < state.entries.size(); ++i) {
    const CutEntry& entry = state.entries[i];
    std::wstring line = (entry.start.empty() ? UiText(tool_text::kCutFromStart) : WideFromUtf8(entry.start)) + L" - " +
                        (entry.end.empty() ? UiText(tool_text::kCutToEnd) : WideFromUtf8(entry.end));
    if (entry.found) line += L" (" + UiText(*entry.found) + L")";
    if (plan && plan->result == CutResult::Completed) {
      if (!drops && i < plan->ranges.size()) {
        const CutRangeFigures& r = plan->ranges[i];
        line += L"\t" + UiText(tool_text::kCutKeeps) +
                WideFromUtf8(Frames(" %u-%u (%u)", r.firstFrame, r.firstFrame + r.frames - 1, r.frames));
      }
      for (const CutDropFigures& d : plan->drops)
        if (drops && HoldsRange(d.asked, entry.Range())) {
          line += L"\t" + UiText(tool_text::kCutDrops) + L" " + std::to_wstring(d.frames);
          break;
        }
    }
    SendMessageW(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }
  SendMessageW(box, LB_SETCURSEL, WPARAM(select), 0);
  SendMessageW(box, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(box, nullptr, TRUE);
}

// The plan's kept frames sorted and merged (ranges kept apart may overlap).
std::vector<PreviewRange> KeptFrames(const CutOutcome& plan) {
  std::vector<PreviewRange> kept;
  for (const CutRangeFigures& r : plan.ranges) kept.push_back(PreviewRange{r.firstFrame, r.firstFrame + r.frames});
  std::sort(kept.begin(), kept.end(), [](const PreviewRange& a, const PreviewRange& b) { return a.first < b.first; });
  std::vector<PreviewRange> merged;
  for (const PreviewRange& r : kept) {
    if (!merged.empty() && r.first <= merged.back().end) merged.back().end = std::max(merged.back().end, r.end);
    else merged.push_back(r);
  }
  return merged;
}

// Asks for the plan and shows it: each range's frames and the total, or why
// there is none.
void Replan(HWND dialog, int select) {
  CutDialogState& state = StateOf(dialog);
  state.fileEdited = false;
  state.kept.clear();
  const CutRequest request = RequestOf(dialog, true);
  HWND summary = Item(dialog, IDC_CUT_SUMMARY);
  if (request.path.empty() || state.entries.empty()) {
    ShowList(dialog, select, nullptr);
    SetWindowTextW(summary, L"");
  } else {
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    PlanSink sink;
    const CutOutcome plan = PlanCut(request, sink);
    SetCursor(old);
    ShowList(dialog, select, &plan);
    if (plan.result == CutResult::Completed) {
      state.kept = KeptFrames(plan);
      const unsigned kept = plan.videoFrames - plan.droppedFrames;
      SetWindowTextUtf8(summary, Frames(Text(tool_text::kCutSummary), kept, plan.videoFrames, plan.droppedFrames));
    } else {
      SetWindowTextUtf8(summary, plan.message);  // the cut's text, UTF-8
    }
  }
  SetPreviewKeptRanges(dialog, state.kept);
  const int selected = Selected(dialog);
  EnableWindow(Item(dialog, IDC_CUT_CHANGE), selected >= 0);
  EnableWindow(Item(dialog, IDC_CUT_REMOVE), selected >= 0);
  EnableWindow(Item(dialog, IDOK), !state.entries.empty());
}

// The output field follows the recording while it shows the name filled in
// for the user (or nothing): the one file's name, or with a file per range
// the name the pieces are numbered from (the recording's own).
void FollowDefaultName(HWND dialog) {
  CutDialogState& state = StateOf(dialog);
  const std::string shown = FieldText(dialog, IDC_CUT_OUTPUT);
  if (!shown.empty() && shown != state.shownDefault) return;
  const std::string input = FieldText(dialog, IDC_CUT_FILE);
  state.shownDefault = input.empty() ? "" : Checked(dialog, IDC_CUT_SEPARATE) ? input : DefaultCutName(input);
  SetFieldText(dialog, IDC_CUT_OUTPUT, state.shownDefault);
}

// A time as the range texts take it: seconds with every decimal the exact time has.
std::string TimeText(const ExactTime& t) {
  std::string text = std::to_string(t.whole);
  if (t.fraction == 0) return text;
  char digits[24];
  std::snprintf(digits, sizeof digits, "%018llu", static_cast<unsigned long long>(t.fraction));
  std::string decimals = digits;
  decimals.erase(decimals.find_last_not_of('0') + 1);
  return text + "." + decimals;
}

// A frame of a comskip list as a time that the rule turns back into that
// very frame: a start rounded up, an end rounded down to the millisecond
// (a millisecond is less than a frame at any rate below 1000 a second).
std::string FrameTimeText(uint64_t frame, uint32_t rateTimes100, bool start) {
  const uint64_t scaled = frame * 100000;  // milliseconds x rateTimes100
  uint64_t ms = scaled / rateTimes100;
  if (start && ms * rateTimes100 < scaled) ++ms;
  return TimeText(ExactTime::Decimal(ms, 3));
}

std::string BoundText(const RangeBound& bound, uint32_t rateTimes100, bool start) {
  if (!bound.set) return "";
  return bound.inFrames ? FrameTimeText(bound.frame, rateTimes100, start) : TimeText(bound.time);
}

// Loads a cut list: its ranges replace the list's, and whether they are kept
// or dropped follows the list. False (after saying why) when it cannot be used.
bool LoadList(HWND dialog, const std::string& path) {
  CutList list;
  ListError error;
  if (!ReadCutList(path, &list, &error)) {
    const CutResult result = error.unreadable ? CutResult::ListUnreadable : CutResult::ListBadLine;
    std::string text = std::string(Text(*CutResultText(result))) + "\n\n" + path;
    if (error.unreadable) text += ": " + error.reason;
    else text += ", " + std::to_string(error.line) + ": " + (AppJobState().englishUi ? error.english : error.japanese);
    MessageBoxW(dialog, WideFromUtf8(text).c_str(), L"Tavrin", MB_OK | MB_SETFOREGROUND);
    return false;
  }
  bool inFrames = false;
  for (const AskedRange& r : list.ranges) inFrames = inFrames || r.start.inFrames || r.end.inFrames;
  if (inFrames && list.rateTimes100 == 0) {
    ToolMessage(dialog, UiText(tool_text::kCutNoRate));
    return false;
  }
  CutDialogState& state = StateOf(dialog);
  state.entries.clear();
  for (const AskedRange& r : list.ranges)
    state.entries.push_back(
        CutEntry{BoundText(r.start, list.rateTimes100, true), BoundText(r.end, list.rateTimes100, false)});
  SortEntries(state.entries);
  CheckRadioButton(dialog, IDC_CUT_KEEP, IDC_CUT_DROP, list.dropped ? IDC_CUT_DROP : IDC_CUT_KEEP);
  AppToolSettings().cutDrops = list.dropped ? 1 : 0;
  Replan(dialog, -1);
  return true;
}

// The list beside the recording, with its name and ".edl", offered.
void OfferListBeside(HWND dialog) {
  const std::string input = FieldText(dialog, IDC_CUT_FILE);
  if (input.empty()) return;
  const size_t folder = FolderOf(input).size();
  const size_t dot = input.rfind('.');
  const std::string edl = input.substr(0, dot != std::string::npos && dot > folder ? dot : input.size()) + ".edl";
  if (GetFileAttributesW(WideFromUtf8(edl).c_str()) == INVALID_FILE_ATTRIBUTES) return;
  const std::wstring text = UiText(tool_text::kCutListFound) + L"\n" + WideFromUtf8(edl) + L"\n\n" +
                            UiText(tool_text::kCutLoadIt);
  if (ToolMessage(dialog, text, MB_YESNO | MB_ICONQUESTION) == IDYES) LoadList(dialog, edl);
}

void OnLoad(HWND dialog) {
  std::vector<wchar_t> buffer(4096, L'\0');
  const std::wstring folder = WideFromUtf8(FolderOf(FieldText(dialog, IDC_CUT_FILE)));
  const std::wstring caption = UiText(tool_text::kCutListTitle);
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = dialog;
  ofn.lpstrFilter = L"*.edl;*.txt;*.csv\0*.edl;*.txt;*.csv\0*.*\0*.*\0";
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = DWORD(buffer.size());
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrTitle = caption.c_str();
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
  if (GetOpenFileNameW(&ofn)) LoadList(dialog, Utf8FromWide(buffer.data()));
}

// The Start and End fields as an entry; false (after saying why) when they make no range.
bool EntryOfFields(HWND dialog, CutEntry* entry) {
  entry->start = FieldText(dialog, IDC_CUT_START);
  entry->end = FieldText(dialog, IDC_CUT_END);
  for (std::string* t : {&entry->start, &entry->end}) {
    t->erase(0, t->find_first_not_of(" \t"));
    t->erase(t->find_last_not_of(" \t") + 1);
  }
  AskedRange range;
  RangeProblem problem;
  TimeTextProblem time;
  if (ParseRange(entry->Range(), &range, &problem, &time)) return true;
  const CutResult result = problem == RangeProblem::EndNotAfterStart ? CutResult::RangeEmpty : CutResult::RangeInvalid;
  std::string text = std::string(Text(*CutResultText(result))) + "\n\n\"" + entry->Range() + "\"";  // UTF-8
  if (time != TimeTextProblem::kNone) text += ": " + std::string(Text(TimeTextProblemText(time)));
  MessageBoxW(dialog, WideFromUtf8(text).c_str(), L"Tavrin", MB_OK | MB_SETFOREGROUND);
  return false;
}

// Adds the fields' range (replace: in place of the selected one) and selects it where it sorts.
void OnAddOrChange(HWND dialog, bool replace) {
  CutDialogState& state = StateOf(dialog);
  const int selected = Selected(dialog);
  if (replace && (selected < 0 || selected >= int(state.entries.size()))) return;
  CutEntry entry;
  if (!EntryOfFields(dialog, &entry)) return;
  if (replace) state.entries.erase(state.entries.begin() + selected);
  state.entries.push_back(entry);
  SortEntries(state.entries);
  int at = 0;
  for (size_t i = 0; i < state.entries.size(); ++i)
    if (state.entries[i].start == entry.start && state.entries[i].end == entry.end) at = int(i);
  Replan(dialog, at);
}

void OnRemove(HWND dialog) {
  CutDialogState& state = StateOf(dialog);
  const int selected = Selected(dialog);
  if (selected < 0 || selected >= int(state.entries.size())) return;
  state.entries.erase(state.entries.begin() + selected);
  Replan(dialog, std::min(selected, int(state.entries.size()) - 1));
}

// A range chosen in the list fills the fields for a change.
void OnSelect(HWND dialog) {
  const CutDialogState& state = StateOf(dialog);
  const int selected = Selected(dialog);
  if (selected >= 0 && selected < int(state.entries.size())) {
    SetFieldText(dialog, IDC_CUT_START, state.entries[size_t(selected)].start);
    SetFieldText(dialog, IDC_CUT_END, state.entries[size_t(selected)].end);
  }
  EnableWindow(Item(dialog, IDC_CUT_CHANGE), selected >= 0);
  EnableWindow(Item(dialog, IDC_CUT_REMOVE), selected >= 0);
}

void OnBrowse(HWND dialog) {
  const std::string current = FieldText(dialog, IDC_CUT_FILE);
  const std::string folder = FolderOf(current);
  const std::string name = folder.empty() ? current : current.substr(current.find_last_of("\\/") + 1);
  const std::vector<std::string> chosen = ChooseAviFiles(dialog, folder, name, false, tool_text::kChooseTitle);
  if (chosen.empty()) return;
  SetFieldText(dialog, IDC_CUT_FILE, chosen.front());
  FollowDefaultName(dialog);
  OfferListBeside(dialog);
  Replan(dialog, Selected(dialog));
}

void OnDrop(HWND dialog, HDROP drop) {
  for (const std::string& name : TakeDroppedFiles(drop)) {
    if (!EndsInAvi(name)) continue;
    SetFieldText(dialog, IDC_CUT_FILE, name);
    FollowDefaultName(dialog);
    OfferListBeside(dialog);
    Replan(dialog, Selected(dialog));
    return;
  }
  ToolMessage(dialog, UiText(shell_text::kNotAvi));
}

void OnBrowseOutput(HWND dialog) {
  const std::string chosen = ChooseOutputFile(dialog, FieldText(dialog, IDC_CUT_OUTPUT), tool_text::kCutOutputTitle);
  if (!chosen.empty()) SetFieldText(dialog, IDC_CUT_OUTPUT, chosen);
}

void OnChoice(HWND dialog) {
  ToolSettings& tools = AppToolSettings();
  tools.cutDrops = Checked(dialog, IDC_CUT_DROP) ? 1 : 0;
  tools.cutSeparate = Checked(dialog, IDC_CUT_SEPARATE) ? 1 : 0;
  tools.cutExact = Checked(dialog, IDC_CUT_EXACT) ? 1 : 0;
  FollowDefaultName(dialog);
  Replan(dialog, Selected(dialog));
}

std::string MiddleOf(const PreviewPosition& p) {
  const uint64_t half = p.frame ? p.micros / (2ull * p.frame) : 0;
  return TimeText(ExactTime::Micros(p.micros + half));
}

// Seconds as a range's text, whole microseconds: a start rounded down and
// an end up, so that the rule's frames (ceil of the start, floor of the
// end, times the rate) are the found range's own first and next frame.
std::string FoundTimeText(double seconds, bool start) {
  const double micros = seconds * 1e6;
  const double whole = start ? std::floor(micros + 1e-3) : std::ceil(micros - 1e-3);
  return TimeText(ExactTime::Micros(uint64_t(std::max(0.0, whole))));
}

std::vector<CutEntry> FoundEntries(const Breaks& breaks) {
  std::vector<CutEntry> entries;
  for (const BlackRange& r : breaks.black)
    entries.push_back(CutEntry{FoundTimeText(r.start, true), FoundTimeText(r.end, false), &tool_text::kBreakBlack});
  for (const TimedRange& r : breaks.silence)
    entries.push_back(CutEntry{FoundTimeText(r.start, true), FoundTimeText(r.end, false), &tool_text::kBreakSilence});
  SortEntries(entries);
  return entries;
}

PreviewBreaks ForPreview(const std::string& path, const Breaks& breaks) {
  PreviewBreaks marks;
  marks.path = path;
  for (const BlackRange& r : breaks.black) marks.black.push_back({r.firstFrame, r.frames});
  for (const SceneChange& s : breaks.scenes) marks.scenes.push_back(s.frame);
  return marks;
}

void OnFindBreaks(HWND dialog) {
  const std::string path = FieldText(dialog, IDC_CUT_FILE);
  if (path.empty()) {
    ToolMessage(dialog, UiText(tool_text::kChooseFileFirst));
    return;
  }
  const FoundBreaks found = RunFindBreaksProgress(dialog, path);
  if (found.status == BreakStatus::Cancelled) {
    ToolMessage(dialog, UiText(shell_text::kBreak));
    return;
  }
  if (found.status != BreakStatus::Ok) {
    ToolMessage(dialog, UiText(tool_text::kBreaksFailed) + L"\n\n" + WideFromUtf8(path) + L": " + WideFromUtf8(found.why));
    return;
  }
  CutDialogState& state = StateOf(dialog);
  state.breaks = ForPreview(path, found.breaks);
  SetPreviewBreaks(state.breaks);
  const std::vector<CutEntry> entries = FoundEntries(found.breaks);
  if (entries.empty()) {
    ToolMessage(dialog, UiText(tool_text::kBreaksNone));
    return;
  }
  state.entries = entries;
  CheckRadioButton(dialog, IDC_CUT_KEEP, IDC_CUT_DROP, IDC_CUT_DROP);
  AppToolSettings().cutDrops = 1;
  Replan(dialog, -1);
}

void OnPreview(HWND dialog) {
  const std::string path = FieldText(dialog, IDC_CUT_FILE);
  if (path.empty()) {
    ToolMessage(dialog, UiText(tool_text::kChooseFileFirst));
    return;
  }
  // The frame shown becomes the time of its middle: the rule turns it
  // back into that frame, kept from its key frame on (Start here) or up to
  // and including it (End here), whichever way the frame time was rounded.
  PreviewCutHooks hooks;
  hooks.startHere = [dialog](const PreviewPosition& p) { SetFieldText(dialog, IDC_CUT_START, MiddleOf(p)); };
  hooks.endHere = [dialog](const PreviewPosition& p) { SetFieldText(dialog, IDC_CUT_END, MiddleOf(p)); };
  OpenPreview(dialog, path, PreviewLink::Cut, hooks);
  if (StateOf(dialog).breaks.path == path) SetPreviewBreaks(StateOf(dialog).breaks);
  // The plan is the file's only while the field names it as planned.
  if (!StateOf(dialog).fileEdited) SetPreviewKeptRanges(dialog, StateOf(dialog).kept);
}

void OnCut(HWND dialog) {
  CutRequest request = RequestOf(dialog, false);
  if (request.path.empty()) {
    ToolMessage(dialog, UiText(tool_text::kChooseFileFirst));
    return;
  }
  if (request.keep.empty() && request.drop.empty()) {
    ToolMessage(dialog, UiText(tool_text::kCutNeedRange));
    return;
  }
  const std::unique_ptr<ExactCoder> coder = request.exact ? WindowExactCoder() : nullptr;
  request.coder = coder.get();
  const CutOutcome outcome = RunCutProgress(dialog, request);
  if (CancelSet(AppJobState())) {
    ToolMessage(dialog, UiText(shell_text::kBreak));
    return;
  }
  if (outcome.Number() == 0) {
    ReleasePreview(dialog);
    EndDialog(dialog, IDOK);
  }
}

void OnInit(HWND dialog, CutDialogState* state) {
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
  const ToolSettings& tools = AppToolSettings();
  SetFieldText(dialog, IDC_CUT_FILE, WindowTextUtf8(GetDlgItem(AppShell().mainWindow, IDC_SRC_FILE)));
  CheckRadioButton(dialog, IDC_CUT_KEEP, IDC_CUT_DROP, tools.cutDrops == 1 ? IDC_CUT_DROP : IDC_CUT_KEEP);
  CheckRadioButton(dialog, IDC_CUT_ONE, IDC_CUT_SEPARATE, tools.cutSeparate == 1 ? IDC_CUT_SEPARATE : IDC_CUT_ONE);
  CheckDlgButton(dialog, IDC_CUT_EXACT, tools.cutExact == 1 ? BST_CHECKED : BST_UNCHECKED);
  const int tabs[] = {110};
  SendMessageW(Item(dialog, IDC_CUT_LIST), LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(tabs));
  DragAcceptFiles(dialog, TRUE);
  FollowDefaultName(dialog);
  Replan(dialog, -1);
}

void OnCommand(HWND dialog, int id, int code) {
  switch (id) {
    case IDC_CUT_LIST:
      if (code == LBN_SELCHANGE) OnSelect(dialog);
      break;
    case IDC_CUT_ADD: OnAddOrChange(dialog, false); break;
    case IDC_CUT_CHANGE: OnAddOrChange(dialog, true); break;
    case IDC_CUT_REMOVE: OnRemove(dialog); break;
    case IDC_CUT_LOAD: OnLoad(dialog); break;
    case IDC_CUT_PREVIEW: OnPreview(dialog); break;
    case IDC_CUT_FIND_BREAKS: OnFindBreaks(dialog); break;
    case IDC_CUT_BROWSE: OnBrowse(dialog); break;
    case IDC_CUT_OUTPUT_BROWSE: OnBrowseOutput(dialog); break;
    case IDC_CUT_KEEP:
    case IDC_CUT_DROP:
    case IDC_CUT_ONE:
    case IDC_CUT_SEPARATE:
    case IDC_CUT_EXACT:
      if (code == BN_CLICKED) OnChoice(dialog);
      break;
    case IDC_CUT_FILE:
      if (code == EN_CHANGE) StateOf(dialog).fileEdited = true;
      if (code == EN_KILLFOCUS && StateOf(dialog).fileEdited) {
        FollowDefaultName(dialog);
        Replan(dialog, Selected(dialog));
      }
      break;
    case IDOK: {
      // Enter in the Start or End field adds the range; elsewhere it cuts.
      const HWND focus = GetFocus();
      if (focus == Item(dialog, IDC_CUT_START) || focus == Item(dialog, IDC_CUT_END)) OnAddOrChange(dialog, false);
      else OnCut(dialog);
      break;
    }
    case IDCANCEL:
      ReleasePreview(dialog);
      EndDialog(dialog, IDCANCEL);
      break;
    default: break;
  }
}

INT_PTR CALLBACK CutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(dialog, reinterpret_cast<CutDialogState*>(lParam));
      // Offered once the dialog is up, so that the question has it behind.
      PostMessageW(dialog, WM_APP, 0, 0);
      return TRUE;
    case WM_APP:
      // The dialog manager shows the dialog only once its queue is empty:
      // show it now, before the question.
      ShowWindow(dialog, SW_SHOW);
      UpdateWindow(dialog);
      OfferListBeside(dialog);
      return TRUE;
    case WM_COMMAND:
      OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_DROPFILES:
      OnDrop(dialog, reinterpret_cast<HDROP>(wParam));
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void RunCutDialog(HWND mainWindow) {
  CutDialogState state;
  const wchar_t* templateName = AppShell().englishUi ? L"CUTDLGE" : L"CUTDLG";
  DialogBoxParamW(AppShell().instance, templateName, mainWindow, CutDialogProc, reinterpret_cast<LPARAM>(&state));
}
