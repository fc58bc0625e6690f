// The results of the job over a chain of inputs (join, merge of many): the
// number each reports and its message, English and Japanese side by side.
#include <cstddef>

#include "chain/chain_job.h"
#include "job/result_numbers.h"
#include "texts/chain_texts.h"

namespace {

struct Row {
  JoinJobResult result;
  int32_t number;
  TextPair text;
};

constexpr Row kRows[] = {
    {JoinJobResult::Completed, result_number::kCompleted, {nullptr, nullptr}},
    {JoinJobResult::Cancelled, result_number::kCancelled, {nullptr, nullptr}},
    {JoinJobResult::TooFewInputs, result_number::kOwnResults, texts::kJoinTooFewInputs},
    {JoinJobResult::NotOpen, result_number::kInputNotOpen, texts::kFileNotOpen},
    {JoinJobResult::NotRiff, result_number::kInputNotAvi, texts::kAviFileNotRiff},
    {JoinJobResult::Damaged, result_number::kDamaged, texts::kFileDamaged},
    {JoinJobResult::Unsupported, result_number::kUnsupported, texts::kAviFileUnsupported},
    {JoinJobResult::FormatDiffers, result_number::kOwnResults + 1, texts::kJoinFormatDiffers},
    {JoinJobResult::NameIsInput, result_number::kNameIsInput, texts::kJoinedNameIsInput},
    {JoinJobResult::NoOutputName, result_number::kNoOutputName, texts::kCannotCreateJoinedName},
    {JoinJobResult::CannotWrite, result_number::kCannotWrite, texts::kCannotCreateFile},
    {JoinJobResult::TooLarge, result_number::kTooLarge, texts::kJoinedTooLarge},
    {JoinJobResult::ReadError, result_number::kReadError, texts::kCannotReadFile},
    {JoinJobResult::InputChanged, result_number::kInputChanged, texts::kJoinInputChanged},
};

constexpr bool TableComplete() {
  if (sizeof kRows / sizeof kRows[0] != size_t(JoinJobResult::Count)) return false;
  for (size_t i = 0; i < sizeof kRows / sizeof kRows[0]; ++i) {
    if (size_t(kRows[i].result) != i) return false;
    if ((kRows[i].text.english == nullptr) != (kRows[i].text.japanese == nullptr)) return false;
    if ((kRows[i].number == 0) != (i == 0)) return false;
  }
  return true;
}
static_assert(TableComplete(), "one row per JoinJobResult, in order, with both languages; only success is 0");

}  // namespace

const TextPair kJoinAnalyzing = texts::kAnalyzing;
const TextPair kJoinSeams = texts::kJoinSeams;
const TextPair kJoinWriting = texts::kFileCreating;

int32_t JoinJobResultNumber(JoinJobResult result) { return kRows[size_t(result)].number; }

const TextPair* JoinJobResultText(JoinJobResult result) {
  const TextPair& text = kRows[size_t(result)].text;
  return text.english ? &text : nullptr;
}
