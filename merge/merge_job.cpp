// The merge job: checks both inputs, analyses the second and then the first,
// compares their headers, runs the merge engine and shows its outcome.
#include "merge/merge_job.h"

#include <cstring>

#include "app/control_ids.h"
#include "app/file_probe.h"
#include "app/host.h"
#include "avi/fourcc.h"
#include "merge/merge_engine.h"
#include "merge/merge_texts.h"

namespace {

constexpr double kSearchWindowSeconds = 60.0;
constexpr int32_t kPluginMode = 1;

struct MergeRun {
  JobState& state;

  void ReadField(int controlId, char* buffer) {
    buffer[0] = 0;
    if (state.host.readField) state.host.readField(state.host.context, controlId, buffer);
    buffer[kPathBytes - 1] = 0;
  }

  void CloseInputs() {
    state.inputFile.Close();
    state.secondInputFile.Close();
  }

  // Closes the inputs, shows the text and returns result.
  int32_t Fail(int32_t result, MergeText text, MessageOwner owner = MessageOwner::ProgressWindow) {
    CloseInputs();
    ShowMessage(state, MergeString(text, state.englishUi), owner);
    return result;
  }

  void Status(MergeText text, int cells) {
    SetStatusText(state, MergeString(text, state.englishUi));
    ReportProgress(state, cells);
  }

  void PrepareWalk(int base, uint32_t size) {
    AviAnalysis& a = state.analysis;
    a.progressBase = base;
    a.progressSpan = 5;
    a.progressTotal = size;
    a.progressLast = 0;
  }

  bool StartsWithRiff(ByteInput& file) { return file.U32At(0) == kRiff; }

  int32_t Run();
};

int32_t MergeRun::Run() {
  char field[kPathBytes];
  AviAnalysis& a = state.analysis;

  ReadField(IDC_MERGE_FILE1, field);
  std::memcpy(state.inputPath, field, sizeof field);
  uint32_t firstSize = 0;
  switch (ProbeInputFile(field, &firstSize)) {
    case ProbeResult::CannotOpen: return Fail(-6, MergeText::File1NotOpen);
    case ProbeResult::TooLarge: return Fail(-7, MergeText::File1TooLarge);
    case ProbeResult::Ok: break;
  }
  ReadField(IDC_MERGE_FILE2, field);
  uint32_t secondSize = 0;
  switch (ProbeInputFile(field, &secondSize)) {
    case ProbeResult::CannotOpen: return Fail(-1, MergeText::File2NotOpen);
    case ProbeResult::TooLarge: return Fail(-2, MergeText::File2TooLarge);
    case ProbeResult::Ok: break;
  }

  ReadField(IDC_MERGE_FILE1, field);
  std::memcpy(state.mergeInputPaths[0], field, sizeof field);
  if (!state.inputFile.Open(field)) return Fail(-6, MergeText::File1NotOpen);
  ReadField(IDC_MERGE_FILE2, field);
  std::memcpy(state.mergeInputPaths[1], field, sizeof field);
  if (!state.secondInputFile.Open(field)) return Fail(-1, MergeText::File2NotOpen);

  // The second input first: its figures are kept while the first is analysed.
  ResetAnalysis(a);
  Status(MergeText::File2Analyzing, 0);
  if (CancelSet(state)) {
    CloseInputs();
    return 0;
  }
  PrepareWalk(0, secondSize);
  if (!StartsWithRiff(state.secondInputFile)) return Fail(-5, MergeText::File2NotAvi);
  WalkChunks(state, state.secondInputFile, 0, secondSize, 0);
  a.chunkBase = DetectChunkBase(a, state.secondInputFile);
  SaveSecondInput(a);

  ResetAnalysis(a);
  Status(MergeText::File1Analyzing, 5);
  if (CancelSet(state)) {
    CloseInputs();
    return 0;
  }
  PrepareWalk(5, firstSize);
  if (!StartsWithRiff(state.inputFile))
    return Fail(-10, MergeText::File1NotAvi, MessageOwner::MainWindow);
  WalkChunks(state, state.inputFile, 0, firstSize, 0);
  // A walk stopped by Cancel leaves a partial record; comparing it would
  // report a sound file as unsupported.
  if (CancelSet(state)) {
    CloseInputs();
    return 0;
  }
  a.chunkBase = DetectChunkBase(a, state.inputFile);

  uint32_t structure = CompareStructure(a, state.inputFile, state.secondInputFile);
  if (structure != 0)
    return Fail(int32_t(structure), structure <= 7 ? MergeText::Unsupported : MergeText::StructureDiffers);
  if (CancelSet(state)) {
    CloseInputs();
    return 0;
  }

  int32_t result = MergeEngine(state, kSearchWindowSeconds, kPluginMode);
  CloseInputs();
  if (CancelSet(state)) return -1;

  if (result == kMergeBadSourceName)
    SetStatusText(state, MergeString(MergeText::BadSourceName, state.englishUi));
  else if (result == kMergeNoOutputName)
    SetStatusText(state, MergeString(MergeText::NoOutputName, state.englishUi));
  else if (result != 0)
    SetStatusText(state, MergeString(MergeText::Error, state.englishUi));
  ShowMessage(state, state.statusText);
  return result;
}

}  // namespace

int32_t MergeJob(JobState& state) {
  MergeRun run{state};
  return run.Run();
}
