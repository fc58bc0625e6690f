// The merge's results: the number each reports and its message, English and
// Japanese side by side.
#include <cstddef>
#include <cstdio>

#include "merge/merge_result.h"
#include "job/result_table.h"
#include "texts/merge_texts.h"

namespace {

constexpr int32_t kFromStructure = 0;  // Unsupported, StructureDiffers: the structure code
constexpr int32_t kDependsOnEngine = 0;

using Row = ResultRow<MergeResult>;

constexpr Row kRows[] = {
    {MergeResult::Completed, 0, kNoText},
    {MergeResult::Cancelled, kDependsOnEngine, kNoText},
    {MergeResult::File1NotOpen, -6, texts::kMergeFile1NotOpen},
    {MergeResult::File1TooLarge, -7, texts::kMergeFile1TooLarge},
    {MergeResult::File2NotOpen, -1, texts::kMergeFile2NotOpen},
    {MergeResult::File2TooLarge, -2, texts::kMergeFile2TooLarge},
    {MergeResult::File2NotRiff, -5, texts::kMergeFile2NotRiff},
    {MergeResult::File1NotRiff, -10, texts::kMergeFile1NotRiff},
    {MergeResult::Unsupported, kFromStructure, texts::kAviFileUnsupported},
    {MergeResult::StructureDiffers, kFromStructure, texts::kMergeStructureDiffers},
    {MergeResult::BadSourceName, 300, texts::kMergeBadSourceName},
    {MergeResult::NoOutputName, 301, texts::kCannotCreateJoinedName},
    {MergeResult::ReadError, 302, texts::kCannotReadFile},
    {MergeResult::InputChanged, 303, texts::kMergeInputChanged},
};

constexpr auto kTable = ResultTableOf(kRows);
static_assert(kTable.Complete(), "one row per MergeResult, in order, with both languages");

}  // namespace

const TextPair kMergeFile2Analyzing = texts::kMergeFile2Analyzing;
const TextPair kMergeFile1Analyzing = texts::kMergeFile1Analyzing;
const TextPair kMergeJoinedWritten = texts::kCompleted;
const TextPair kMergeSummaryFormat = texts::kMergeSummaryFormat;

int32_t MergeResultNumber(MergeResult result, uint32_t structureCode, bool engineStarted) {
  if (result == MergeResult::Cancelled) return engineStarted ? -1 : 0;
  if (result == MergeResult::Unsupported || result == MergeResult::StructureDiffers) return int32_t(structureCode);
  return kTable.Number(result);
}

const TextPair* MergeResultText(MergeResult result) { return kTable.Text(result); }

const TextPair kMergeWriting = texts::kFileCreating;
const TextPair kJoinedNameIsInput = texts::kJoinedNameIsInput;
const TextPair kJoinedCannotWrite = texts::kCannotCreateFile;
const TextPair kJoinedInputDamaged = texts::kJoinedInputDamaged;
const TextPair kJoinedTooLarge = texts::kJoinedTooLarge;
const TextPair kMergeCanJoinInstead = texts::kMergeCanJoinInstead;
const TextPair kMergeSoundDiffers = texts::kMergeSoundDiffers;
const TextPair kMergeSeamSoundDiffers = texts::kMergeSeamSoundDiffers;

std::vector<std::string> SoundWarnings(const std::vector<int>& streams, int englishUi) {
  std::vector<std::string> warnings;
  for (int stream : streams) {
    char text[300];
    std::snprintf(text, sizeof text, Pick(kMergeSoundDiffers, englishUi), stream);
    warnings.push_back(text);
  }
  return warnings;
}
