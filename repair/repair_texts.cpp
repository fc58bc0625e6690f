// The repair's results: the number each reports and its message, English
// and Japanese side by side.
#include "repair/repair_result.h"
#include "job/result_numbers.h"
#include "job/result_table.h"
#include "texts/repair_texts.h"

namespace {

using Row = ResultRow<RepairResult>;

constexpr Row kRows[] = {
    {RepairResult::Repaired, result_number::kCompleted, kNoText},
    {RepairResult::NothingToRepair, result_number::kCompleted, texts::kRepairNothingToRepair},
    {RepairResult::Cancelled, result_number::kCancelled, kNoText},
    {RepairResult::InputNotOpen, result_number::kInputNotOpen, texts::kRepairInputNotOpen},
    {RepairResult::NotAvi, result_number::kInputNotAvi, texts::kRepairNotAvi},
    {RepairResult::NoHeader, result_number::kOwnResults, texts::kRepairNoHeader},
    {RepairResult::NoDataList, result_number::kOwnResults + 1, texts::kRepairNoDataList},
    {RepairResult::NoWholeChunk, result_number::kOwnResults + 2, texts::kRepairNoWholeChunk},
    {RepairResult::OutputIsInput, result_number::kNameIsInput, texts::kRepairOutputIsInput},
    {RepairResult::CannotCreate, result_number::kCannotWrite, texts::kCannotCreateFile},
    {RepairResult::WriteFailed, result_number::kCannotWrite, texts::kCannotCreateFile},
    {RepairResult::TooLarge, result_number::kTooLarge, texts::kRepairTooLarge},
    {RepairResult::ReadError, result_number::kReadError, texts::kCannotReadFile},
    {RepairResult::InputChanged, result_number::kInputChanged, texts::kRepairInputChanged},
};

constexpr auto kTable = ResultTableOf(kRows);
static_assert(kTable.Complete(), "one row per RepairResult, in order, with both languages");

}  // namespace

int32_t RepairResultNumber(RepairResult result) { return kTable.Number(result); }

const TextPair* RepairResultText(RepairResult result) { return kTable.Text(result); }

const TextPair kRepairReading = texts::kRepairReading;
const TextPair kRepairWriting = texts::kFileCreating;
const TextPair kRepairSummary = texts::kRepairSummary;
const TextPair kRepairKeysUntold = texts::kRepairKeysUntold;
