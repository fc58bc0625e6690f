// Repair from the window: from the Operate menu with the Split page's file
// (or one the user chooses), and offered after a split or merge whose job
// refused an input because it is damaged. The jobs say so in their outcome
// (`repairable`); a split refused for want of an index says so by its result.
// The worker copies that into JobState::repairableInput, which the main
// window reads once the progress dialog has ended and the job's own message
// has been dismissed.
#include <string>
#include <vector>

#include "merge/merge_result.h"
#include "split/split_request.h"
#include "share/split_result.h"
#include "ui/shell_state.h"
#include "ui/resource_ids.h"
#include "ui/shell_texts.h"
#include "ui/tool_jobs.h"
#include "ui/tool_texts.h"
#include "ui/tool_ui.h"
#include "ui/tools.h"
#include "ui/wide_text.h"
#include "ui/win32_host.h"

std::string RepairableInput(const SplitOutcome& outcome, const SplitRequest& request) {
  if (!outcome.repairable.empty()) return outcome.repairable;
  return outcome.result == SplitResult::NoIndex ? request.path : "";
}

std::string RepairableInput(const MergeOutcome& outcome) { return outcome.repairable; }

void RepairFile(HWND mainWindow, const std::string& path) {
  RepairRequest request;
  request.path = path;
  const RepairOutcome outcome = RunRepairProgress(mainWindow, request);
  if (CancelSet(AppJobState())) {
    ToolMessage(mainWindow, UiText(shell_text::kBreak));
    return;
  }
  if (outcome.Number() != 0 || outcome.nothingToRepair || outcome.written.empty()) return;
  // The repaired copy is what the user will split or merge next.
  for (int field : {IDC_SRC_FILE, IDC_MERGE_FILE1, IDC_MERGE_FILE2}) {
    HWND control = GetDlgItem(mainWindow, field);
    if (WindowTextUtf8(control) == path) SetWindowTextUtf8(control, outcome.written);
  }
}

void RepairFromMenu(HWND mainWindow) {
  std::string path = WindowTextUtf8(GetDlgItem(mainWindow, IDC_SRC_FILE));
  if (path.empty()) {
    const std::vector<std::string> chosen =
        ChooseAviFiles(mainWindow, AppShell().orgFolder, "", false, tool_text::kChooseTitle);
    if (chosen.empty()) return;
    path = chosen.front();
  }
  RepairFile(mainWindow, path);
}

bool OfferRepairAfterRefusal(HWND mainWindow) {
  const std::string path = AppJobState().repairableInput;
  if (path.empty() || CancelSet(AppJobState())) return false;
  const std::wstring question = UiText(tool_text::kOfferRepair) + L"\n\n" + WideFromUtf8(path);
  if (ToolMessage(mainWindow, question, MB_YESNO | MB_ICONQUESTION) == IDYES) RepairFile(mainWindow, path);
  return true;
}
