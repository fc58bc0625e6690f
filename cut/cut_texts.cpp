// The results of the cut job: the number each reports and its message,
// English and Japanese side by side.
#include <cstddef>

#include "cut/cut_job.h"
#include "job/result_numbers.h"
#include "texts/cut_texts.h"

namespace {

struct Row {
  CutResult result;
  int32_t number;
  bool usage;
  TextPair text;
};

constexpr Row kRows[] = {
    {CutResult::Completed, result_number::kCompleted, false, {nullptr, nullptr}},
    {CutResult::Cancelled, result_number::kCancelled, false, {nullptr, nullptr}},
    {CutResult::NoRange, result_number::kOwnResults, true, texts::kCutNoRange},
    {CutResult::KeepAndDrop, result_number::kKeepAndDrop, true, texts::kCutKeepAndDrop},
    {CutResult::RangeInvalid, result_number::kOwnResults + 1, true, texts::kCutRangeInvalid},
    {CutResult::RangeEmpty, result_number::kOwnResults + 2, true, texts::kCutRangeEmpty},
    {CutResult::ListUnreadable, result_number::kOwnResults + 3, true, texts::kCutListUnreadable},
    {CutResult::ListBadLine, result_number::kOwnResults + 4, true, texts::kCutListBadLine},
    {CutResult::NameIsInput, result_number::kNameIsInput, true, texts::kCutNameIsInput},
    {CutResult::NoOutputName, result_number::kNoOutputName, false, texts::kCannotCreateOutputName},
    {CutResult::InputNotOpen, result_number::kInputNotOpen, false, texts::kFileNotOpen},
    {CutResult::InputNotRiff, result_number::kInputNotAvi, false, texts::kAviFileNotRiff},
    {CutResult::Unsupported, result_number::kUnsupported, false, texts::kCutUnsupported},
    {CutResult::OpenDml, result_number::kOpenDml, false, texts::kOpenDmlUnreadable},
    {CutResult::Damaged, result_number::kDamaged, false, texts::kFileDamaged},
    {CutResult::StartsAfterEnd, result_number::kOwnResults + 5, false, texts::kCutStartsAfterEnd},
    {CutResult::NothingKept, result_number::kNothingKept, false, texts::kCutNothingKept},
    {CutResult::CannotWrite, result_number::kCannotWrite, false, texts::kCannotCreateFile},
    {CutResult::TooLarge, result_number::kTooLarge, false, texts::kCutTooLarge},
    {CutResult::ReadError, result_number::kReadError, false, texts::kCannotReadFile},
    {CutResult::InputChanged, result_number::kInputChanged, false, texts::kCutInputChanged},
};

constexpr bool TableComplete() {
  if (sizeof kRows / sizeof kRows[0] != size_t(CutResult::Count)) return false;
  for (size_t i = 0; i < sizeof kRows / sizeof kRows[0]; ++i) {
    if (size_t(kRows[i].result) != i) return false;
    if ((kRows[i].text.english == nullptr) != (kRows[i].text.japanese == nullptr)) return false;
    if ((kRows[i].number == 0) != (i == 0)) return false;
  }
  return true;
}
static_assert(TableComplete(), "every cut result has one row, in order, with both texts");

}  // namespace

const TextPair kCutAnalyzing = texts::kAnalyzing;
const TextPair kCutWriting = texts::kFileCreating;

int32_t CutResultNumber(CutResult result) { return kRows[size_t(result)].number; }

const TextPair* CutResultText(CutResult result) {
  const TextPair& text = kRows[size_t(result)].text;
  return text.english ? &text : nullptr;
}

bool IsUsageRefusal(CutResult result) { return kRows[size_t(result)].usage; }
