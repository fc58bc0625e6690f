// The results of the stream commands: the number each reports and its
// message, English and Japanese side by side.
#include <cstddef>

#include "streams/streams_result.h"
#include "job/result_numbers.h"
#include "texts/streams_texts.h"

namespace {

struct Row {
  StreamsResult result;
  int32_t number;
  bool usage;
  TextPair text;
};

constexpr Row kRows[] = {
    {StreamsResult::Completed, result_number::kCompleted, false, {nullptr, nullptr}},
    {StreamsResult::Cancelled, result_number::kCancelled, false, {nullptr, nullptr}},
    {StreamsResult::KeepAndDrop, result_number::kKeepAndDrop, true, texts::kStreamsKeepAndDrop},
    {StreamsResult::NoStreamNamed, result_number::kOwnResults, true, texts::kStreamsNoStreamNamed},
    {StreamsResult::NameIsInput, result_number::kNameIsInput, true, texts::kStreamsNameIsInput},
    {StreamsResult::NoOutputName, result_number::kNoOutputName, false, texts::kCannotCreateOutputName},
    {StreamsResult::InputNotOpen, result_number::kInputNotOpen, false, texts::kFileNotOpen},
    {StreamsResult::InputNotRiff, result_number::kInputNotAvi, false, texts::kAviFileNotRiff},
    {StreamsResult::Unsupported, result_number::kUnsupported, false, texts::kStreamsUnsupported},
    {StreamsResult::OpenDml, result_number::kOpenDml, false, texts::kOpenDmlUnreadable},
    {StreamsResult::Damaged, result_number::kDamaged, false, texts::kFileDamaged},
    {StreamsResult::NoSuchStream, result_number::kNoSuchStream, false, texts::kNoSuchStream},
    {StreamsResult::NothingKept, result_number::kNothingKept, false, texts::kStreamsNothingKept},
    {StreamsResult::WrongExtension, result_number::kOwnResults + 1, false, texts::kStreamsWrongExtension},
    {StreamsResult::AacConfig, result_number::kOwnResults + 2, false, texts::kStreamsAacConfig},
    {StreamsResult::CannotWrite, result_number::kCannotWrite, false, texts::kCannotCreateFile},
    {StreamsResult::TooLarge, result_number::kTooLarge, false, texts::kOutputCannotBeLaidOut},
    {StreamsResult::ReadError, result_number::kReadError, false, texts::kCannotReadFile},
    {StreamsResult::InputChanged, result_number::kInputChanged, false, texts::kStreamsInputChanged},
};

constexpr bool TableComplete() {
  if (sizeof kRows / sizeof kRows[0] != size_t(StreamsResult::Count)) return false;
  for (size_t i = 0; i < sizeof kRows / sizeof kRows[0]; ++i) {
    if (size_t(kRows[i].result) != i) return false;
    if ((kRows[i].text.english == nullptr) != (kRows[i].text.japanese == nullptr)) return false;
    if ((kRows[i].number == 0) != (i == 0)) return false;
  }
  return true;
}
static_assert(TableComplete(), "every stream result has one row, in order, with both texts");

}  // namespace

const TextPair kStreamsAnalyzing = texts::kAnalyzing;
const TextPair kStreamsWriting = texts::kFileCreating;

int32_t StreamsResultNumber(StreamsResult result) { return kRows[size_t(result)].number; }

const TextPair* StreamsResultText(StreamsResult result) {
  const TextPair& text = kRows[size_t(result)].text;
  return text.english ? &text : nullptr;
}

bool IsStreamsUsageRefusal(StreamsResult result) { return kRows[size_t(result)].usage; }
