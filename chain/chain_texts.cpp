// The results of the job over a chain of inputs (join, merge of many): the
// number each reports and its message, English and Japanese side by side.
#include <cstddef>

#include "chain/chain_job.h"
#include "texts/chain_texts.h"

namespace {

struct Row {
  JoinJobResult result;
  int32_t number;
  TextPair text;
};

constexpr Row kRows[] = {
    {JoinJobResult::Completed, 0, {nullptr, nullptr}},
    {JoinJobResult::Cancelled, -1, {nullptr, nullptr}},
    {JoinJobResult::TooFewInputs, 1, texts::kJoinTooFewInputs},
    {JoinJobResult::NotOpen, 2, texts::kFileNotOpen},
    {JoinJobResult::NotRiff, 3, texts::kAviFileNotRiff},
    {JoinJobResult::Damaged, 4, texts::kFileDamaged},
    {JoinJobResult::Unsupported, 5, texts::kAviFileUnsupported},
    {JoinJobResult::FormatDiffers, 6, texts::kJoinFormatDiffers},
    {JoinJobResult::NameIsInput, 7, texts::kJoinedNameIsInput},
    {JoinJobResult::NoOutputName, 8, texts::kCannotCreateJoinedName},
    {JoinJobResult::CannotWrite, 9, texts::kCannotCreateFile},
    {JoinJobResult::TooLarge, 10, texts::kJoinedTooLarge},
    {JoinJobResult::ReadError, 11, texts::kCannotReadFile},
    {JoinJobResult::InputChanged, 12, texts::kJoinInputChanged},
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
