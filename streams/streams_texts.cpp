// The results of the stream commands: the number each reports and its
// message, English and Japanese side by side.
#include <cstddef>

#include "streams/streams_result.h"
#include "texts/streams_texts.h"

namespace {

struct Row {
  StreamsResult result;
  int32_t number;
  bool usage;
  TextPair text;
};

constexpr Row kRows[] = {
    {StreamsResult::Completed, 0, false, {nullptr, nullptr}},
    {StreamsResult::Cancelled, -1, false, {nullptr, nullptr}},
    {StreamsResult::KeepAndDrop, 1, true, texts::kStreamsKeepAndDrop},
    {StreamsResult::NoStreamNamed, 2, true, texts::kStreamsNoStreamNamed},
    {StreamsResult::NameIsInput, 3, true, texts::kStreamsNameIsInput},
    {StreamsResult::NoOutputName, 4, false, texts::kCannotCreateOutputName},
    {StreamsResult::InputNotOpen, 5, false, texts::kFileNotOpen},
    {StreamsResult::InputNotRiff, 6, false, texts::kAviFileNotRiff},
    {StreamsResult::Unsupported, 7, false, texts::kStreamsUnsupported},
    {StreamsResult::OpenDml, 8, false, texts::kOpenDmlUnreadable},
    {StreamsResult::Damaged, 9, false, texts::kFileDamaged},
    {StreamsResult::NoSuchStream, 10, false, texts::kNoSuchStream},
    {StreamsResult::NothingKept, 11, false, texts::kStreamsNothingKept},
    {StreamsResult::WrongExtension, 12, false, texts::kStreamsWrongExtension},
    {StreamsResult::AacConfig, 13, false, texts::kStreamsAacConfig},
    {StreamsResult::CannotWrite, 14, false, texts::kCannotCreateFile},
    {StreamsResult::TooLarge, 15, false, texts::kOutputCannotBeLaidOut},
    {StreamsResult::ReadError, 16, false, texts::kCannotReadFile},
    {StreamsResult::InputChanged, 17, false, texts::kStreamsInputChanged},
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
