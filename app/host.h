// The host interface: how jobs, the walk and the engines reach the user
// interface (progress, cancel, message boxes, controls, plug-in), plus the state one job run shares.
#pragma once
#include <atomic>
#include <cstdint>

#include "avi/avi_analysis.h"
#include "avi/byte_input.h"

constexpr int kPathBytes = 260;
constexpr int kOutputPathBytes = 261;

enum class MessageOwner { ProgressWindow, MainWindow };

struct JobHost {
  void* context;
  // The status line and bar: the text stays valid only during the call.
  void (*progress)(void* context, const char* statusText, int cells);
  // A modal message box with the host's caption; returns when dismissed.
  void (*messageBox)(void* context, const char* text, MessageOwner owner);
  // Reads a main-window field (at most kPathBytes - 1 bytes plus the zero).
  void (*readField)(void* context, int controlId, char* buffer);
  // True when bit 0 of the control's button state is set.
  bool (*isChecked)(void* context, int controlId);
  // Calls the plug-in's "TestFunc"; false when there is no library or entry.
  bool (*callPlugin)(void* context, int32_t first, int32_t second, int32_t* result);
};

struct MergePlan;

struct JobState {
  JobHost host;
  int englishUi;  // 1: English texts, 0: Japanese
  std::atomic<int32_t> cancelRequested{0};

  AviAnalysis analysis;
  char inputPath[kPathBytes];
  ByteInput inputFile;
  ByteInput secondInputFile;
  char firstOutputPath[kOutputPathBytes];
  char secondOutputPath[kOutputPathBytes];
  char statusText[kPathBytes];

  // Set by the split job just before its engine starts: after a cancel, only
  // then may the window delete this run's outputs.
  bool splitEngineStarted = false;

  // The merge job's two input paths, and the plan the merge engine hands
  // over to the plug-in (set only during that call).
  char mergeInputPaths[2][kPathBytes] = {};
  const MergePlan* mergePlan = nullptr;
};

inline bool CancelSet(const JobState& state) { return state.cancelRequested.load() != 0; }

// Copies text into the status line buffer, cut to fit.
void SetStatusText(JobState& state, const char* text);
// Shows a message box through the host.
void ShowMessage(JobState& state, const char* text, MessageOwner owner = MessageOwner::ProgressWindow);

// Sends the current status text and bar value to the host.
inline void ReportProgress(JobState& state, int cells) {
  if (state.host.progress) state.host.progress(state.host.context, state.statusText, cells);
}
