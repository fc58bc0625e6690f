// The results of the stream commands: the number each reports and its
// message, English and Japanese side by side.
#include "streams/streams_result.h"
#include "job/result_numbers.h"
#include "job/result_table.h"
#include "texts/streams_texts.h"

namespace {

using Row = ResultRow<StreamsResult>;

constexpr Row kRows[] = {
    {StreamsResult::Completed, result_number::kCompleted, kNoText},
    {StreamsResult::Cancelled, result_number::kCancelled, kNoText},
    {StreamsResult::KeepAndDrop, result_number::kKeepAndDrop, texts::kStreamsKeepAndDrop, kUsage},
    {StreamsResult::NoStreamNamed, result_number::kOwnResults, texts::kStreamsNoStreamNamed, kUsage},
    {StreamsResult::NameIsInput, result_number::kNameIsInput, texts::kStreamsNameIsInput, kUsage},
    {StreamsResult::NoOutputName, result_number::kNoOutputName, texts::kCannotCreateOutputName},
    {StreamsResult::InputNotOpen, result_number::kInputNotOpen, texts::kFileNotOpen},
    {StreamsResult::InputNotRiff, result_number::kInputNotAvi, texts::kAviFileNotRiff},
    {StreamsResult::Unsupported, result_number::kUnsupported, texts::kStreamsUnsupported},
    {StreamsResult::OpenDml, result_number::kOpenDml, texts::kOpenDmlUnreadable},
    {StreamsResult::Damaged, result_number::kDamaged, texts::kFileDamaged},
    {StreamsResult::NoSuchStream, result_number::kNoSuchStream, texts::kNoSuchStream},
    {StreamsResult::NothingKept, result_number::kNothingKept, texts::kStreamsNothingKept},
    {StreamsResult::WrongExtension, result_number::kOwnResults + 1, texts::kStreamsWrongExtension},
    {StreamsResult::AacConfig, result_number::kOwnResults + 2, texts::kStreamsAacConfig},
    {StreamsResult::CannotWrite, result_number::kCannotWrite, texts::kCannotCreateFile},
    {StreamsResult::TooLarge, result_number::kTooLarge, texts::kOutputCannotBeLaidOut},
    {StreamsResult::ReadError, result_number::kReadError, texts::kCannotReadFile},
    {StreamsResult::InputChanged, result_number::kInputChanged, texts::kStreamsInputChanged},
};

constexpr auto kTable = ResultTableOf(kRows);
static_assert(kTable.Complete(kOnlyCompletedIsZero), "every stream result has one row, in order, with both texts");

}  // namespace

const TextPair kStreamsAnalyzing = texts::kAnalyzing;
const TextPair kStreamsWriting = texts::kFileCreating;

int32_t StreamsResultNumber(StreamsResult result) { return kTable.Number(result); }

const TextPair* StreamsResultText(StreamsResult result) { return kTable.Text(result); }

bool IsStreamsUsageRefusal(StreamsResult result) { return kTable.Usage(result); }
