// The split job: reads and checks the Split tab's fields, opens and analyses
// the input, runs the split engine and shows the outcome.
#include "split/split_job.h"

#include <cstdio>
#include <cstring>

#include "app/control_ids.h"
#include "app/file_probe.h"
#include "app/host.h"
#include "avi/fourcc.h"
#include "split/number_field.h"
#include "split/split_engine.h"
#include "split/split_texts.h"

namespace {

int32_t Fail(JobState& state, int32_t result, SplitTextId text) {
  ShowMessage(state, Pick(SplitText(text), state.englishUi));
  return result;
}

bool Checked(JobState& state, int controlId) {
  return state.host.isChecked && state.host.isChecked(state.host.context, controlId);
}

void ReadField(JobState& state, int controlId, char* buffer) {
  buffer[0] = 0;
  if (state.host.readField) state.host.readField(state.host.context, controlId, buffer);
  buffer[kPathBytes - 1] = 0;
}

// Reads a number field; false when its text holds a forbidden character.
bool ReadNumber(JobState& state, int controlId, double* value) {
  char text[kPathBytes];
  ReadField(state, controlId, text);
  return ParseNumberField(text, value);
}

// The hand-over of a size-based split to the plug-in library.
int32_t SplitBySize(JobState& state, int32_t createMode, double overlap) {
  int32_t result = 0;
  if (!state.host.callPlugin ||
      !state.host.callPlugin(state.host.context, createMode, int32_t(overlap), &result))
    return -3;  // no library or no entry: nothing to say
  if (CancelSet(state)) return -3;  // the window reports the cancel
  return Fail(state, -3, result == 0 ? kTextPluginCompleted : kTextPluginError);
}

}  // namespace

int32_t SplitJob(JobState& state) {
  state.splitEngineStarted = false;
  const int english = state.englishUi;

  int32_t createMode = kCreateSecond;
  if (Checked(state, IDC_CREATE_BOTH))
    createMode = kCreateBoth;
  else if (Checked(state, IDC_CREATE_FIRST))
    createMode = kCreateFirst;

  double overlap = 0.0;
  if (createMode != kCreateFirst) {
    if (!ReadNumber(state, IDC_OVERLAP, &overlap)) return Fail(state, -1, kTextOverlapInvalid);
    if (overlap < 0 || overlap > 60) return Fail(state, -2, kTextOverlapRange);
  }

  if (Checked(state, IDC_BY_SIZE)) return SplitBySize(state, createMode, overlap);

  double hours = 0, minutes = 0, seconds = 0;
  if (!ReadNumber(state, IDC_HOURS, &hours)) return Fail(state, -5, kTextHoursInvalid);
  if (!ReadNumber(state, IDC_MINUTES, &minutes)) return Fail(state, -6, kTextMinutesInvalid);
  if (!ReadNumber(state, IDC_SECONDS, &seconds)) return Fail(state, -7, kTextSecondsInvalid);
  if (hours == 0 && minutes == 0 && seconds == 0) return Fail(state, -8, kTextTimeZero);

  ReadField(state, IDC_SRC_FILE, state.inputPath);
  uint32_t fileSize = 0;
  switch (ProbeInputFile(state.inputPath, &fileSize)) {
    case ProbeResult::CannotOpen: return Fail(state, -9, kTextFileNotOpen);
    case ProbeResult::TooLarge: return Fail(state, -10, kTextFileTooLarge);
    case ProbeResult::Ok: break;
  }
  ByteInput& input = state.inputFile;
  if (!input.Open(state.inputPath)) return Fail(state, -9, kTextFileNotOpen);

  AviAnalysis& a = state.analysis;
  ResetAnalysis(a);
  SetStatusText(state, Pick(SplitText(kTextAnalyzing), english));
  ReportProgress(state, 0);
  if (CancelSet(state)) {
    input.Close();
    return 0;
  }
  a.progressBase = 0;
  a.progressSpan = 10;
  a.progressTotal = fileSize;
  a.progressLast = 0;
  if (input.U32At(0) != kRiff) {
    input.Close();
    return Fail(state, -13, kTextNotRiff);
  }
  WalkChunks(state, input, 0, fileSize, 0);
  a.chunkBase = DetectChunkBase(a, input);
  if (CancelSet(state)) {
    input.Close();
    return 0;
  }

  const TimeSplitRequest request{1, hours, minutes, seconds, overlap, createMode};
  state.splitEngineStarted = true;
  const int32_t result = SplitEngine(state, request);
  input.Close();
  if (CancelSet(state)) return -1;  // the window reports the cancel and removes the outputs

  SetStatusText(state, Pick(SplitResultText(result), english));
  // The first file was created, the second could not be: drop the first too.
  if (result == kSplitCannotCreateSecond && createMode == kCreateBoth) std::remove(state.firstOutputPath);
  if (result == 0 && Checked(state, IDC_SPLIT_MERGE)) return 0;  // the window merges next
  ShowMessage(state, state.statusText);
  return result;
}
