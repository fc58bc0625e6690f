// The results of the dub and shift jobs: the number each reports and its
// message, English and Japanese side by side.
#include <cstddef>

#include "dub/dub_job.h"
#include "texts/dub_texts.h"

namespace {

struct Row {
  DubResult result;
  int32_t number;
  bool usage;
  TextPair text;
};

constexpr Row kRows[] = {
    {DubResult::Completed, 0, false, {nullptr, nullptr}},
    {DubResult::Cancelled, -1, false, {nullptr, nullptr}},
    {DubResult::ReplaceAndAdd, 1, true, texts::kDubReplaceAndAdd},
    {DubResult::OffsetInvalid, 2, true, texts::kDubOffsetInvalid},
    {DubResult::ChooseStream, 3, true, texts::kDubChooseStream},
    {DubResult::NameIsInput, 4, true, texts::kDubNameIsInput},
    {DubResult::NoOutputName, 5, false, texts::kCannotCreateOutputName},
    {DubResult::NoSuchStream, 6, false, texts::kNoSuchStream},
    {DubResult::NotSoundStream, 7, false, texts::kDubNotSoundStream},
    {DubResult::TooManyStreams, 8, false, texts::kDubTooManyStreams},
    {DubResult::InputNotOpen, 9, false, texts::kFileNotOpen},
    {DubResult::InputNotRiff, 10, false, texts::kAviFileNotRiff},
    {DubResult::Unsupported, 11, false, texts::kDubUnsupported},
    {DubResult::OpenDml, 12, false, texts::kOpenDmlUnreadable},
    {DubResult::Damaged, 13, false, texts::kFileDamaged},
    {DubResult::SoundNotOpen, 14, false, texts::kDubSoundNotOpen},
    {DubResult::SoundUnusable, 15, false, texts::kDubSoundUnusable},
    {DubResult::SoundTruncated, 16, false, texts::kDubSoundTruncated},
    {DubResult::SoundEmpty, 17, false, texts::kDubSoundEmpty},
    {DubResult::OffsetTakesAll, 18, false, texts::kDubOffsetTakesAll},
    {DubResult::CannotWrite, 19, false, texts::kCannotCreateFile},
    {DubResult::TooLarge, 20, false, texts::kOutputCannotBeLaidOut},
    {DubResult::ReadError, 21, false, texts::kCannotReadFile},
    {DubResult::InputChanged, 22, false, texts::kDubInputChanged},
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
