// The results of the job over a chain of inputs (join, merge of many): the
// number each reports and its message, English and Japanese side by side.
#include "chain/chain_job.h"
#include "job/result_numbers.h"
#include "job/result_table.h"
#include "texts/chain_texts.h"

namespace {

using Row = ResultRow<JoinJobResult>;

constexpr Row kRows[] = {
    {JoinJobResult::Completed, result_number::kCompleted, kNoText},
    {JoinJobResult::Cancelled, result_number::kCancelled, kNoText},
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

constexpr auto kTable = ResultTableOf(kRows);
static_assert(kTable.Complete(kOnlyCompletedIsZero), "one row per JoinJobResult, in order, with both languages; only success is 0");

}  // namespace

const TextPair kJoinAnalyzing = texts::kAnalyzing;
const TextPair kJoinSeams = texts::kJoinSeams;
const TextPair kJoinWriting = texts::kFileCreating;

int32_t JoinJobResultNumber(JoinJobResult result) { return kTable.Number(result); }

const TextPair* JoinJobResultText(JoinJobResult result) { return kTable.Text(result); }
