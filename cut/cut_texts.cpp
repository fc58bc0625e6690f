// The results of the cut job: the number each reports and its message,
// English and Japanese side by side.
#include "cut/cut_job.h"
#include "job/result_numbers.h"
#include "job/result_table.h"
#include "texts/cut_texts.h"

namespace {

using Row = ResultRow<CutResult>;

constexpr Row kRows[] = {
    {CutResult::Completed, result_number::kCompleted, kNoText},
    {CutResult::Cancelled, result_number::kCancelled, kNoText},
    {CutResult::NoRange, result_number::kOwnResults, texts::kCutNoRange, kUsage},
    {CutResult::KeepAndDrop, result_number::kKeepAndDrop, texts::kCutKeepAndDrop, kUsage},
    {CutResult::RangeInvalid, result_number::kOwnResults + 1, texts::kCutRangeInvalid, kUsage},
    {CutResult::RangeEmpty, result_number::kOwnResults + 2, texts::kCutRangeEmpty, kUsage},
    {CutResult::ListUnreadable, result_number::kOwnResults + 3, texts::kCutListUnreadable, kUsage},
    {CutResult::ListBadLine, result_number::kOwnResults + 4, texts::kCutListBadLine, kUsage},
    {CutResult::NameIsInput, result_number::kNameIsInput, texts::kCutNameIsInput, kUsage},
    {CutResult::NoOutputName, result_number::kNoOutputName, texts::kCannotCreateOutputName},
    {CutResult::InputNotOpen, result_number::kInputNotOpen, texts::kFileNotOpen},
    {CutResult::InputNotRiff, result_number::kInputNotAvi, texts::kAviFileNotRiff},
    {CutResult::Unsupported, result_number::kUnsupported, texts::kCutUnsupported},
    {CutResult::OpenDml, result_number::kOpenDml, texts::kOpenDmlUnreadable},
    {CutResult::Damaged, result_number::kDamaged, texts::kFileDamaged},
    {CutResult::StartsAfterEnd, result_number::kOwnResults + 5, texts::kCutStartsAfterEnd},
    {CutResult::NothingKept, result_number::kNothingKept, texts::kCutNothingKept},
    {CutResult::CannotWrite, result_number::kCannotWrite, texts::kCannotCreateFile},
    {CutResult::TooLarge, result_number::kTooLarge, texts::kCutTooLarge},
    {CutResult::ReadError, result_number::kReadError, texts::kCannotReadFile},
    {CutResult::InputChanged, result_number::kInputChanged, texts::kCutInputChanged},
    {CutResult::NotExact, result_number::kOwnResults + 6, texts::kCutNotExact},
};

constexpr auto kTable = ResultTableOf(kRows);
static_assert(kTable.Complete(kOnlyCompletedIsZero), "every cut result has one row, in order, with both texts");

}  // namespace

const TextPair kCutAnalyzing = texts::kAnalyzing;
const TextPair kCutWriting = texts::kFileCreating;

int32_t CutResultNumber(CutResult result) { return kTable.Number(result); }

const TextPair* CutResultText(CutResult result) { return kTable.Text(result); }

bool IsUsageRefusal(CutResult result) { return kTable.Usage(result); }
