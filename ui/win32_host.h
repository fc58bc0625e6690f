// The window's side of a job: the one record the progress dialog and the
// worker share (status line, cancel flag, what the last split left), the sink
// through which a job reaches the dialog, the main window and the plug-in,
// and the requests read from the main window's fields.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "job/job_sink.h"
#include "app/paths.h"
#include "merge/merge_request.h"
#include "split/split_job.h"
#include "split/split_request.h"

struct JobState {
  int englishUi = 1;  // 1: English texts, 0: Japanese
  // 0 when a progress dialog opens, -2 after Cancel; read by the worker.
  std::atomic<int32_t> cancelRequested{0};
  // Set when the job starts moving its outputs into place: a Cancel after
  // that comes too late (JobSink::BeginCommit). Cleared with the flag above.
  std::atomic<bool> committing{false};
  char statusText[kPathBytes] = "";
  // The last split's output names (for Split-Merge) and whether its engine ran.
  std::string firstOutputPath;  // UTF-8
  std::string secondOutputPath;
  bool splitEngineStarted = false;
  // The input that the last split or merge refused because it is damaged (cut
  // short, no index or a broken one), which a repair can rebuild; empty
  // otherwise. Cleared when a progress dialog opens, set by the worker from
  // the job's outcome; the main window then offers the repair.
  std::string repairableInput;
  // The names the user let this job replace (JobSink::MayReplace), asked
  // about before it wrote: the commit does not ask about them again.
  // Cleared when a progress dialog opens; used by the worker only.
  std::vector<std::string> replaceAllowed;
};

// The one job record of the program.
JobState& AppJobState();

inline bool CancelSet(const JobState& state) { return state.cancelRequested.load() != 0 && !state.committing.load(); }
// Copies text into the status line buffer, cut to fit.
void SetStatusText(JobState& state, const char* text);
// Sends the status text and bar value to the progress dialog (returns once it has taken them).
void ReportProgress(JobState& state, int cells);

// A message box through the jobs' sink (owner the progress dialog or the main window).
void ShowMessage(JobState& state, const char* text, MessageOwner owner = MessageOwner::ProgressWindow);

// The jobs' sink over AppJobState(): progress to the progress dialog, message
// boxes owned by it (or by the main window), the plug-in.
JobSink& AppJobSink();

// Connects the job record to the main window (source of the fields and owner
// of its own message boxes), the plug-in library (may be null) and the
// interface language (1 English, 0 Japanese). Call once the main window exists.
void InitWin32Host(HWND mainWindow, HMODULE plugin, int englishUi);

// The requests as the main window's fields give them: file names whole, in
// UTF-8 (any name Windows allows, of any length), the other texts at most 259
// bytes as the dialog's fields hold them. Read with sent messages, so the
// worker thread may call them while the UI thread sits in the progress dialog.
SplitRequest ReadSplitRequest();
// The Split tab's Exact cut box.
bool ReadSplitExact();
// With the plug-in as the joined file's writer (PluginJoinedFile).
MergeRequest ReadMergeRequest();

// The work the window hands to the plug-in library given to InitWin32Host,
// TavrinD.dll, through its channel (ui/plugin_channel.h): the size split
// (SizeSplitUnavailable without a library or its entry "TestFunc", so the job
// ends without a message) and the joined file of a planned merge (false
// when not written: the merge then reports its summary).
SplitOutcome PluginSizeSplit(const SplitRequest& request, const TimeSplit& checked, JobSink& sink);
bool PluginJoinedFile(const JoinedFileWork& work, JobSink& sink);

// The progress dialog now running (target of progress reports, owner of the
// jobs' boxes). Set by the progress dialog; keeps the last one after it ends.
void SetProgressWindow(HWND dialog);
HWND ProgressWindow();
