// The line under the Split page's file field (two lines high): the hint to
// drag a file while the field is empty, the chosen recording's facts once it
// holds an AVI file (playing time, frames and rate, codec, key-frame spacing,
// as `tavrin info` gives them, avi/video_facts.h).
#pragma once
#include <windows.h>

constexpr UINT_PTR kFactsLineTimer = 0x4654;

// The field changed: the line follows once typing has paused.
void FactsLineFieldChanged(HWND mainWindow);
// kFactsLineTimer fired, or the field was filled at once: the line now.
void UpdateFactsLine(HWND mainWindow);
