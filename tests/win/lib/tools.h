// The Operate menu's tools (join, pieces, cut, repair) in the program's own main
// dialog run inside the test: the jobs the window calls are recorded on
// their way to the real jobs, the tools' dialogs found and read, and a job
// followed through its progress dialog with every box it shows answered (or
// cancelled at a report: tests/win/lib/progress_watch.h).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "job/job_sink.h"
#include "tests/win/lib/browse.h"
#include "tests/win/lib/inproc.h"
#include "tests/win/lib/progress_watch.h"
#include "ui/tool_ids.h"
#include "ui/tool_jobs.h"
#include "ui/tool_ui.h"
#include "ui/win32_host.h"

namespace wt {

// ---- the jobs, recorded ------------------------------------------------------

template <class Request, class Outcome>
struct Recorded {
  std::vector<Request> requests;
  std::vector<Outcome> outcomes;
  Outcome Run(Outcome (*job)(const Request&, JobSink&), const Request& request, JobSink& sink) {
    requests.push_back(request);
    outcomes.push_back(job(request, sink));
    return outcomes.back();
  }
};

inline Recorded<JoinJobRequest, JoinOutcome> joins;
inline Recorded<PiecesRequest, PiecesOutcome> piecesRuns;
inline Recorded<RepairRequest, RepairOutcome> repairs;
inline Recorded<CutRequest, CutOutcome> cuts;
inline Recorded<ExtractRequest, StreamsOutcome> extracts;
inline Recorded<StreamSelectRequest, StreamsOutcome> streamChoices;
inline Recorded<DubRequest, DubOutcome> dubs;

inline JoinOutcome RecordJoin(const JoinJobRequest& r, JobSink& s) { return joins.Run(JoinOrMergeJob, r, s); }
inline PiecesOutcome RecordPieces(const PiecesRequest& r, JobSink& s) { return piecesRuns.Run(SplitPiecesJob, r, s); }
inline RepairOutcome RecordRepair(const RepairRequest& r, JobSink& s) { return repairs.Run(RepairJob, r, s); }
inline CutOutcome RecordCut(const CutRequest& r, JobSink& s) { return cuts.Run(CutJob, r, s); }
inline StreamsOutcome RecordExtract(const ExtractRequest& r, JobSink& s) { return extracts.Run(ExtractJob, r, s); }
inline StreamsOutcome RecordStreamSelect(const StreamSelectRequest& r, JobSink& s) {
  return streamChoices.Run(StreamSelectJob, r, s);
}
inline DubOutcome RecordDub(const DubRequest& r, JobSink& s) { return dubs.Run(DubJob, r, s); }

inline void RecordToolJobs() {
  SetJoinJobFunction(RecordJoin);
  SetPiecesJobFunction(RecordPieces);
  SetRepairJobFunction(RecordRepair);
  SetCutJobFunction(RecordCut);
  SetExtractJobFunction(RecordExtract);
  SetStreamSelectJobFunction(RecordStreamSelect);
  SetDubJobFunction(RecordDub);
}

// The main window started in folder with the tool jobs recorded, and the
// sample copied there as clip.avi for the Split page's file: clip's path.
inline std::string StartWithClip(InProcess& app, const std::string& folder, const std::string& sample) {
  const std::string clip = CopySample(sample, "clip.avi", folder);
  RecordToolJobs();
  app.Start(0, folder);
  SetDlgItemTextA(app.main, IDC_SRC_FILE, clip.c_str());
  return clip;
}

// ---- dialogs -----------------------------------------------------------------

// The tool dialog that owner opened, once its title reads title.
inline HWND WaitForDialog(HWND owner, const std::wstring& title, DWORD milliseconds = 10000) {
  HWND dialog = nullptr;
  WaitUntil(
      [&] {
        dialog = FindOf(GetCurrentProcessId(), Kind::OtherDialog, owner);
        return dialog != nullptr && TextW(dialog) == title;
      },
      milliseconds);
  return dialog && TextW(dialog) == title ? dialog : nullptr;
}

// Opens a tool dialog with its command of the main window's menu; what the
// dialog is called ("the cut dialog") names it in the check that it opened.
inline HWND OpenToolDialog(const InProcess& app, int command, const std::wstring& title, const std::string& called) {
  PostMessageA(app.main, WM_COMMAND, MAKEWPARAM(command, 0), 0);
  HWND dialog = WaitForDialog(app.main, title);
  Check(dialog != nullptr, called + " opens with its title", __FILE__, __LINE__);
  return dialog;
}

inline void Post(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// A click on a button as the mouse gives it: nothing when it is disabled.
inline void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
inline bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }

inline std::vector<std::string> ListEntries(HWND list) {
  std::vector<std::string> entries;
  const int count = int(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t text[1024] = {};
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    char narrow[2048] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    entries.push_back(narrow);
  }
  return entries;
}

// Selects entry index as a click would (the dialog hears LBN_SELCHANGE).
inline void SelectEntry(HWND dialog, int listId, int index) {
  HWND list = GetDlgItem(dialog, listId);
  SendMessageW(list, LB_SETCURSEL, index, 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(listId, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

inline std::string Show(const std::vector<std::string>& items) {
  std::string out = "[";
  for (const std::string& item : items) out += " " + Show(item);
  return out + " ]";
}

// Follows the job started from owner through its progress dialog (titled
// title): answers every box the job shows with OK until the dialog has gone.
// Returns the boxes' texts; "<no progress dialog>" when none came.
inline std::vector<std::wstring> FollowJob(HWND owner, const std::wstring& title) {
  HWND progress = WaitForDialog(owner, title, 15000);
  if (!Check(progress != nullptr, "the job's progress dialog opens", __FILE__, __LINE__)) return {L"<no progress dialog>"};
  std::vector<std::wstring> texts;
  while (IsWindow(progress)) {
    HWND box = FindMessageBox(progress);
    if (!box) {
      Sleep(10);
      continue;
    }
    texts.push_back(MessageTextW(box));
    Answer(box);  // Yes to replacing an earlier run's files
    WaitUntil([&] { return !IsWindow(box); }, 5000);
  }
  return texts;
}

// Presses a Yes/No box's button.
inline void PressButton(HWND box, int id) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
  WaitUntil([&] { return !IsWindow(box); }, 5000);
}

// The file dialog (open or save) that owner opened, titled title: name
// typed into it (empty: the name it offers kept) and Open or Save pressed.
// Returns the name it offered; "<no dialog>" when none came.
inline std::wstring AnswerFileDialog(HWND owner, const std::wstring& title, const std::wstring& name) {
  HWND dialog = WaitForDialog(owner, title);
  if (!Check(dialog != nullptr, "the file dialog opens", __FILE__, __LINE__)) return L"<no dialog>";
  HWND box = FileNameBox(dialog);
  const std::wstring offered = TextW(box);
  if (!name.empty()) SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  return offered;
}

inline std::wstring BreakText() { return Lang(L"Break", L"\u64CD\u4F5C\u304C\u4E2D\u65AD\u3055\u308C\u307E\u3057\u305F"); }

}  // namespace wt
