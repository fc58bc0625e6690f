// The progress dialog (split, merge and any-job variants) and the worker thread that
// runs the job; the worker talks to the dialog only through sent WM_COMMANDs.
#include "ui/progress_dialog.h"

#include <process.h>

#include <cstring>
#include <memory>
#include <string>

#include "app/texts.h"
#include "cut/exact_split.h"
#include "exact/exact_coder.h"
#include "io/file_system.h"
#include "io/wide_path.h"
#include "merge/merge_job.h"
#include "split/split_engine.h"
#include "split/split_job.h"
#include "ui/dpi.h"
#include "ui/player_hint_sink.h"
#include "ui/tool_texts.h"
#include "ui/tools.h"
#include "ui/win32_host.h"
#include "ui/window_exact_coder.h"

// The dialog's own texts below are UTF-8, shown through the W functions.
static_assert(sizeof("分解") == 7, "the window's texts are UTF-8: no -fexec-charset for the program");

namespace {

const TextPair kSplitTitle = {"Tavrin - Split", "Tavrin - 分解"};
const TextPair kMergeTitle = {"Tavrin - Merge", "Tavrin - 結合"};
const TextPair kWorkerNotStartedText = {"Error", "エラー"};

// The Split tab's time split with Exact cut ticked: the cut job on the
// request `tavrin split --exact` makes (cut/exact_split.h), re-encoded by the
// window's coder. The fields are checked first as the split job checks them,
// so a wrong field meets the split's own refusal.
int32_t WindowExactSplit(JobState& state, const SplitRequest& split) {
  JobSink& sink = AppJobSink();
  TimeSplit time;
  SplitResult checked = CheckTimeFields(split, &time);
  if (checked == SplitResult::Completed) checked = CheckOverlapField(split, &time);
  if (checked != SplitResult::Completed) {
    if (const TextPair* text = SplitResultText(checked))
      sink.Message(Pick(*text, sink.EnglishUi()), MessageOwner::ProgressWindow);
    return SplitResultNumber(checked, false);
  }
  ExactSplitFields fields;
  fields.path = split.path;
  fields.hours = split.hours;
  fields.minutes = split.minutes;
  fields.seconds = split.seconds;
  fields.overlap = split.create != CreateMode::First ? split.overlap : "";
  fields.first = split.create != CreateMode::Second;
  fields.second = split.create != CreateMode::First;
  CutRequest request;
  const std::string problem = MakeExactSplitRequest(fields, &request);
  if (!problem.empty()) {  // the checks above leave none; never silent all the same
    sink.Message(problem.c_str(), MessageOwner::ProgressWindow);
    return CutResultNumber(CutResult::RangeInvalid);
  }
  if (!split.outputFolder.empty()) request.output = filesys::PathInFolder(split.outputFolder, split.path);
  const std::unique_ptr<ExactCoder> coder = WindowExactCoder();
  request.coder = coder.get();
  state.repairableInput.clear();
  const CutOutcome outcome = CutJob(request, sink);
  const size_t second = fields.first ? 1 : 0;  // the 2nd file alone is the only one
  if (fields.first && !outcome.outputs.empty()) state.firstOutputPath = outcome.outputs[0];
  if (fields.second && outcome.outputs.size() > second) state.secondOutputPath = outcome.outputs[second];
  return outcome.Number();
}

// The jobs the dialog runs by default: the request from the main window's
// fields, the job, and what the window needs of its outcome afterwards.
int32_t WindowSplitJob(JobState& state) {
  state.splitEngineStarted = false;
  const SplitRequest request = ReadSplitRequest();
  if (request.by == SplitBy::Time && ReadSplitExact()) return WindowExactSplit(state, request);
  PlayerHintSink sink(AppJobSink());
  const SplitOutcome outcome = SplitJob(request, sink, PluginSizeSplit);
  sink.Finish(outcome.result == SplitResult::Completed);
  state.splitEngineStarted = outcome.engineStarted;
  state.repairableInput = RepairableInput(outcome, request);
  if (outcome.engineStarted && !outcome.firstOutput.empty()) {
    state.firstOutputPath = outcome.firstOutput;
    state.secondOutputPath = outcome.secondOutput;
  }
  return outcome.Number();
}

int32_t WindowMergeJob(JobState& state) {
  const MergeOutcome outcome = MergeJob(ReadMergeRequest(), AppJobSink());
  state.repairableInput = RepairableInput(outcome);
  return outcome.Number();
}

constexpr int kCells = 100;
// The bar is painted in pixels (frame x 20..320 at 96 DPI, scaled with the
// DPI as the dialog units are) while the templates are in dialog units; the
// client area must be at least this wide to show all of it.
constexpr int kBarClientWidth = 341;
constexpr int kBarTop = 50;  // the frame's top edge

// What sets the two variants apart, and each variant's own bar value and result.
struct Variant {
  const TextPair* title;
  COLORREF barColour;
  void(__cdecl* worker)(void*);
  JobFunction defaultJob;
  JobFunction job;
  int32_t progressCells;
  int32_t jobResult;
};

Variant splitVariant = {&kSplitTitle, RGB(200, 170, 130), SplitWorker, WindowSplitJob, nullptr, 0, 0};
Variant mergeVariant = {&kMergeTitle, RGB(170, 130, 200), MergeWorker, WindowMergeJob, nullptr, 0, 0};

// Any other job: its title, colour and function are set for each run.
TextPair anyTitle = kSplitTitle;
AnyJob anyJob;
int32_t RunAnyJob(JobState& state) { return anyJob(state); }
void __cdecl AnyWorker(void* jobResult);
Variant anyVariant = {&anyTitle, RGB(0, 0, 0), AnyWorker, RunAnyJob, nullptr, 0, 0};

bool StartWithRuntime(void(__cdecl* entry)(void*), void* argument) {
  // Default stack size; the thread is never joined, _beginthread's handle closes itself.
  return _beginthread(entry, 0, argument) != uintptr_t(-1);
}

WorkerStarter workerStarter = StartWithRuntime;

void PaintBar(HDC dc, int cells, COLORREF colour, int dpi) {
  auto at = [dpi](int pixels) { return ScaledFrom96(pixels, dpi); };
  // White box with a grey 1-pixel border; its inside spans x 21..319, y 51..78 (96 DPI).
  HPEN framePen = CreatePen(PS_SOLID, 1, RGB(150, 150, 150));
  HGDIOBJ oldPen = SelectObject(dc, framePen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
  Rectangle(dc, at(20), at(50), at(321), at(80));
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(framePen);

  // Cells 2 pixels wide, 26 high, 1 pixel apart: cell 99 ends at x = 319 (96 DPI).
  HPEN cellPen = CreatePen(PS_SOLID, 0, colour);
  HBRUSH cellBrush = CreateSolidBrush(colour);
  oldPen = SelectObject(dc, cellPen);
  oldBrush = SelectObject(dc, cellBrush);
  for (int i = 0; i < cells; ++i) Rectangle(dc, at(21 + 3 * i), at(52), at(23 + 3 * i), at(78));
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(cellPen);
  DeleteObject(cellBrush);
}

RECT ClientRectOf(HWND dialog, HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The bar is painted in pixels while the templates are in dialog units, so
// the font decides whether they meet. With a small font (the English template
// names no face) the client area is narrower than the bar, whose last cells
// would be cut off: widen the dialog then, keeping Cancel in the middle. With
// a tall font the status line reaches down over the frame's top edge and
// paints it out: end it above the frame.
void FitBar(HWND dialog) {
  RECT client;
  GetClientRect(dialog, &client);
  const int dpi = WindowDpi(dialog);
  const int barTop = ScaledFrom96(kBarTop, dpi);
  int extra = ScaledFrom96(kBarClientWidth, dpi) - client.right;
  if (extra > 0) {
    RECT window;
    GetWindowRect(dialog, &window);
    SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + extra, window.bottom - window.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    RECT button = ClientRectOf(dialog, cancel);
    SetWindowPos(cancel, nullptr, button.left + extra / 2, button.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  HWND statusLine = GetDlgItem(dialog, IDC_STATUS);
  RECT status = ClientRectOf(dialog, statusLine);
  if (status.bottom > barTop && status.top < barTop)
    SetWindowPos(statusLine, nullptr, 0, 0, status.right - status.left, barTop - status.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR InitDialog(HWND dialog, Variant& variant) {
  JobState& state = AppJobState();
  SetWindowTextW(dialog, WideFromUtf8(Pick(*variant.title, state.englishUi)).c_str());
  FitBar(dialog);
  CenterOnDesktop(dialog);
  variant.progressCells = 0;
  SetProgressWindow(dialog);
  state.cancelRequested.store(0);
  state.committing.store(false);
  state.repairableInput.clear();
  state.replaceAllowed.clear();
  if (!workerStarter(variant.worker, &variant.jobResult)) {
    // No worker means no CMD_JOB_DONE would ever end this modal dialog: say so
    // and end at once with a result that no job returns.
    variant.jobResult = kWorkerNotStarted;
    MessageBoxW(dialog, WideFromUtf8(Pick(kWorkerNotStartedText, state.englishUi)).c_str(), L"Tavrin",
                MB_OK | MB_SETFOREGROUND);
    EndDialog(dialog, variant.jobResult);
  }
  return TRUE;  // the system puts the focus on the Cancel button
}

INT_PTR ProgressProc(Variant& variant, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return InitDialog(dialog, variant);
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDCANCEL:  // the Cancel button and the Esc key
          AppJobState().cancelRequested.store(-2);
          return TRUE;
        case CMD_PROGRESS: {
          // Only 0..100 are ever meant; anything else must not paint past the frame.
          LPARAM cells = lParam < 0 ? 0 : lParam > kCells ? kCells : lParam;
          variant.progressCells = int32_t(cells);
          // The status line is a job's text, UTF-8 (texts/).
          SetDlgItemTextW(dialog, IDC_STATUS, WideFromUtf8(AppJobState().statusText).c_str());
          InvalidateRect(dialog, nullptr, TRUE);
          return TRUE;
        }
        case CMD_JOB_DONE:
          EndDialog(dialog, variant.jobResult);
          // This arrives as a message sent from the worker, which the modal
          // loop handles inside its wait; Wine's loop then notices the end
          // only at the next queued message, so queue one.
          PostMessageW(dialog, WM_NULL, 0, 0);
          return TRUE;
        default:
          return FALSE;
      }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(dialog, &paint);
      PaintBar(dc, variant.progressCells, variant.barColour, WindowDpi(dialog));
      EndPaint(dialog, &paint);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

void RunWorker(Variant& variant, void* jobResult) {
  int32_t* result = static_cast<int32_t*>(jobResult);
  JobFunction job = variant.job ? variant.job : variant.defaultJob;
  *result = job(AppJobState());
  // Returns once the dialog has called EndDialog; the thread then ends.
  SendMessageW(ProgressWindow(), WM_COMMAND, CMD_JOB_DONE, 0);
}

INT_PTR RunProgress(HINSTANCE instance, HWND owner, DLGPROC procedure) {
  const wchar_t* templateName = AppJobState().englishUi ? L"THDDLGE" : L"THDDLG";
  return DialogBoxParamW(instance, templateName, owner, procedure, 0);
}

INT_PTR CALLBACK AnyProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return ProgressProc(anyVariant, dialog, message, wParam, lParam);
}

void __cdecl AnyWorker(void* jobResult) { RunWorker(anyVariant, jobResult); }

}  // namespace

INT_PTR CALLBACK SplitProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return ProgressProc(splitVariant, dialog, message, wParam, lParam);
}

INT_PTR CALLBACK MergeProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return ProgressProc(mergeVariant, dialog, message, wParam, lParam);
}

void __cdecl SplitWorker(void* jobResult) { RunWorker(splitVariant, jobResult); }
void __cdecl MergeWorker(void* jobResult) { RunWorker(mergeVariant, jobResult); }

int CenterOnDesktop(HWND window) {
  RECT desktop;
  RECT own;
  GetWindowRect(GetDesktopWindow(), &desktop);
  GetWindowRect(window, &own);
  int width = own.right - own.left;
  int height = own.bottom - own.top;
  int x = (desktop.right - width) / 2;
  int y = (desktop.bottom - height) / 2;
  SetWindowPos(window, nullptr, x, y, width, height, SWP_SHOWWINDOW);
  return 0;
}

void SetSplitJobFunction(JobFunction job) { splitVariant.job = job; }
void SetMergeJobFunction(JobFunction job) { mergeVariant.job = job; }

void SetWorkerStarter(WorkerStarter starter) { workerStarter = starter ? starter : StartWithRuntime; }

INT_PTR RunSplitProgress(HINSTANCE instance, HWND owner) { return RunProgress(instance, owner, SplitProgressProc); }
INT_PTR RunMergeProgress(HINSTANCE instance, HWND owner) { return RunProgress(instance, owner, MergeProgressProc); }

INT_PTR RunJobProgress(HINSTANCE instance, HWND owner, const TextPair& title, COLORREF barColour, AnyJob job) {
  anyTitle = title;
  anyVariant.barColour = barColour;
  anyJob = std::move(job);
  const INT_PTR result = RunProgress(instance, owner, AnyProgressProc);
  anyJob = nullptr;
  return result;
}
