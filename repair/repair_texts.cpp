// The repair's results: the number each reports and its message, English
// and Japanese side by side.
#include <cstddef>

#include "repair/repair_result.h"
#include "job/result_numbers.h"
#include "texts/repair_texts.h"

namespace {

struct Row {
  RepairResult result;
  int32_t number;
  TextPair text;
};

constexpr Row kRows[] = {
    {RepairResult::Repaired, result_number::kCompleted, {nullptr, nullptr}},
    {RepairResult::NothingToRepair, result_number::kCompleted, texts::kRepairNothingToRepair},
    {RepairResult::Cancelled, result_number::kCancelled, {nullptr, nullptr}},
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

constexpr bool TableComplete() {
  if (sizeof kRows / sizeof kRows[0] != size_t(RepairResult::Count)) return false;
  for (size_t i = 0; i < sizeof kRows / sizeof kRows[0]; ++i) {
    if (size_t(kRows[i].result) != i) return false;
    if ((kRows[i].text.english == nullptr) != (kRows[i].text.japanese == nullptr)) return false;
  }
  return true;
}
static_assert(TableComplete(), "one row per RepairResult, in order, with both languages");

}  // namespace

int32_t RepairResultNumber(RepairResult result) { return kRows[size_t(result)].number; }

const TextPair* RepairResultText(RepairResult result) {
  const TextPair& text = kRows[size_t(result)].text;
  return text.english ? &text : nullptr;
}

const TextPair kRepairReading = texts::kRepairReading;
const TextPair kRepairWriting = texts::kFileCreating;
const TextPair kRepairSummary = texts::kRepairSummary;
const TextPair kRepairKeysUntold = texts::kRepairKeysUntold;
