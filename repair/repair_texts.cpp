// The repair's results: the number each reports and its message, English
// and Japanese side by side.
#include <cstddef>

#include "repair/repair_result.h"
#include "texts/repair_texts.h"

namespace {

struct Row {
  RepairResult result;
  int32_t number;
  TextPair text;
};

constexpr Row kRows[] = {
    {RepairResult::Repaired, 0, {nullptr, nullptr}},
    {RepairResult::NothingToRepair, 0, texts::kRepairNothingToRepair},
    {RepairResult::Cancelled, -1, {nullptr, nullptr}},
    {RepairResult::InputNotOpen, 1, texts::kRepairInputNotOpen},
    {RepairResult::NotAvi, 2, texts::kRepairNotAvi},
    {RepairResult::NoHeader, 3, texts::kRepairNoHeader},
    {RepairResult::NoDataList, 4, texts::kRepairNoDataList},
    {RepairResult::NoWholeChunk, 5, texts::kRepairNoWholeChunk},
    {RepairResult::OutputIsInput, 6, texts::kRepairOutputIsInput},
    {RepairResult::CannotCreate, 7, texts::kCannotCreateFile},
    {RepairResult::WriteFailed, 8, texts::kCannotCreateFile},
    {RepairResult::TooLarge, 9, texts::kRepairTooLarge},
    {RepairResult::ReadError, 10, texts::kCannotReadFile},
    {RepairResult::InputChanged, 11, texts::kRepairInputChanged},
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
