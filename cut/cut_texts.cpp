// The results of the cut job: the number each reports and its message,
// English and Japanese side by side.
#include <cstddef>

#include "cut/cut_job.h"
#include "texts/cut_texts.h"

namespace {

struct Row {
  CutResult result;
  int32_t number;
  bool usage;
  TextPair text;
};

constexpr Row kRows[] = {
    {CutResult::Completed, 0, false, {nullptr, nullptr}},
    {CutResult::Cancelled, -1, false, {nullptr, nullptr}},
    {CutResult::NoRange, 1, true, texts::kCutNoRange},
    {CutResult::KeepAndDrop, 2, true, texts::kCutKeepAndDrop},
    {CutResult::RangeInvalid, 3, true, texts::kCutRangeInvalid},
    {CutResult::RangeEmpty, 4, true, texts::kCutRangeEmpty},
    {CutResult::ListUnreadable, 5, true, texts::kCutListUnreadable},
    {CutResult::ListBadLine, 6, true, texts::kCutListBadLine},
    {CutResult::NameIsInput, 7, true, texts::kCutNameIsInput},
    {CutResult::NoOutputName, 8, false, texts::kCannotCreateOutputName},
    {CutResult::InputNotOpen, 9, false, texts::kFileNotOpen},
    {CutResult::InputNotRiff, 10, false, texts::kAviFileNotRiff},
    {CutResult::Unsupported, 11, false, texts::kCutUnsupported},
    {CutResult::OpenDml, 12, false, texts::kOpenDmlUnreadable},
    {CutResult::Damaged, 13, false, texts::kFileDamaged},
    {CutResult::StartsAfterEnd, 14, false, texts::kCutStartsAfterEnd},
    {CutResult::NothingKept, 15, false, texts::kCutNothingKept},
    {CutResult::CannotWrite, 16, false, texts::kCannotCreateFile},
    {CutResult::TooLarge, 17, false, texts::kCutTooLarge},
    {CutResult::ReadError, 18, false, texts::kCannotReadFile},
    {CutResult::InputChanged, 19, false, texts::kCutInputChanged},
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
