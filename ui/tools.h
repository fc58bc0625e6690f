// The Operate menu's tools beside the two tabs: Join Files, Split into
// Pieces, Cut, Streams, Repair and Batch, each a modal dialog or box owned by the main window.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct MergeOutcome;
struct SplitOutcome;
struct SplitRequest;

// The Join dialog, its list starting with files (in that order).
void RunJoinDialog(HWND mainWindow, const std::vector<std::string>& files = {});
void RunPiecesDialog(HWND mainWindow);
// The Cut dialog for the Split page's file (or one chosen in it).
void RunCutDialog(HWND mainWindow);
// The Streams dialog for the Split page's file (or one chosen in it).
void RunStreamsDialog(HWND mainWindow);

// The Batch dialog, its list starting with files (in natural order).
void RunBatchDialog(HWND mainWindow, const std::vector<std::string>& files = {});
// While the Batch dialog is open, files dropped on the main window go to its
// list: true when it took the drop (and ended it).
bool DropIntoBatch(HDROP drop);

// Repairs the Split page's file, or one the user chooses when it is empty.
void RepairFromMenu(HWND mainWindow);
// Runs the repair of path; after a repair that wrote a copy, the main
// window's file fields that named path name the copy.
void RepairFile(HWND mainWindow, const std::string& path);
// After a split or merge whose job refused an input as damaged (its own
// message already shown): asks whether to repair it now, Yes or No. True
// when it asked.
bool OfferRepairAfterRefusal(HWND mainWindow);

// The input a finished split or merge refused as damaged, or "".
std::string RepairableInput(const SplitOutcome& outcome, const SplitRequest& request);
std::string RepairableInput(const MergeOutcome& outcome);
