// The modal progress dialog that runs a split, merge or other job on a worker thread
// and shows its status line, painted bar and Cancel button.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>

#include "app/texts.h"

struct JobState;

constexpr int CMD_PROGRESS = 300;  // WM_COMMAND from the worker: lParam = bar cells (0..100)
constexpr int CMD_JOB_DONE = 320;  // WM_COMMAND from the worker: the job has returned
constexpr int IDC_STATUS = 310;    // the status line

// The dialog's result when its worker thread could not be started: no job ran.
constexpr int32_t kWorkerNotStarted = -100;

INT_PTR CALLBACK SplitProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MergeProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Thread entries: jobResult is the address of the variant's JobResult.
void __cdecl SplitWorker(void* jobResult);
void __cdecl MergeWorker(void* jobResult);

// Centres window on the desktop; returns 0.
int CenterOnDesktop(HWND window);

// The job a variant's worker runs on AppJobState(). Defaults: the split and
// merge jobs on the requests read from the main window's fields; nullptr
// restores the default. Tests plug in their own jobs here.
using JobFunction = int32_t (*)(JobState& state);
void SetSplitJobFunction(JobFunction job);
void SetMergeJobFunction(JobFunction job);

// How the dialog starts its worker: returns false when no thread was started.
// The default uses the C runtime's _beginthread; tests replace it to see the
// dialog's behaviour when a thread cannot be started. nullptr restores it.
using WorkerStarter = bool (*)(void(__cdecl* entry)(void*), void* argument);
void SetWorkerStarter(WorkerStarter starter);

// Opens the split or merge progress dialog owned by owner, from THDDLG or
// THDDLGE by AppJobState().englishUi; returns the job result.
INT_PTR RunSplitProgress(HINSTANCE instance, HWND owner);
INT_PTR RunMergeProgress(HINSTANCE instance, HWND owner);

// Any other job under the same dialog, with a title and bar colour of its
// own: the worker runs job on AppJobState() and the dialog ends with the
// number it returns (kWorkerNotStarted when no worker could be started).
using AnyJob = std::function<int32_t(JobState& state)>;
INT_PTR RunJobProgress(HINSTANCE instance, HWND owner, const TextPair& title, COLORREF barColour, AnyJob job);
