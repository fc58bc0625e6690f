// The modal progress dialog that runs a split or merge job on a worker thread
// and shows its status line, painted bar and Cancel button.
#pragma once
#include <windows.h>

#include <cstdint>

constexpr int CMD_PROGRESS = 300;
constexpr int CMD_JOB_DONE = 320;
constexpr int IDC_STATUS = 310;

INT_PTR CALLBACK SplitProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MergeProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Centres window on the desktop; returns 0.
int CenterOnDesktop(HWND window);

// Opens the split or merge progress dialog owned by owner, from THDDLG or
// THDDLGE by the interface language; returns the job result.
INT_PTR RunSplitProgress(HINSTANCE instance, HWND owner);
INT_PTR RunMergeProgress(HINSTANCE instance, HWND owner);
