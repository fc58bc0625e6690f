// The Windows host: the jobs' progress reports, message boxes, field reads and
// plug-in calls, done with sent messages that the UI thread's modal loop answers.
#include "ui/win32_host.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "app/plugin_win32.h"
#include "split/split_engine.h"
#include "job/output_commit.h"
#include "io/wide_path.h"
#include "ui/plugin_channel.h"
#include "ui/progress_dialog.h"
#include "ui/resource_ids.h"

namespace {

HWND mainWindow = nullptr;
HMODULE plugin = nullptr;
// Set on the UI thread, read by the worker (and by test drivers on theirs).
std::atomic<HWND> progressWindow{nullptr};

class Win32Sink : public JobSink {
 public:
  int EnglishUi() const override { return AppJobState().englishUi; }
  bool ShowsDetail() const override { return true; }
  bool Cancelled() const override { return CancelSet(AppJobState()); }
  bool BeginCommit() override {
    // As NativeSink::BeginCommit: closed first, then looked at.
    JobState& state = AppJobState();
    state.committing.store(true);
    if (state.cancelRequested.load() == 0) return true;
    state.committing.store(false);
    return false;
  }
  // A Yes/No box over the progress dialog naming the files; No writes
  // nothing. Names the user let this job replace are not asked again.
  bool MayReplace(const std::vector<std::string>& existing) override {
    std::vector<std::string>& allowed = AppJobState().replaceAllowed;
    std::vector<std::string> asked;
    for (const std::string& name : existing)
      if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) asked.push_back(name);
    if (asked.empty()) return true;
    const std::string text = ReplaceQuestion(asked, EnglishUi());
    if (MessageBoxW(progressWindow.load(), WideFromUtf8(text).c_str(), L"Tavrin",
                    MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES)
      return false;
    allowed.insert(allowed.end(), asked.begin(), asked.end());
    return true;
  }
  void Progress(int cells) override { ReportProgress(AppJobState(), cells); }
  void Status(const char* text, int cells) override {
    SetStatusText(AppJobState(), text);
    ReportProgress(AppJobState(), cells);
  }
  void Message(const char* text, MessageOwner owner) override {
    HWND ownerWindow = owner == MessageOwner::ProgressWindow ? progressWindow.load() : mainWindow;
    // The jobs' texts are UTF-8 (texts/): shown through the W function,
    // whatever the system's code page.
    MessageBoxW(ownerWindow, WideFromUtf8(text).c_str(), L"Tavrin", MB_OK | MB_SETFOREGROUND);
  }
};

// A main-window field's text in UTF-8 (a number field's at most kPathBytes - 1
// characters); from the worker thread these are sent WM_GETTEXTLENGTH and
// WM_GETTEXT.
std::string ReadField(int controlId) {
  wchar_t buffer[kPathBytes] = L"";
  HWND control = GetDlgItem(mainWindow, controlId);
  if (control) GetWindowTextW(control, buffer, kPathBytes);
  buffer[kPathBytes - 1] = 0;
  return Utf8FromWide(buffer);
}

std::string ReadNameField(int controlId) {
  HWND control = GetDlgItem(mainWindow, controlId);
  if (!control) return std::string();
  std::wstring text(size_t(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(size_t(GetWindowTextW(control, &text[0], int(text.size()))));
  return Utf8FromWide(text);
}

bool IsChecked(int controlId) {
  return (SendMessageW(GetDlgItem(mainWindow, controlId), BM_GETSTATE, 0, 0) & 1) != 0;
}

}  // namespace

JobState& AppJobState() {
  static JobState state;
  return state;
}

void SetStatusText(JobState& state, const char* text) {
  if (text == state.statusText) return;
  std::strncpy(state.statusText, text, kPathBytes - 1);
  state.statusText[kPathBytes - 1] = 0;
}

void ReportProgress(JobState&, int cells) {
  SendMessageW(progressWindow.load(), WM_COMMAND, CMD_PROGRESS, cells);
}

void ShowMessage(JobState&, const char* text, MessageOwner owner) { AppJobSink().Message(text, owner); }

JobSink& AppJobSink() {
  static Win32Sink sink;
  return sink;
}

void InitWin32Host(HWND window, HMODULE library, int englishUi) {
  mainWindow = window;
  plugin = library;
  AppJobState().englishUi = englishUi;
}

SplitRequest ReadSplitRequest() {
  SplitRequest r;
  r.create = IsChecked(IDC_CREATE_BOTH)    ? CreateMode::Both
             : IsChecked(IDC_CREATE_FIRST) ? CreateMode::First
                                           : CreateMode::Second;
  r.overlap = ReadField(IDC_OVERLAP);
  r.by = IsChecked(IDC_BY_SIZE) ? SplitBy::Size : SplitBy::Time;
  r.sizeMegabytes = ReadField(IDC_SIZE_MB);
  r.hours = ReadField(IDC_HOURS);
  r.minutes = ReadField(IDC_MINUTES);
  r.seconds = ReadField(IDC_SECONDS);
  r.path = ReadNameField(IDC_SRC_FILE);
  r.thenMerge = IsChecked(IDC_SPLIT_MERGE);
  r.outputFolder = ReadNameField(IDC_SAVE_IN);
  return r;
}

bool ReadSplitExact() { return IsChecked(IDC_SPLIT_EXACT); }

// The plug-in learns what each call is for through the channel.
SplitOutcome PluginSizeSplit(const SplitRequest& request, const TimeSplit& checked, JobSink& sink) {
  SplitOutcome done;
  ChannelCall call(request, checked.create, sink);
  int32_t result = 0;
  // TestFunc takes the outputs asked for and the overlap cut to whole seconds.
  if (!CallTestFunc(plugin, int32_t(checked.create), int32_t(checked.overlap.whole), &result))
    done.result = SplitResult::SizeSplitUnavailable;  // no library or no entry
  else
    done.result = result == 0 ? SplitResult::Completed : SplitResult::SizeSplitFailed;
  return done;
}

bool PluginJoinedFile(const JoinedFileWork& work, JobSink& sink) {
  ChannelCall call(work, sink);
  int32_t result = 0;
  return CallTestFunc(plugin, work.mode, work.windowSeconds, &result) && result == 0;
}

MergeRequest ReadMergeRequest() {
  MergeRequest r;
  r.writeJoined = PluginJoinedFile;
  r.first = ReadNameField(IDC_MERGE_FILE1);
  r.second = ReadNameField(IDC_MERGE_FILE2);
  return r;
}

void SetProgressWindow(HWND dialog) { progressWindow.store(dialog); }
HWND ProgressWindow() { return progressWindow.load(); }
