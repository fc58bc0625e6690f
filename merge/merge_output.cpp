#include "merge/merge_output.h"

#include "app/file_probe.h"
#include "app/host.h"
#include "merge/merge_texts.h"
#include "merge/staged_file.h"

namespace {

struct ProgressBar {
  JobState& state;
  const char* text;
  int fromCells;
  int shown;
};

void OnProgress(void* context, uint64_t done, uint64_t total) {
  ProgressBar& bar = *static_cast<ProgressBar*>(context);
  int cells = bar.fromCells + int(total ? (100 - bar.fromCells) * done / total : 0);
  if (cells == bar.shown) return;
  bar.shown = cells;
  SetStatusText(bar.state, bar.text);
  ReportProgress(bar.state, cells);
}

bool OnCancel(void* context) { return CancelSet(static_cast<ProgressBar*>(context)->state); }

}  // namespace

JoinRequest JoinRequestFor(JobState& state, const MergePlan& plan) {
  const AviAnalysis& a = state.analysis;
  return JoinRequest{&a,
                     {&state.inputFile, a.idx1Offset, a.idx1EntryTotal, a.chunkBase},
                     {&state.secondInputFile, a.secondIdx1Offset, a.secondIdx1EntryTotal, a.secondChunkBase},
                     a.secondIdx1EntryCount[a.firstVideoStream],
                     &plan};
}

JoinResult WriteMergedFile(JobState& state, const MergePlan& plan, const char* path, const char* statusText,
                           int fromCells) {
  ProgressBar bar{state, statusText, fromCells, -1};
  const JoinRequest request = JoinRequestFor(state, plan);
  if (MeasureJoinedFile(request).fileBytes > kMaxJoinedFileBytes) return JoinResult::TooLarge;
  StagedFile file;
  if (!file.Create(path)) return JoinResult::WriteFailed;
  JoinResult result = WriteJoinedFile(request, file.Sink(), JoinObserver{&bar, &OnProgress, &OnCancel});
  if (result == JoinResult::Written && CancelSet(state)) result = JoinResult::Cancelled;
  if (result != JoinResult::Written) {
    file.Abandon();
    return result;
  }
  return file.Commit() ? JoinResult::Written : JoinResult::WriteFailed;
}

int32_t WritePlannedMerge(JobState& state, const char* path) {
  if (!state.mergePlan) return 1;
  if (!path) path = state.inputPath;
  auto fail = [&](MergeText text, int32_t code) {
    ShowMessage(state, MergeString(text, state.englishUi));
    return code;
  };
  // Renaming the finished file into place would put it over the input.
  for (const char* input : state.mergeInputPaths)
    if (SameFile(path, input)) return fail(MergeText::JoinedNameIsInput, 2);
  const JoinResult result =
      WriteMergedFile(state, *state.mergePlan, path, MergeString(MergeText::Writing, state.englishUi), 10);
  switch (result) {
    case JoinResult::Written: return 0;
    case JoinResult::Cancelled: return -1;
    case JoinResult::InputShort: return fail(MergeText::InputDamaged, 3);
    case JoinResult::TooLarge: return fail(MergeText::JoinedTooLarge, 4);
    case JoinResult::WriteFailed: break;
  }
  return fail(MergeText::CannotWrite, 5);
}
