// The results of the dub and shift jobs: the number each reports and its
// message, English and Japanese side by side.
#include <cstddef>

#include "dub/dub_job.h"
#include "job/result_numbers.h"
#include "texts/dub_texts.h"

namespace {

struct Row {
  DubResult result;
  int32_t number;
  bool usage;
  TextPair text;
};

constexpr Row kRows[] = {
    {DubResult::Completed, result_number::kCompleted, false, {nullptr, nullptr}},
    {DubResult::Cancelled, result_number::kCancelled, false, {nullptr, nullptr}},
    {DubResult::ReplaceAndAdd, result_number::kOwnResults, true, texts::kDubReplaceAndAdd},
    {DubResult::OffsetInvalid, result_number::kOwnResults + 1, true, texts::kDubOffsetInvalid},
    {DubResult::ChooseStream, result_number::kOwnResults + 2, true, texts::kDubChooseStream},
    {DubResult::NameIsInput, result_number::kNameIsInput, true, texts::kDubNameIsInput},
    {DubResult::NoOutputName, result_number::kNoOutputName, false, texts::kCannotCreateOutputName},
    {DubResult::NoSuchStream, result_number::kNoSuchStream, false, texts::kNoSuchStream},
    {DubResult::NotSoundStream, result_number::kOwnResults + 3, false, texts::kDubNotSoundStream},
    {DubResult::TooManyStreams, result_number::kOwnResults + 4, false, texts::kDubTooManyStreams},
    {DubResult::InputNotOpen, result_number::kInputNotOpen, false, texts::kFileNotOpen},
    {DubResult::InputNotRiff, result_number::kInputNotAvi, false, texts::kAviFileNotRiff},
    {DubResult::Unsupported, result_number::kUnsupported, false, texts::kDubUnsupported},
    {DubResult::OpenDml, result_number::kOpenDml, false, texts::kOpenDmlUnreadable},
    {DubResult::Damaged, result_number::kDamaged, false, texts::kFileDamaged},
    {DubResult::SoundNotOpen, result_number::kOwnResults + 5, false, texts::kDubSoundNotOpen},
    {DubResult::SoundUnusable, result_number::kOwnResults + 6, false, texts::kDubSoundUnusable},
    {DubResult::SoundTruncated, result_number::kOwnResults + 7, false, texts::kDubSoundTruncated},
    {DubResult::SoundEmpty, result_number::kOwnResults + 8, false, texts::kDubSoundEmpty},
    {DubResult::OffsetTakesAll, result_number::kOwnResults + 9, false, texts::kDubOffsetTakesAll},
    {DubResult::CannotWrite, result_number::kCannotWrite, false, texts::kCannotCreateFile},
    {DubResult::TooLarge, result_number::kTooLarge, false, texts::kOutputCannotBeLaidOut},
    {DubResult::ReadError, result_number::kReadError, false, texts::kCannotReadFile},
    {DubResult::InputChanged, result_number::kInputChanged, false, texts::kDubInputChanged},
};

constexpr bool TableComplete() {
  if (sizeof kRows / sizeof kRows[0] != size_t(DubResult::Count)) return false;
  for (size_t i = 0; i < sizeof kRows / sizeof kRows[0]; ++i) {
    if (size_t(kRows[i].result) != i) return false;
    if ((kRows[i].text.english == nullptr) != (kRows[i].text.japanese == nullptr)) return false;
    if ((kRows[i].number == 0) != (i == 0)) return false;
  }
  return true;
}
static_assert(TableComplete(), "every dub result has one row, in order, with both texts");

}  // namespace

const TextPair kDubAnalyzing = texts::kAnalyzing;
const TextPair kDubWriting = texts::kFileCreating;

int32_t DubResultNumber(DubResult result) { return kRows[size_t(result)].number; }

const TextPair* DubResultText(DubResult result) {
  const TextPair& text = kRows[size_t(result)].text;
  return text.english ? &text : nullptr;
}

bool IsDubUsageRefusal(DubResult result) { return kRows[size_t(result)].usage; }
