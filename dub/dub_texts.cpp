// The results of the dub and shift jobs: the number each reports and its
// message, English and Japanese side by side.
#include "dub/dub_job.h"
#include "job/result_numbers.h"
#include "job/result_table.h"
#include "texts/dub_texts.h"

namespace {

using Row = ResultRow<DubResult>;

constexpr Row kRows[] = {
    {DubResult::Completed, result_number::kCompleted, kNoText},
    {DubResult::Cancelled, result_number::kCancelled, kNoText},
    {DubResult::ReplaceAndAdd, result_number::kOwnResults, texts::kDubReplaceAndAdd, kUsage},
    {DubResult::OffsetInvalid, result_number::kOwnResults + 1, texts::kDubOffsetInvalid, kUsage},
    {DubResult::ChooseStream, result_number::kOwnResults + 2, texts::kDubChooseStream, kUsage},
    {DubResult::NameIsInput, result_number::kNameIsInput, texts::kDubNameIsInput, kUsage},
    {DubResult::NoOutputName, result_number::kNoOutputName, texts::kCannotCreateOutputName},
    {DubResult::NoSuchStream, result_number::kNoSuchStream, texts::kNoSuchStream},
    {DubResult::NotSoundStream, result_number::kOwnResults + 3, texts::kDubNotSoundStream},
    {DubResult::TooManyStreams, result_number::kOwnResults + 4, texts::kDubTooManyStreams},
    {DubResult::InputNotOpen, result_number::kInputNotOpen, texts::kFileNotOpen},
    {DubResult::InputNotRiff, result_number::kInputNotAvi, texts::kAviFileNotRiff},
    {DubResult::Unsupported, result_number::kUnsupported, texts::kDubUnsupported},
    {DubResult::OpenDml, result_number::kOpenDml, texts::kOpenDmlUnreadable},
    {DubResult::Damaged, result_number::kDamaged, texts::kFileDamaged},
    {DubResult::SoundNotOpen, result_number::kOwnResults + 5, texts::kDubSoundNotOpen},
    {DubResult::SoundUnusable, result_number::kOwnResults + 6, texts::kDubSoundUnusable},
    {DubResult::SoundTruncated, result_number::kOwnResults + 7, texts::kDubSoundTruncated},
    {DubResult::SoundEmpty, result_number::kOwnResults + 8, texts::kDubSoundEmpty},
    {DubResult::OffsetTakesAll, result_number::kOwnResults + 9, texts::kDubOffsetTakesAll},
    {DubResult::CannotWrite, result_number::kCannotWrite, texts::kCannotCreateFile},
    {DubResult::TooLarge, result_number::kTooLarge, texts::kOutputCannotBeLaidOut},
    {DubResult::ReadError, result_number::kReadError, texts::kCannotReadFile},
    {DubResult::InputChanged, result_number::kInputChanged, texts::kDubInputChanged},
};

constexpr auto kTable = ResultTableOf(kRows);
static_assert(kTable.Complete(kOnlyCompletedIsZero), "every dub result has one row, in order, with both texts");

}  // namespace

const TextPair kDubAnalyzing = texts::kAnalyzing;
const TextPair kDubWriting = texts::kFileCreating;

int32_t DubResultNumber(DubResult result) { return kTable.Number(result); }

const TextPair* DubResultText(DubResult result) { return kTable.Text(result); }

bool IsDubUsageRefusal(DubResult result) { return kTable.Usage(result); }
